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
    if (!ok) {
        const QString texto = q.lastError().text();
        const int numero = texto.contains(QLatin1StringView("no such table"), Qt::CaseInsensitive)
                               ? ErrorTendal::TablaNoEncontrada
                               : ErrorTendal::BaseDeDatos;
        throw ErrorTendal(numero, texto);
    }
    return q;
}

void Conexion::comienza() const
{
    QSqlDatabase d = db();
    if (!d.transaction())
        throw ErrorTendal(ErrorTendal::BaseDeDatos, d.lastError().text());
}

void Conexion::confirma() const
{
    QSqlDatabase d = db();
    if (!d.commit()) {
        const QString texto = d.lastError().text();
        d.rollback();
        throw ErrorTendal(ErrorTendal::BaseDeDatos, texto);
    }
}

void Conexion::deshace() const
{
    QSqlDatabase d = db();
    d.rollback();
}
