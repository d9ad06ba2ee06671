#include "core/db/Conexion.h"

#include "core/base/ErrorTendal.h"
#include "core/db/Esquema.h"
#include "core/base/Permisos.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>

namespace {

QAtomicInt g_contador;

ErrorTendal errorBase(const QString &ruta, const QString &motivo)
{
    return ErrorTendal(
        ErrorTendal::BaseDeDatos,
        QStringLiteral("No se pudo abrir la base de datos %1: %2").arg(QDir::toNativeSeparators(ruta), motivo));
}

// What went wrong in a statement or a transaction, in Spanish, naming the
// database; the driver's own text follows in parentheses. The number stays
// the database's (-2147217865 for a missing table, -2147467259 otherwise).
ErrorTendal errorDe(const QString &ruta, const QSqlError &error)
{
    const QString driver = error.text().trimmed();
    const QString minusculas = driver.toLower();
    const int codigo = error.nativeErrorCode().toInt() & 0xff;
    const QString base = QDir::toNativeSeparators(ruta);
    const auto es = [&](int c, const char *texto) {
        return codigo == c || minusculas.contains(QLatin1StringView(texto));
    };
    int numero = ErrorTendal::BaseDeDatos;
    QString que;
    if (minusculas.contains(QLatin1StringView("no such table"))) {
        numero = ErrorTendal::TablaNoEncontrada;
        que = QStringLiteral("A la base de datos %1 le falta una tabla");
    } else if (es(5, "database is locked") || es(6, "table is locked")) {
        que = QStringLiteral("La base de datos %1 está ocupada por otro programa, que no la liberó a tiempo");
    } else if (es(8, "readonly") || minusculas.contains(QLatin1StringView("read-only"))) {
        que = QStringLiteral("La base de datos %1 no se puede modificar: el archivo o su carpeta son de sólo lectura");
    } else if (es(13, "disk is full")) {
        que = QStringLiteral("No hay espacio en el disco para la base de datos %1");
    } else if (es(10, "disk i/o error")) {
        que = QStringLiteral("Falló la lectura o la escritura del archivo de la base de datos %1");
    } else if (es(11, "malformed") || es(26, "not a database")) {
        que = QStringLiteral("La base de datos %1 está dañada");
    } else if (es(14, "unable to open")) {
        que = QStringLiteral("No se pudo abrir el archivo de la base de datos %1");
    } else if (es(19, "constraint")) {
        que = QStringLiteral("La base de datos %1 no aceptó el cambio: contradice sus reglas");
    } else {
        que = QStringLiteral("Falló una consulta a la base de datos %1");
    }
    QString texto = que.arg(base);
    if (!driver.isEmpty())
        texto += QStringLiteral(" (%1)").arg(driver);
    return ErrorTendal(numero, texto);
}

} // namespace

Conexion::Conexion(QString nombre, QString ruta)
    : m_nombre(std::move(nombre))
    , m_ruta(std::move(ruta))
{
}

Conexion::~Conexion()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_nombre, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_nombre);
}

std::unique_ptr<Conexion> Conexion::conecta(const QString &ruta)
{
    const QString nombre = QStringLiteral("Conexion%1").arg(g_contador.fetchAndAddRelaxed(1));
    std::unique_ptr<Conexion> conexion(new Conexion(nombre, ruta));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nombre);
    db.setDatabaseName(ruta);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        throw errorBase(ruta, db.lastError().text());
    QSqlQuery pragma(db);
    pragma.exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    // Readers keep the last committed state while a long transaction (a
    // catalogue installation) writes; a killed writer leaves its frames
    // behind, ignored at the next open. Stays set in the file.
    if (!pragma.exec(QStringLiteral("PRAGMA journal_mode = WAL")))
        throw errorBase(ruta, pragma.lastError().text());
    return conexion;
}

std::unique_ptr<Conexion> Conexion::abre(const QString &carpeta)
{
    const QString ruta = QDir(carpeta).filePath(nombreArchivo());
    QFileInfo info(ruta);
    if (!info.exists())
        throw errorBase(ruta, QStringLiteral("el archivo no existe"));
    if (!info.isFile() || !info.isReadable())
        throw errorBase(ruta, QStringLiteral("el archivo no se puede leer"));
    QFile cabecera(ruta);
    if (!cabecera.open(QIODevice::ReadOnly) || !cabecera.read(16).startsWith("SQLite format 3"))
        throw errorBase(ruta, QStringLiteral("el archivo no es una base de datos de Tendal"));
    cabecera.close();

    auto conexion = conecta(ruta);
    QSqlQuery q(conexion->db());
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM PARAMETROS")) || !q.next())
        throw errorBase(ruta, QStringLiteral("falta la tabla PARAMETROS"));
    if (q.value(0).toInt() < 1)
        throw errorBase(ruta, QStringLiteral("la tabla PARAMETROS no tiene el registro de configuración"));
    q.finish(); // a step of the schema may drop a table: no statement stays open
    Esquema::actualiza(conexion->db());
    return conexion;
}

std::unique_ptr<Conexion> Conexion::abreArchivo(const QString &ruta)
{
    if (!QFileInfo(ruta).isFile())
        throw errorBase(ruta, QStringLiteral("el archivo no existe"));
    return conecta(ruta);
}

std::unique_ptr<Conexion> Conexion::crea(const QString &carpeta)
{
    const QString ruta = QDir(carpeta).filePath(nombreArchivo());
    if (!QFileInfo(carpeta).isDir())
        throw errorBase(ruta, QStringLiteral("la carpeta no existe"));
    if (QFileInfo::exists(ruta))
        throw errorBase(ruta, QStringLiteral("ya existe una base de datos; no se sobrescribe"));
    auto conexion = conecta(ruta);
    Esquema::actualiza(conexion->db());
    Permisos::soloDueno(ruta); // it holds the passwords
    return conexion;
}

QSqlDatabase Conexion::db() const
{
    return QSqlDatabase::database(m_nombre, false);
}

QSqlQuery Conexion::ejecuta(const QString &sql, const QVariantList &valores) const
{
    QSqlQuery q(db());
    q.setForwardOnly(true);
    bool ok = q.prepare(sql);
    if (ok) {
        for (const QVariant &v : valores)
            q.addBindValue(v);
        ok = q.exec();
    }
    if (!ok)
        throw errorDe(m_ruta, q.lastError());
    return q;
}

void Conexion::comienza() const
{
    QSqlDatabase d = db();
    if (!d.transaction())
        throw errorDe(m_ruta, d.lastError());
}

void Conexion::confirma() const
{
    QSqlDatabase d = db();
    if (!d.commit()) {
        const ErrorTendal error = errorDe(m_ruta, d.lastError());
        d.rollback();
        throw error;
    }
}

void Conexion::deshace() const
{
    QSqlDatabase d = db();
    d.rollback();
}
