#include "cli/Comando.h"
#include "cli/DialogosConsola.h"
#include "core/base/ErrorTendal.h"
#include "core/db/HistorialDiario.h"
#include "core/oficina/Programa.h"
#include "core/reportes/DestinoFlujo.h"
#include "core/reportes/GeneradorReporte.h"
#include "core/reportes/TipoRespuesta.h"

// tendal reporte NOMBRE [--titulo TEXTO]: the revision report of a response
// file, built as the main window builds it, written to standard output as
// it is built.
int comandoReporte(Comando &c)
{
    const bool conTitulo = c.args.contains(QStringLiteral("--titulo"));
    bool falta = false;
    const QString titulo = c.opcion(QStringLiteral("--titulo"), &falta);
    if (falta || c.args.size() != 1 || c.args.first().startsWith(QStringLiteral("--")))
        return c.uso(QStringLiteral("reporte NOMBRE [--titulo TEXTO]"));
    const QString nombre = c.args.first();
    if (TipoRespuesta::reconoce(nombre).clase() == TipoRespuesta::Clase::Ninguna) {
        c.err << QStringLiteral("%1 no es un archivo de respuesta que el programa conozca: los reportes son de las "
                                "respuestas de prevalidación y de validación (por ejemplo k0123001.045 o "
                                "M0123001.err).")
                     .arg(nombre)
              << Qt::endl;
        return 2;
    }

    DialogosConsola dialogos(c.err, c.si);
    const auto abierto = c.abrePrograma(dialogos);
    if (!abierto)
        return 1;
    Programa &programa = *abierto;
    DestinoFlujo destino(c.out);
    // The file in the reception folder of its kind or, where this
    // workstation does not have it, the latest response of the name that
    // the office's journal holds.
    qint64 respuesta = 0;
    try {
        if (const auto r = HistorialDiario(programa.conexion()).ultimaRespuesta(nombre))
            respuesta = r->id;
    } catch (const ErrorTendal &) {
        // the report says the file is missing
    }
    const bool completo = GeneradorReporte(programa).Genera_Reporte(
        conTitulo ? titulo : GeneradorReporte::tituloRevision(), nombre, destino, {}, respuesta);
    return completo ? 0 : 1;
}
