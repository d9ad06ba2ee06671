#include "core/access/ImportadorAccess.h"

#include "core/access/BaseAccess.h"
#include "core/access/LecturaAdelantada.h"
#include "core/db/Conexion.h"
#include "core/db/InsercionSqlite.h"
#include "core/base/Dialogos.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Permisos.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <optional>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

QAtomicInt g_conexiones;

QString comillas(const QString &nombre)
{
    QString n = nombre;
    return u'"' + n.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

ErrorTendal errorEscritura(const QString &destino, const QString &detalle)
{
    return ErrorTendal(
        ErrorTendal::BaseDeDatos,
        QStringLiteral("No se pudo crear la base de datos %1: %2").arg(QDir::toNativeSeparators(destino), detalle));
}

// An SQLite connection of its own for the file being built, closed and
// removed on every way out.
class BaseNueva
{
public:
    explicit BaseNueva(const QString &ruta)
        : m_nombre(QStringLiteral("ImportadorAccess%1").arg(g_conexiones.fetchAndAddRelaxed(1)))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_nombre);
        db.setDatabaseName(ruta);
        if (!db.open())
            throw errorEscritura(ruta, db.lastError().text());
    }
    ~BaseNueva()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_nombre, false);
            if (db.isOpen()) {
                db.rollback();
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(m_nombre);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_nombre, false); }

private:
    QString m_nombre;
};

void ejecuta(QSqlQuery &q, const QString &sql, const QString &destino)
{
    if (!q.exec(sql))
        throw errorEscritura(destino, q.lastError().text());
}

} // namespace

qint64 ImportadorAccess::copiaTabla(LecturaAdelantada &lectura, const QString &tabla, QSqlDatabase db,
                                    const QString &destino, qint64 tramo, const std::function<void(qint64)> &copiadas)
{
    const auto error = [&](const QString &detalle) {
        return ErrorTendal(ErrorTendal::BaseDeDatos,
                           QStringLiteral("No se pudo copiar la tabla %1 a %2: %3")
                               .arg(tabla, QDir::toNativeSeparators(db.databaseName()), detalle));
    };
    // The statement is prepared at the first row, with as many marks as
    // the row has values (an empty table needs none).
    std::optional<InsercionSqlite> directa;
    std::optional<QSqlQuery> insercion;
    const auto prepara = [&](qsizetype columnas) {
        QStringList marcas(columnas, QStringLiteral("?"));
        const QString sql = QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(comillas(destino), marcas.join(u','));
        // On SQLite the rows go straight to its connection; elsewhere
        // through the driver.
        if (InsercionSqlite::disponible(db)) {
            directa.emplace(db, sql);
            if (!directa->preparada())
                throw error(directa->error());
        } else {
            insercion.emplace(db);
            if (!insercion->prepare(sql))
                throw error(insercion->lastError().text());
        }
    };
    qint64 n = 0;
    const qint64 filas = lectura.recorre(tabla, [&](std::span<const Valor> valores) {
        if (!directa && !insercion)
            prepara(qsizetype(valores.size()));
        if (directa) {
            if (!directa->inserta(valores))
                throw error(directa->error());
        } else {
            for (size_t i = 0; i < valores.size(); ++i)
                insercion->bindValue(int(i), valores[i].aVariante());
            if (!insercion->exec())
                throw error(insercion->lastError().text());
        }
        ++n;
        if (copiadas && tramo > 0 && n % tramo == 0)
            copiadas(n);
    });
    if (copiadas)
        copiadas(filas);
    return filas;
}

QList<ImportadorAccess::Tabla> ImportadorAccess::importa(const QString &origen, const QString &destino,
                                                         const QStringList &tablas)
{
    if (QFileInfo::exists(destino))
        throw errorEscritura(destino, QStringLiteral("ya existe; no se sobrescribe"));
    BaseAccess base(origen);

    QStringList nombres;
    if (tablas.isEmpty()) {
        nombres = base.tablas();
    } else {
        for (const QString &t : tablas) {
            const QString encontrada = base.busca(t);
            if (encontrada.isEmpty())
                throw ErrorTendal(ErrorTendal::TablaNoEncontrada,
                                  QStringLiteral("La base de datos %1 no contiene la tabla %2")
                                      .arg(QDir::toNativeSeparators(origen), t));
            nombres << encontrada;
        }
    }

    const QString temporal = destino + QStringLiteral(".importando");
    QFile::remove(temporal);
    QFile::remove(temporal + QStringLiteral("-journal"));
    QList<Tabla> copiadas;
    try {
        {
            BaseNueva nueva(temporal);
            QSqlDatabase db = nueva.db();
            QSqlQuery q(db);
            // The file is not the database until it is renamed: a crash leaves
            // only the temporary file, which the next import replaces.
            ejecuta(q, QStringLiteral("PRAGMA journal_mode = OFF"), destino);
            ejecuta(q, QStringLiteral("PRAGMA synchronous = OFF"), destino);
            if (!db.transaction())
                throw errorEscritura(destino, db.lastError().text());
            // Every definition is read before the rows start coming.
            QStringList creaciones;
            for (const QString &tabla : std::as_const(nombres)) {
                QStringList definiciones;
                for (const BaseAccess::Columna &c : base.columnas(tabla))
                    definiciones << comillas(c.nombre) + u' ' + c.tipoSql();
                creaciones << QStringLiteral("CREATE TABLE %1 (%2)")
                                  .arg(comillas(tabla), definiciones.join(QStringLiteral(", ")));
            }
            LecturaAdelantada lectura(base, nombres);
            for (qsizetype i = 0; i < nombres.size(); ++i) {
                ejecuta(q, creaciones[i], destino);
                const qint64 filas = copiaTabla(lectura, nombres[i], db, nombres[i], 0, {});
                copiadas << Tabla {nombres[i], filas};
            }
            if (!db.commit())
                throw errorEscritura(destino, db.lastError().text());
        }
        // Make the content durable before it takes the final name.
        QFile archivo(temporal);
        if (!archivo.open(QIODevice::ReadWrite))
            throw errorEscritura(destino, archivo.errorString());
        if (!archivo.flush())
            throw errorEscritura(destino, archivo.errorString());
#ifdef Q_OS_UNIX
        ::fsync(archivo.handle());
#endif
        archivo.close();
        if (!QFile::rename(temporal, destino))
            throw errorEscritura(destino, QStringLiteral("no se pudo dar su nombre al archivo importado"));
        Permisos::soloDueno(destino); // it holds the passwords
    } catch (...) {
        QFile::remove(temporal);
        throw;
    }
    return copiadas;
}

bool ImportadorAccess::importaOficina(const QString &carpetaDatos, Dialogos &dialogos)
{
    const QDir carpeta(carpetaDatos);
    if (QFileInfo::exists(carpeta.filePath(Conexion::nombreArchivo())))
        return false;
    // The Access file as the office named it, in any letter case.
    QString mdb;
    const QStringList candidatos = carpeta.entryList({QStringLiteral("*.mdb")}, QDir::Files);
    for (const QString &nombre : candidatos)
        if (nombre.compare(QStringLiteral("Prevalida.mdb"), Qt::CaseInsensitive) == 0)
            mdb = carpeta.filePath(nombre);
    if (mdb.isEmpty())
        return false;
    try {
        // Only an office database: its configuration record comes along.
        if (BaseAccess(mdb).busca(QStringLiteral("PARAMETROS")).isEmpty())
            throw ErrorTendal(ErrorTendal::TablaNoEncontrada,
                              QStringLiteral("%1 no tiene la tabla PARAMETROS").arg(QDir::toNativeSeparators(mdb)));
        importa(mdb, carpeta.filePath(Conexion::nombreArchivo()));
    } catch (const ErrorTendal &e) {
        throw ErrorTendal(e.numero(), QStringLiteral("La base de datos de la oficina no se pudo importar a %1.\r\n%2")
                                          .arg(Conexion::nombreArchivo(), e.descripcion()));
    }
    dialogos.mensaje(QStringLiteral("La base de datos %1 se importó a %2.\r\nEl archivo %3 se conserva sin cambios.")
                         .arg(QFileInfo(mdb).fileName(), Conexion::nombreArchivo(), QFileInfo(mdb).fileName()),
                     Dialogos::nombreProducto(), Dialogos::Icono::Informacion, Dialogos::Botones::Aceptar);
    return true;
}
