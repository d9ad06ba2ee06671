#include "cli/Comando.h"
#include "cli/DialogosConsola.h"
#include "core/oficina/Programa.h"
#include "core/recepcion/CicloRecepcion.h"

#include <QCoro/QCoroTask>
#include <QDeadlineTimer>

#include <chrono>

// tendal recibir [--espera SEGUNDOS]: the receive cycle on the stored
// reception list, headless. The first tick runs at once, the next ones every
// 5 s as in the window, until the list is empty or the wait runs out. One
// line per response received: its state in the send list ("K" prevalidation,
// "R" validation), its name and where it was stored.
int comandoRecibir(Comando &c)
{
    bool falta = false;
    const QString textoEspera = c.opcion(QStringLiteral("--espera"), &falta);
    bool ok = true;
    const int espera = textoEspera.isEmpty() ? 60 : textoEspera.toInt(&ok);
    if (falta || !ok || espera < 0 || !c.args.isEmpty())
        return c.uso(QStringLiteral("recibir [--espera SEGUNDOS]"));

    DialogosConsola dialogos(c.err, c.si);
    const auto abierto = c.abrePrograma(dialogos);
    if (!abierto)
        return 1;
    Programa &programa = *abierto;
    ListaRecepcion &lista = programa.listaRecepcion();
    if (lista.cuenta() == 0) {
        c.out << QStringLiteral("No hay archivos en espera de respuesta.") << Qt::endl;
        return 0;
    }

    CicloRecepcion ciclo(programa);
    c.informaRecepcion(ciclo);

    // The wait counts from the start: the first tick is in it too.
    ciclo.fijaPlazo(QDeadlineTimer(std::chrono::seconds(espera)));
    QCoro::waitFor(ciclo.tick());
    if (lista.cuenta() > 0 && espera > 0)
        QCoro::waitFor(ciclo.esperaRespuestas(std::chrono::seconds(espera)));

    const int quedan = lista.cuenta();
    if (quedan > 0) {
        c.err << concuerda(quedan,
                           "Queda %1 archivo en espera de respuesta; se recoge con otro «tendal recibir» o desde la "
                           "ventana principal.",
                           "Quedan %1 archivos en espera de respuesta; se recogen con otro «tendal recibir» o desde "
                           "la ventana principal.")
              << Qt::endl;
        return 1;
    }
    return 0;
}
