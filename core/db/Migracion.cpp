#include "core/db/Migracion.h"

#include "core/base/ErrorTendal.h"
#include "core/db/Conexion.h"
#include "core/db/Dialecto.h"
#include "core/db/Esquema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// Columns of a table as the connection's engine names them.
QStringList columnas(const Conexion &conexion, const QString &tabla)
{
    QSqlQuery q = conexion.ejecuta(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(tabla));
    const QSqlRecord r = q.record();
    QStringList nombres;
    for (int i = 0; i < r.count(); ++i)
        nombres << r.fieldName(i);
    return nombres;
}

// The tables whose ids are copied and then continue from the largest.
const QList<std::pair<const char *, const char *>> kClaves = {
    {"PARAMETROS", "rowid"}, {"ACTUALIZACIONES", "rowid"}, {"TRANSMISION", "ID"},
    {"RESPUESTA", "ID"},     {"COLA_ENVIO", "ID"},
};

} // namespace

QStringList Migracion::tablasOficina()
{
    QStringList tablas
        = {QStringLiteral("PARAMETROS"), QStringLiteral("ACTUALIZACIONES"), QStringLiteral("TIPO_ERRORES")};
    tablas << Esquema::tablasCatalogo();
    tablas << QStringLiteral("DIARIO_VERSION") << QStringLiteral("TRANSMISION") << QStringLiteral("RESPUESTA")
           << QStringLiteral("RESPUESTA_CONTENIDO") << QStringLiteral("PEDIMENTO") << QStringLiteral("COLA_ENVIO");
    return tablas;
}

qint64 Migracion::copiaTabla(const Conexion &origen, const Conexion &destino, const QString &tabla)
{
    const QStringList enDestino = columnas(destino, tabla);
    QStringList comunes;
    for (const QString &c : columnas(origen, tabla))
        for (const QString &d : enDestino)
            if (c.compare(d, Qt::CaseInsensitive) == 0)
                comunes << c;
    // The row key the file keeps implicitly comes along where the server has it.
    if (enDestino.contains(QStringLiteral("rowid"), Qt::CaseInsensitive)
        && !comunes.contains(QStringLiteral("rowid"), Qt::CaseInsensitive))
        comunes.prepend(QStringLiteral("rowid"));
    if (comunes.isEmpty())
        return 0;
    const QString lista = comunes.join(QStringLiteral(", "));
    QSqlQuery filas = origen.ejecuta(QStringLiteral("SELECT %1 FROM %2").arg(lista, tabla));
    QSqlQuery insercion(destino.db());
    if (!insercion.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                               .arg(tabla, lista, QStringList(comunes.size(), QStringLiteral("?")).join(u','))))
        throw ErrorTendal(ErrorTendal::BaseDeDatos, insercion.lastError().text());
    qint64 n = 0;
    while (filas.next()) {
        for (int i = 0; i < comunes.size(); ++i)
            insercion.bindValue(i, filas.value(i));
        if (!insercion.exec())
            throw ErrorTendal(ErrorTendal::BaseDeDatos,
                              QStringLiteral("No se pudo copiar la fila %1 de la tabla %2: %3")
                                  .arg(n + 1)
                                  .arg(tabla, insercion.lastError().text()));
        ++n;
    }
    // Rows that stopped coming (a read that failed) are not a whole table.
    if (filas.lastError().isValid())
        throw ErrorTendal(ErrorTendal::BaseDeDatos, QStringLiteral("No se pudo leer la fila %1 de la tabla %2: %3")
                                                        .arg(n + 1)
                                                        .arg(tabla, filas.lastError().text()));
    return n;
}

QList<Migracion::Tabla> Migracion::copia(const Conexion &origen, const Conexion &destino)
{
    QList<Tabla> copiadas;
    destino.enTransaccion([&] {
        for (const QString &tabla : tablasOficina()) {
            // A new office's schema already holds its first rows (the change
            // number): the copy's take their place.
            destino.ejecuta(QStringLiteral("DELETE FROM %1").arg(tabla));
            copiadas << Tabla {tabla, copiaTabla(origen, destino, tabla)};
        }
        const QString ajusta = destino.dialecto().ajustaSecuencia;
        if (!ajusta.isEmpty())
            for (const auto &[tabla, clave] : kClaves)
                destino.ejecuta(ajusta.arg(QLatin1StringView(tabla).toString().toLower(),
                                           QLatin1StringView(clave).toString().toLower()));
    });
    return copiadas;
}
