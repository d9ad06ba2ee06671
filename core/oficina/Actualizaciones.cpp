#include "core/oficina/Actualizaciones.h"

#include "core/db/Conexion.h"
#include "core/db/RsConsulta.h"
#include "core/db/RsParametros.h"

namespace Actualizaciones {

QString columnaDeCampo(int campo)
{
    static const char *const kColumnas[] = {
        nullptr,       "rasoc",     "yex_valin",  "yex_valout", "yex_valresp", "yex_pagin", "yex_pagout", "yex_pagin1",
        "yex_pagout1", "yex_sagin", "yex_sagout", "yex_update", "PassFTP",     "Password",  "yex_apiin",  "yex_apiout",
    };
    if (campo < 1 || campo > 15)
        return {};
    return QString::fromLatin1(kColumnas[campo]);
}

int Aplica_Actualizaciones(const Conexion &conexion, RsParametros &rs, const QDate &hoy)
{
    const QString limite = hoy.toString(Qt::ISODate);
    int aplicadas = 0;
    try {
        conexion.enTransaccion([&] {
            RsConsulta filas(conexion);
            filas.abre(QStringLiteral("SELECT rowid AS fila, CAMPO, VALOR FROM ACTUALIZACIONES "
                                      "WHERE FECHA IS NOT NULL AND date(FECHA) <= date(?) ORDER BY date(FECHA), rowid"),
                       {limite});
            QVariantList borrar;
            for (filas.primero(); !filas.eof(); filas.siguiente()) {
                const QString columna = columnaDeCampo(filas.valor(QStringLiteral("CAMPO")).toInt());
                if (!columna.isEmpty())
                    rs.asigna(columna, filas.valor(QStringLiteral("VALOR")).toString());
                borrar << filas.valor(QStringLiteral("fila"));
            }
            for (const QVariant &fila : borrar)
                conexion.ejecuta(QStringLiteral("DELETE FROM ACTUALIZACIONES WHERE rowid = ?"), {fila});
            rs.guarda();
            aplicadas = int(borrar.size());
        });
    } catch (...) {
        rs.abre(); // nothing was stored: drop the assignments too
        throw;
    }
    return aplicadas;
}

} // namespace Actualizaciones
