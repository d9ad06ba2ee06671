#include "core/catalogo/InstalacionCatalogo.h"

#include "core/access/BaseAccess.h"
#include "core/access/ImportadorAccess.h"
#include "core/access/LecturaAdelantada.h"
#include "core/base/ErrorTendal.h"
#include "core/db/Conexion.h"
#include "core/db/Dialecto.h"
#include "core/db/Esquema.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

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

// An SQLite update is checked whole before anything changes: a file cut
// short or with a page written over reads as rows of nothing, which would be
// installed as the catalogue. The reason names the update, never the office.
void compruebaSqlite(const QString &ruta)
{
    QStringList problemas;
    try {
        const auto lectura = Conexion::abreLectura(ruta);
        QSqlQuery q(lectura->db());
        if (!q.exec(QStringLiteral("PRAGMA quick_check(3)")))
            problemas << q.lastError().text().trimmed();
        while (q.next())
            problemas << q.value(0).toString();
    } catch (const ErrorTendal &e) {
        problemas << e.descripcion();
    }
    if (problemas != QStringList {QStringLiteral("ok")})
        throw ErrorTendal(InstalacionCatalogo::kNoValida,
                          QStringLiteral("La base de datos de la actualización del catálogo %1 está dañada: %2")
                              .arg(QDir::toNativeSeparators(ruta), problemas.join(QStringLiteral("; "))));
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

// Copies a table of another connection row by row, reporting every kTramo rows.
void copiaFilas(const Conexion &fuente, const QString &tabla, const Conexion &destino, const QString &nueva,
                const std::function<void(qint64)> &copiadas)
{
    QSqlQuery filas = fuente.ejecuta(QStringLiteral("SELECT * FROM %1").arg(tabla));
    const int n = filas.record().count();
    QSqlQuery insercion(destino.db());
    if (!insercion.prepare(
            QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(nueva, QStringList(n, QStringLiteral("?")).join(u','))))
        throw ErrorTendal(ErrorTendal::BaseDeDatos, insercion.lastError().text());
    qint64 copiadasYa = 0;
    while (filas.next()) {
        for (int i = 0; i < n; ++i)
            insercion.bindValue(i, filas.value(i));
        if (!insercion.exec())
            throw ErrorTendal(ErrorTendal::BaseDeDatos, insercion.lastError().text());
        if (++copiadasYa % kTramo == 0)
            copiadas(copiadasYa);
    }
    copiadas(copiadasYa);
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
    } else {
        compruebaSqlite(ruta);
    }
    // Every table is there before anything changes; with its columns and
    // its number of rows.
    QStringList origen;
    QList<qint64> totales;
    // An Access update's rows start coming right away, read ahead (on a
    // thread of its own) while the local tables are made and written.
    QList<QList<BaseAccess::Columna>> definiciones;
    std::optional<LecturaAdelantada> lecturaAccess;
    if (access) {
        origen = nombresEnOrigen(m_tablas, access->tablas());
        for (const QString &tabla : std::as_const(origen)) {
            definiciones << access->columnas(tabla);
            totales << access->filas(tabla);
        }
        lecturaAccess.emplace(*access, origen);
    }

    const auto conexion = Conexion::abreArchivo(m_baseDatos);
    // The dropped tables hold the previous catalogue, nothing secret: their
    // freed pages are not written over one by one (SQLite as built here
    // zeroes every freed page, which doubles the writes of a drop).
    if (!conexion->enServidor())
        conexion->ejecuta(QStringLiteral("PRAGMA secure_delete = FAST"));
    // The file's catalogue is replaced from the update attached to its own
    // connection; a server reads the update through a connection of its own.
    const bool enServidor = conexion->enServidor();
    std::unique_ptr<Conexion> lectura;
    if (sqlite && enServidor) {
        try {
            lectura = Conexion::abreLectura(ruta);
        } catch (const ErrorTendal &e) {
            throw noSeLee(e.descripcion());
        }
    }
    const Conexion &fuente = lectura ? *lectura : *conexion;
    const QString esquema = lectura ? QStringLiteral("main") : kAlias;

    std::optional<Adjunta> adjunta;
    QList<QStringList> columnas;
    // Column names on a server: unquoted, as its queries name them.
    const auto columna = [&](const QString &nombre) {
        return comillas(enServidor ? nombre.toLower() : nombre);
    };
    if (sqlite) {
        QStringList existentes;
        try {
            if (!lectura)
                adjunta.emplace(*conexion, ruta);
            QSqlQuery q
                = fuente.ejecuta(QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type = 'table'").arg(esquema));
            while (q.next())
                existentes << q.value(0).toString();
        } catch (const ErrorTendal &e) {
            throw noSeLee(e.descripcion());
        }
        origen = nombresEnOrigen(m_tablas, existentes);
        for (const QString &tabla : std::as_const(origen)) {
            QStringList cols;
            QSqlQuery info = fuente.ejecuta(QStringLiteral("PRAGMA %1.table_info(%2)").arg(esquema, comillas(tabla)));
            while (info.next()) {
                QString c = columna(info.value(1).toString());
                if (!info.value(2).toString().isEmpty())
                    c += u' ' + info.value(2).toString();
                else if (enServidor)
                    c += QStringLiteral(" TEXT"); // a server's column always has a type
                if (info.value(3).toInt() != 0)
                    c += QStringLiteral(" NOT NULL");
                if (!info.value(4).isNull())
                    c += QStringLiteral(" DEFAULT ") + info.value(4).toString();
                cols << c;
            }
            columnas << cols;
            QSqlQuery cuenta
                = fuente.ejecuta(QStringLiteral("SELECT COUNT(*) FROM %1.%2").arg(esquema, comillas(tabla)));
            totales << (cuenta.next() ? cuenta.value(0).toLongLong() : 0);
        }
    } else {
        for (const QList<BaseAccess::Columna> &definicion : std::as_const(definiciones)) {
            QStringList cols;
            for (const BaseAccess::Columna &c : definicion)
                cols << columna(c.nombre) + u' ' + c.tipoSql();
            columnas << cols;
        }
    }

    Avance a;
    a.tablas = int(m_tablas.size());
    conexion->enTransaccion([&] {
        for (int i = 0; i < m_tablas.size(); ++i) {
            // On a server each table is filled under a new name beside the
            // installed one, which readers keep using until the end.
            const QString destino
                = enServidor ? m_tablas[i].toLower() + QStringLiteral("_nueva") : comillas(m_tablas[i]);
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
            const QString prefijo = enServidor ? QString() : QStringLiteral("main.");
            conexion->ejecuta(QStringLiteral("DROP TABLE IF EXISTS %1%2").arg(prefijo, destino));
            conexion->ejecuta(
                conexion->dialecto().adapta(QStringLiteral("CREATE TABLE %1%2 (%3)")
                                                .arg(prefijo, destino, columnas[i].join(QStringLiteral(", ")))));
            if (sqlite && !enServidor)
                copiaSqlite(*conexion, destino, kAlias + u'.' + comillas(origen[i]), copiadas);
            else if (sqlite)
                copiaFilas(fuente, comillas(origen[i]), *conexion, destino, copiadas);
            else
                ImportadorAccess::copiaTabla(*lecturaAccess, origen[i], conexion->db(),
                                             enServidor ? destino : m_tablas[i], kTramo, copiadas);
            if (trasTabla)
                trasTabla(i + 1);
        }
        if (enServidor) {
            // The installed tables give way to the new ones at the very end:
            // a reader waits for this moment only, then reads the new ones.
            for (const QString &tabla : std::as_const(m_tablas)) {
                conexion->ejecuta(QStringLiteral("DROP TABLE IF EXISTS %1").arg(tabla.toLower()));
                conexion->ejecuta(QStringLiteral("ALTER TABLE %1_nueva RENAME TO %1").arg(tabla.toLower()));
            }
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
