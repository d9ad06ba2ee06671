#include "core/catalogo/InstalacionCatalogo.h"

#include "core/access/BaseAccess.h"
#include "core/access/ImportadorAccess.h"
#include "core/base/ErrorTendal.h"
#include "core/db/Conexion.h"
#include "core/db/Esquema.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>

#include <optional>

namespace {

const QString kAlias = QStringLiteral("actualizacion");
// Rows copied between two reports of the progress.
constexpr qint64 kTramo = 10000;

QString comillas(const QString &nombre)
{
    QString n = nombre;
    return u'"' + n.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

bool esSqlite(const QString &ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) && f.read(16) == QByteArray("SQLite format 3\0", 16);
}

ErrorTendal faltaTabla(const QString &tabla)
{
    return ErrorTendal(ErrorTendal::TablaNoEncontrada,
                       QStringLiteral("La actualización del catálogo no contiene la tabla %1").arg(tabla));
}

ErrorTendal noSeLee(const QString &detalle)
{
    return ErrorTendal(
        InstalacionCatalogo::kNoValida,
        QStringLiteral("La base de datos de la actualización del catálogo no se puede leer: %1").arg(detalle));
}

// The update database attached to the connection for as long as it is needed.
class Adjunta
{
public:
    Adjunta(const Conexion &conexion, const QString &ruta)
        : m_conexion(conexion)
    {
        m_conexion.ejecuta(QStringLiteral("ATTACH DATABASE ? AS %1").arg(kAlias), {ruta});
    }
    ~Adjunta()
    {
        try {
            m_conexion.ejecuta(QStringLiteral("DETACH DATABASE %1").arg(kAlias));
        } catch (const ErrorTendal &) {
        }
    }

private:
    const Conexion &m_conexion;
};

// The name of each table in the update, found without regard to case.
QStringList nombresEnOrigen(const QStringList &tablas, const QStringList &existentes)
{
    QStringList origen;
    for (const QString &tabla : tablas) {
        const auto it = std::find_if(existentes.cbegin(), existentes.cend(),
                                     [&](const QString &e) { return e.compare(tabla, Qt::CaseInsensitive) == 0; });
        if (it == existentes.cend())
            throw faltaTabla(tabla);
        origen << *it;
    }
    return origen;
}

// Copies an attached SQLite table in stretches of kTramo rows, in rowid
// order, reporting after each.
void copiaSqlite(const Conexion &conexion, const QString &destino, const QString &fuente,
                 const std::function<void(qint64)> &copiadas)
{
    QList<qint64> cortes; // first rowid of every stretch
    try {
        QSqlQuery q = conexion.ejecuta(QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid").arg(fuente));
        for (qint64 i = 0; q.next(); ++i)
            if (i % kTramo == 0)
                cortes << q.value(0).toLongLong();
    } catch (const ErrorTendal &) {
        // A table without rowid: copied in one statement.
        copiadas(conexion.ejecuta(QStringLiteral("INSERT INTO main.%1 SELECT * FROM %2").arg(destino, fuente))
                     .numRowsAffected());
        return;
    }
    qint64 filas = 0;
    const QString sql = QStringLiteral("INSERT INTO main.%1 SELECT * FROM %2 WHERE rowid >= ? AND rowid < ? "
                                       "ORDER BY rowid")
                            .arg(destino, fuente);
    for (qsizetype i = 0; i < cortes.size(); ++i) {
        const qint64 hasta = i + 1 < cortes.size() ? cortes[i + 1] : std::numeric_limits<qint64>::max();
        filas += conexion.ejecuta(sql, {cortes[i], hasta}).numRowsAffected();
        copiadas(filas);
    }
}

} // namespace

InstalacionCatalogo::InstalacionCatalogo(QString baseDatos)
    : InstalacionCatalogo(std::move(baseDatos), Esquema::tablasCatalogo())
{
}

InstalacionCatalogo::InstalacionCatalogo(QString baseDatos, QStringList tablas)
    : m_baseDatos(std::move(baseDatos))
    , m_tablas(std::move(tablas))
{
}

void InstalacionCatalogo::instala(const QString &ruta, qint32 version)
{
    const bool sqlite = esSqlite(ruta);
    std::optional<BaseAccess> access;
    if (!sqlite) {
        if (!BaseAccess::esAccess(ruta))
            throw ErrorTendal(kNoValida,
                              QStringLiteral("El archivo de actualización del catálogo no contiene una base de datos"));
        access.emplace(ruta);
    }

    const auto conexion = Conexion::abreArchivo(m_baseDatos);

    // Every table is there before anything changes; with its columns and
    // its number of rows.
    std::optional<Adjunta> adjunta;
    QStringList origen;
    QList<QStringList> columnas;
    QList<qint64> totales;
    if (sqlite) {
        QStringList existentes;
        try {
            adjunta.emplace(*conexion, ruta);
            QSqlQuery q = conexion->ejecuta(
                QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type = 'table'").arg(kAlias));
            while (q.next())
                existentes << q.value(0).toString();
        } catch (const ErrorTendal &e) {
            throw noSeLee(e.descripcion());
        }
        origen = nombresEnOrigen(m_tablas, existentes);
        for (const QString &tabla : std::as_const(origen)) {
            QStringList cols;
            QSqlQuery info = conexion->ejecuta(QStringLiteral("PRAGMA %1.table_info(%2)").arg(kAlias, comillas(tabla)));
            while (info.next()) {
                QString c = comillas(info.value(1).toString());
                if (!info.value(2).toString().isEmpty())
                    c += u' ' + info.value(2).toString();
                if (info.value(3).toInt() != 0)
                    c += QStringLiteral(" NOT NULL");
                if (!info.value(4).isNull())
                    c += QStringLiteral(" DEFAULT ") + info.value(4).toString();
                cols << c;
            }
            columnas << cols;
            QSqlQuery cuenta
                = conexion->ejecuta(QStringLiteral("SELECT COUNT(*) FROM %1.%2").arg(kAlias, comillas(tabla)));
            totales << (cuenta.next() ? cuenta.value(0).toLongLong() : 0);
        }
    } else {
        origen = nombresEnOrigen(m_tablas, access->tablas());
        for (const QString &tabla : std::as_const(origen)) {
            QStringList cols;
            for (const BaseAccess::Columna &c : access->columnas(tabla))
                cols << comillas(c.nombre) + u' ' + c.tipoSql();
            columnas << cols;
            totales << access->filas(tabla);
        }
    }

    Avance a;
    a.tablas = int(m_tablas.size());
    conexion->enTransaccion([&] {
        for (int i = 0; i < m_tablas.size(); ++i) {
            const QString destino = comillas(m_tablas[i]);
            a.tabla = i + 1;
            a.nombre = m_tablas[i];
            a.filas = 0;
            a.total = totales[i];
            if (avance)
                avance(a);
            const auto copiadas = [&](qint64 filas) {
                a.filas = filas;
                if (avance)
                    avance(a);
            };
            conexion->ejecuta(QStringLiteral("DROP TABLE IF EXISTS main.%1").arg(destino));
            conexion->ejecuta(
                QStringLiteral("CREATE TABLE main.%1 (%2)").arg(destino, columnas[i].join(QStringLiteral(", "))));
            if (sqlite)
                copiaSqlite(*conexion, destino, kAlias + u'.' + comillas(origen[i]), copiadas);
            else
                ImportadorAccess::copiaTabla(*access, origen[i], conexion->db(), m_tablas[i], kTramo, copiadas);
            if (trasTabla)
                trasTabla(i + 1);
        }
        for (const QString &indice : Esquema::indicesCatalogo()) {
            try {
                conexion->ejecuta(indice);
            } catch (const ErrorTendal &e) {
                static const QRegularExpression tabla(QStringLiteral("\\sON\\s+(\\w+)"));
                throw ErrorTendal(kNoValida, QStringLiteral("La tabla %1 de la actualización del catálogo no tiene las "
                                                            "columnas de sus búsquedas (%2)")
                                                 .arg(tabla.match(indice).captured(1), e.descripcion()));
            }
        }
        conexion->ejecuta(QStringLiteral("UPDATE PARAMETROS SET vererr = ? WHERE rowid = (SELECT rowid FROM "
                                         "PARAMETROS ORDER BY rowid LIMIT 1)"),
                          {version});
    });
}
