#include "cli/Comando.h"
#include "cli/DialogosSinBucle.h"
#include "cli/DialogosConsola.h"
#include "core/oficina/Programa.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Huella.h"
#include "core/base/Vb.h"
#include "core/envio/ReglaEnvio.h"
#include "core/recepcion/CicloRecepcion.h"
#include "core/principal/Principal.h"
#include "core/principal/ComandosBarra.h"
#include "core/envio/EnvioArchivos.h"

#include <QCoro/QCoroTask>
#include <QDir>
#include <QMap>
#include <QSet>

#include <optional>

#include <algorithm>
#include <chrono>

namespace {

// The file already waits to be sent, or was sent and waits for its responses.
bool yaEnLista(Programa &programa, const QString &nombre)
{
    const ListaEnvio &envio = programa.listaEnvio();
    for (int i = 0; i < envio.cuenta(); ++i)
        if (envio.celda(i, ListaEnvio::Estado) == u"E"
            && envio.celda(i, ListaEnvio::Nombre).compare(nombre, Qt::CaseInsensitive) == 0)
            return true;
    const ListaRecepcion &recepcion = programa.listaRecepcion();
    for (int i = 0; i < recepcion.cuenta(); ++i)
        if (recepcion.celda(i, ListaRecepcion::Nombre).compare(nombre, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The file was sent and waits for its responses.
bool enRecepcion(Programa &programa, const QString &nombre)
{
    const ListaRecepcion &recepcion = programa.listaRecepcion();
    for (int i = 0; i < recepcion.cuenta(); ++i)
        if (recepcion.celda(i, ListaRecepcion::Nombre).compare(nombre, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Files that wait in the send list ("E"), of any day.
int enCola(Programa &programa)
{
    const ListaEnvio &envio = programa.listaEnvio();
    int n = 0;
    for (int i = 0; i < envio.cuenta(); ++i)
        n += envio.celda(i, ListaEnvio::Estado) == u"E" ? 1 : 0;
    return n;
}

// Files of the day that still wait in the send list after the send (not
// sent: a question answered No, a password not given, an error).
int pendientesDelDia(Programa &programa)
{
    // Files another program sent meanwhile left the journal's queue.
    programa.refrescaListas();
    const ListaEnvio &envio = programa.listaEnvio();
    int n = 0;
    for (int i = 0; i < envio.cuenta(); ++i) {
        const QString dia = envio.celda(i, ListaEnvio::Nombre).right(3);
        // A file another program is sending is not left unsent.
        if (envio.celda(i, ListaEnvio::Estado) == u"E" && Vb::esNumerico(dia)
            && Vb::largo(dia) == programa.valores().DiaJuliano && !programa.diario().reclamada(envio.clave(i).id))
            ++n;
    }
    return n;
}

// The moment (local time) the server already accepted the bytes of a file of
// the day, as it lies in its send folder; nothing when it never did.
std::optional<QDateTime> yaEnviado(Programa &programa, const QString &nombre)
{
    const ReglaEnvio *regla = ReglaEnvio::de(nombre, true);
    if (!regla)
        return std::nullopt;
    try {
        const Huella huella = Huella::deArchivo(QDir(programa.campos().texto(regla->campoEnvio)).filePath(nombre));
        const auto antes = programa.diario().aceptadoAntes(nombre, huella.sha256());
        if (antes)
            return antes->toLocalTime();
    } catch (const ErrorTendal &) {
        // Unreadable here: the send reports it.
    }
    return std::nullopt;
}

} // namespace

// tendal enviar [NOMBRE ...] [--sin-espera] [--espera SEGUNDOS]: with names,
// adds the named files to the send list as typed names and sends those
// only; the rest of the send list stays queued. With no names, every julian
// file of the day of the four types found in their send folders is added
// and every file of the day in the send list is sent. A file that already
// waits in the send list or for its responses is not added again. Then it
// runs the send command of the tool bar and, unless --sin-espera, the
// receive cycle until every response is in or the wait (600 s) runs out.
// One line per file sent, per named file not sent (and why) and per
// response received. Exits non-zero when an error was shown, a named file
// was not sent, or (with no names) a file of the day was left unsent.
int comandoEnviar(Comando &c)
{
    bool falta = false;
    const bool sinEspera = c.bandera(QStringLiteral("--sin-espera"));
    const QString textoEspera = c.opcion(QStringLiteral("--espera"), &falta);
    bool ok = true;
    const int espera = textoEspera.isEmpty() ? 600 : textoEspera.toInt(&ok);
    const bool opcionDesconocida
        = std::any_of(c.args.cbegin(), c.args.cend(), [](const QString &a) { return a.startsWith(u'-'); });
    if (falta || !ok || espera < 0 || opcionDesconocida)
        return c.uso(QStringLiteral("enviar [NOMBRE ...] [--sin-espera] [--espera SEGUNDOS] [--si]"));

    DialogosConsola consola(c.err, c.si);
    DialogosSinBucle dialogos(consola);
    const auto abierto = c.abrePrograma(dialogos);
    if (!abierto)
        return 1;
    Programa &programa = *abierto;
    CicloRecepcion ciclo(programa);

    Principal principal(programa, ciclo);
    bool noEncontrado = false;
    bool ilegibles = false;
    // The named files the send takes, and why each one it does not take
    // or did not send was left (one line each).
    QStringList nombrados;
    QMap<QString, QString> motivos;
    const auto motivo = [&](const QString &nombre, const QString &porque) {
        if (!motivos.contains(nombre.toUpper()))
            motivos.insert(nombre.toUpper(), porque);
    };
    if (c.args.isEmpty()) {
        principal.inicia();
        for (int tipo = 0; tipo < Principal::entradas(Principal::Tipo).size(); ++tipo) {
            principal.elige(Principal::Tipo, tipo);
            // Its files whose names are not UTF-8 were told by the listing.
            ilegibles = ilegibles || !principal.listado().ilegibles().isEmpty();
            for (int fila = 0; fila < principal.archivos().cuenta(); ++fila) {
                const QString nombre = principal.archivos().nombre(fila);
                if (yaEnLista(programa, nombre))
                    continue;
                // Bytes already accepted by the server are left out; named
                // on the command line they are asked about.
                if (const auto antes = yaEnviado(programa, nombre)) {
                    c.err << QStringLiteral("El archivo %1 ya se envió el %2 a las %3; no se envía de nuevo.")
                                 .arg(nombre, antes->toString(QStringLiteral("dd/MM/yyyy")),
                                      antes->toString(QStringLiteral("hh:mm")))
                          << Qt::endl;
                    continue;
                }
                principal.agregaArchivo(fila);
            }
        }
    } else {
        for (const QString &nombre : std::as_const(c.args)) {
            if (nombrados.contains(nombre, Qt::CaseInsensitive))
                continue;
            if (enRecepcion(programa, nombre)) {
                motivo(nombre, QStringLiteral("ya está en la lista de recepción (se envió y espera sus respuestas)"));
                continue;
            }
            if (!yaEnLista(programa, nombre)) {
                principal.ponTexto(nombre);
                principal.busca();
                if (!principal.texto().isEmpty()) {
                    // The message said it is not in the send folders.
                    noEncontrado = true;
                    principal.ponTexto(QString());
                    continue;
                }
            }
            const QString dia = nombre.right(3);
            if (!Vb::esNumerico(dia) || Vb::entero(dia) != programa.valores().DiaJuliano) {
                motivo(nombre, QStringLiteral("no es un archivo de hoy (día %1); queda en la lista de envío")
                                   .arg(Vb::formato(programa.valores().DiaJuliano, QStringLiteral("000"))));
                continue;
            }
            if (!ReglaEnvio::de(nombre, true)) {
                motivo(nombre, QStringLiteral("no tiene regla de envío (ningún tipo de archivo empieza con «%1»)")
                                   .arg(nombre.left(1)));
                continue;
            }
            nombrados << nombre;
        }
    }

    ComandosBarra comandos(programa, ciclo);
    QSet<QString> enviados;
    QObject::connect(
        &comandos.envio(), &EnvioArchivos::archivoEnviado,
        [&c, &enviados](const QString &nombre, const QString &carpeta, const QString &prev, const QString &val) {
            enviados.insert(nombre.toUpper());
            QStringList respuestas;
            if (!prev.isEmpty())
                respuestas << prev;
            respuestas << val;
            c.out << QStringLiteral("%1 -> %2 (respuestas: %3)").arg(nombre, carpeta, respuestas.join(u", "))
                  << Qt::endl;
        });
    QObject::connect(&comandos.envio(), &EnvioArchivos::archivoNoEnviado, motivo);
    QObject::connect(&comandos.envio(), &EnvioArchivos::envioSinCifrar,
                     [&c](const QString &texto) { c.err << texto << Qt::endl; });
    c.informaRecepcion(ciclo);
    const bool conNombres = !c.args.isEmpty();
    bool nombradoSinEnviar = false;
    int sinEnviar = 0;
    if (conNombres) {
        // Only the named files go; nothing to send sends nothing.
        comandos.envio().soloArchivos(nombrados);
        if (!nombrados.isEmpty())
            QCoro::waitFor(comandos.Ejecuta_Comando(QStringLiteral("enviar")));
        QSet<QString> dichos; // one line for a name given twice
        for (const QString &nombre : std::as_const(c.args)) {
            if (enviados.contains(nombre.toUpper()) || dichos.contains(nombre.toUpper()))
                continue;
            dichos.insert(nombre.toUpper());
            nombradoSinEnviar = true;
            QString porque = motivos.value(nombre.toUpper());
            if (porque.isEmpty() && nombrados.contains(nombre, Qt::CaseInsensitive))
                porque = nombre.startsWith(u'E', Qt::CaseInsensitive) && !programa.valores().ClaveAceptada
                             ? QStringLiteral("no se confirmó la contraseña de pago electrónico")
                             : QStringLiteral("sigue en la lista de envío");
            if (!porque.isEmpty())
                c.err << QStringLiteral("%1 no se envió: %2.").arg(nombre, porque) << Qt::endl;
        }
        const int quedan = enCola(programa);
        if (quedan > 0)
            c.err << concuerda(quedan, "Queda %1 archivo en la lista de envío.",
                               "Quedan %1 archivos en la lista de envío.")
                  << Qt::endl;
    } else {
        QCoro::waitFor(comandos.Ejecuta_Comando(QStringLiteral("enviar")));
        sinEnviar = pendientesDelDia(programa);
        if (sinEnviar > 0)
            c.err << concuerda(sinEnviar, "Queda %1 archivo del día sin enviar en la lista de envío.",
                               "Quedan %1 archivos del día sin enviar en la lista de envío.")
                  << Qt::endl;
    }

    // The responses: the cycle that the send started, on its own timer.
    ListaRecepcion &recepcion = programa.listaRecepcion();
    if (!sinEspera && recepcion.cuenta() > 0)
        QCoro::waitFor(ciclo.esperaRespuestas(std::chrono::seconds(espera)));
    ciclo.deshabilita();
    if (recepcion.cuenta() > 0)
        c.err << concuerda(recepcion.cuenta(),
                           "Queda %1 archivo en espera de respuesta; se recoge con «tendal recibir» o "
                           "desde la ventana principal.",
                           "Quedan %1 archivos en espera de respuesta; se recogen con «tendal recibir» o desde la "
                           "ventana principal.")
              << Qt::endl;
    return consola.huboError() || noEncontrado || ilegibles || nombradoSinEnviar || sinEnviar > 0 ? 1 : 0;
}
