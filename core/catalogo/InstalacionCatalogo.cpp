#include "core/catalogo/InstalacionCatalogo.h"

#include "core/access/BaseAccess.h"
#include "core/access/ImportadorAccess.h"
#include "core/db/Conexion.h"
#include "core/base/ErrorTendal.h"
#include "core/db/Esquema.h"
#include "core/db/RsParametros.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>

#include <optional>

namespace {

const QString kAlias = QStringLiteral("actualizacion");

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

// Removes a file on every way out.
struct ArchivoTemporal {
    QString ruta;
    ~ArchivoTemporal()
    {
        if (!ruta.isEmpty())
            QFile::remove(ruta);
    }
};

} // namespace

InstalacionCatalogo::InstalacionCatalogo(const Conexion &conexion, RsParametros &parametros)
    : InstalacionCatalogo(conexion, parametros, Esquema::tablasCatalogo())
{
}

InstalacionCatalogo::InstalacionCatalogo(const Conexion &conexion, RsParametros &parametros, QStringList tablas)
    : m_conexion(conexion)
    , m_parametros(parametros)
    , m_tablas(std::move(tablas))
{
}

void InstalacionCatalogo::instala(const QString &ruta, qint32 version)
{
    if (esSqlite(ruta)) {
        instalaDesdeSqlite(ruta, version);
        return;
    }
    if (!BaseAccess::esAccess(ruta))
        throw ErrorTendal(kNoValida,
                          QStringLiteral("El archivo de actualización del catálogo no contiene una base de datos"));

    {
        const BaseAccess base(ruta);
        for (const QString &tabla : std::as_const(m_tablas))
            if (base.busca(tabla).isEmpty())
                throw faltaTabla(tabla);
    }
    ArchivoTemporal copia {ruta + QStringLiteral(".db")};
    QFile::remove(copia.ruta);
    ImportadorAccess::importa(ruta, copia.ruta, m_tablas);
    instalaDesdeSqlite(copia.ruta, version);
}

void InstalacionCatalogo::instalaDesdeSqlite(const QString &ruta, qint32 version)
{
    // The tables of the update as it names them.
    std::optional<Adjunta> adjunta;
    QStringList existentes;
    try {
        adjunta.emplace(m_conexion, ruta);
        QSqlQuery q
            = m_conexion.ejecuta(QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type = 'table'").arg(kAlias));
        while (q.next())
            existentes << q.value(0).toString();
    } catch (const ErrorTendal &e) {
        throw ErrorTendal(kNoValida,
                          QStringLiteral("La base de datos de la actualización del catálogo no se puede leer: %1")
                              .arg(e.descripcion()));
    }
    QStringList origen;
    for (const QString &tabla : std::as_const(m_tablas)) {
        const auto it = std::find_if(existentes.cbegin(), existentes.cend(),
                                     [&](const QString &e) { return e.compare(tabla, Qt::CaseInsensitive) == 0; });
        if (it == existentes.cend())
            throw faltaTabla(tabla);
        origen << *it;
    }

    try {
        m_conexion.enTransaccion([&] {
            for (int i = 0; i < m_tablas.size(); ++i) {
                const QString destino = comillas(m_tablas[i]);
                const QString fuente = kAlias + u'.' + comillas(origen[i]);
                QStringList columnas;
                QSqlQuery info
                    = m_conexion.ejecuta(QStringLiteral("PRAGMA %1.table_info(%2)").arg(kAlias, comillas(origen[i])));
                while (info.next()) {
                    QString c = comillas(info.value(1).toString());
                    if (!info.value(2).toString().isEmpty())
                        c += u' ' + info.value(2).toString();
                    if (info.value(3).toInt() != 0)
                        c += QStringLiteral(" NOT NULL");
                    if (!info.value(4).isNull())
                        c += QStringLiteral(" DEFAULT ") + info.value(4).toString();
                    columnas << c;
                }
                m_conexion.ejecuta(QStringLiteral("DROP TABLE IF EXISTS main.%1").arg(destino));
                m_conexion.ejecuta(
                    QStringLiteral("CREATE TABLE main.%1 (%2)").arg(destino, columnas.join(QStringLiteral(", "))));
                m_conexion.ejecuta(QStringLiteral("INSERT INTO main.%1 SELECT * FROM %2").arg(destino, fuente));
                if (trasTabla)
                    trasTabla(i + 1);
            }
            for (const QString &indice : Esquema::indicesCatalogo()) {
                try {
                    m_conexion.ejecuta(indice);
                } catch (const ErrorTendal &e) {
                    static const QRegularExpression tabla(QStringLiteral("\\sON\\s+(\\w+)"));
                    throw ErrorTendal(kNoValida,
                                      QStringLiteral("La tabla %1 de la actualización del catálogo no tiene las "
                                                     "columnas de sus búsquedas (%2)")
                                          .arg(tabla.match(indice).captured(1), e.descripcion()));
                }
            }
            m_parametros.asigna(QStringLiteral("vererr"), version);
            m_parametros.guarda();
        });
    } catch (...) {
        m_parametros.abre(); // the record in memory as the database kept it
        throw;
    }
}
