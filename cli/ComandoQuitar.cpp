#include "cli/Comando.h"
#include "cli/DialogosConsola.h"
#include "core/oficina/Programa.h"
#include "core/principal/Principal.h"
#include "core/recepcion/CicloRecepcion.h"

// tendal quitar NOMBRE [--si]: removes a file from the send list (while it
// waits to be sent) or from the reception list, through the same operations
// as the main window's removal buttons, question included.
int comandoQuitar(Comando &c)
{
    if (c.args.size() != 1 || c.args.first().startsWith(QStringLiteral("--")))
        return c.uso(QStringLiteral("quitar NOMBRE [--si]"));
    const QString nombre = c.args.first();

    DialogosConsola dialogos(c.err, c.si);
    const auto abierto = c.abrePrograma(dialogos);
    if (!abierto)
        return 1;
    Programa &programa = *abierto;
    CicloRecepcion ciclo(programa);
    Principal principal(programa, ciclo);
    const auto mismo = [&](const QString &otro) {
        return otro.compare(nombre, Qt::CaseInsensitive) == 0;
    };

    ListaEnvio &envio = programa.listaEnvio();
    for (int i = 0; i < envio.cuenta(); ++i) {
        if (mismo(envio.celda(i, ListaEnvio::Nombre)) && envio.celda(i, ListaEnvio::Estado) == u"E") {
            const int antes = envio.cuenta();
            principal.quitaEnvio(i);
            return envio.cuenta() < antes && !dialogos.huboError() ? 0 : 1;
        }
    }
    ListaRecepcion &recepcion = programa.listaRecepcion();
    for (int i = 0; i < recepcion.cuenta(); ++i) {
        if (mismo(recepcion.celda(i, ListaRecepcion::Nombre))) {
            const int antes = recepcion.cuenta();
            principal.quitaRecepcion(i);
            ciclo.deshabilita(); // nothing polls from here
            return recepcion.cuenta() < antes && !dialogos.huboError() ? 0 : 1;
        }
    }
    c.err << QStringLiteral("%1 no está en la lista de envío (en espera de enviarse) ni en la lista de recepción.")
                 .arg(nombre)
          << Qt::endl;
    return 1;
}
