#include "app/Comando.h"
#include "core/DialogosConsola.h"
#include "core/ErrorTendal.h"
#include "core/Programa.h"
#include "mainwindow/CicloRecepcion.h"
#include "mainwindow/PreVal.h"
#include "transfer/ComandosBarra.h"
#include "transfer/EnvioArchivos.h"

#include <QCoro/QCoroTask>
#include <QCoro/QCoroTimer>
#include <QDeadlineTimer>
#include <QDir>

#include <algorithm>
#include <chrono>

namespace {

// The person of the command line, who answers Yes (with --si) to a question
// about a file at most three times in a row: a file that stays locked ends
// as if the answer had been No, instead of being retried for ever.
class DialogosSinBucle : public Dialogos
{
public:
    explicit DialogosSinBucle(Dialogos &consola) : m_consola(consola) {}

    Respuesta mensaje(const QString &texto, const QString &titulo, Icono icono, Botones botones) override
    {
        if (botones != Botones::SiNo || icono != Icono::Ninguno) {
            m_repetida.clear();
            return m_consola.mensaje(texto, titulo, icono, botones);
        }
        m_veces = texto == m_repetida ? m_veces + 1 : 1;
        m_repetida = texto;
        if (m_veces > 3) {
            m_consola.mensaje(texto, titulo, icono, Botones::Aceptar);
            return Respuesta::No;
        }
        return m_consola.mensaje(texto, titulo, icono, botones);
    }
    std::optional<QString> pideClave() override { return m_consola.pideClave(); }

private:
    Dialogos &m_consola;
    QString m_repetida;
    int m_veces = 0;
};

// The file already waits to be sent, or was sent and waits for its responses.
bool yaEnLista(Programa &programa, const QString &nombre)
{
    const ListaEnvio &envio = programa.listaEnvio();
    for (int i = 0; i < envio.cuenta(); ++i)
        if (envio.celda(i, ListaEnvio::Estado) == u"E" && envio.celda(i, ListaEnvio::Nombre).compare(nombre, Qt::CaseInsensitive) == 0)
            return true;
    const ListaRecepcion &recepcion = programa.listaRecepcion();
    for (int i = 0; i < recepcion.cuenta(); ++i)
        if (recepcion.celda(i, ListaRecepcion::Nombre).compare(nombre, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

// tendal enviar [NOMBRE ...] [--sin-espera] [--espera SEGUNDOS]: adds the
// named files to the send list as typed names (with no names, every julian
// file of the day of the four types found in their send folders); a file
// that already waits in the send list or for its responses is not added
// again. Then it runs the send command of the tool bar and, unless
// --sin-espera, the receive cycle until every response is in or the wait
// (600 s) runs out. One line per file sent and per response received. Exits
// non-zero when an error was shown or a named file was not found.
int comandoEnviar(Comando &c)
{
    bool falta = false;
    const bool sinEspera = c.bandera(QStringLiteral("--sin-espera"));
    const QString textoEspera = c.opcion(QStringLiteral("--espera"), &falta);
    bool ok = true;
    const int espera = textoEspera.isEmpty() ? 600 : textoEspera.toInt(&ok);
    const bool opcionDesconocida =
        std::any_of(c.args.cbegin(), c.args.cend(), [](const QString &a) { return a.startsWith(u'-'); });
    if (falta || !ok || espera < 0 || opcionDesconocida) {
        c.err << QStringLiteral("Uso: tendal enviar [NOMBRE ...] [--sin-espera] [--espera SEGUNDOS] [--si]") << Qt::endl;
        return 2;
    }

    DialogosConsola consola(c.err, c.si);
    DialogosSinBucle dialogos(consola);
    Programa programa(c.carpetas, c.reloj, dialogos);
    try {
        programa.carga();
    } catch (const ErrorTendal &e) {
        c.err << e.descripcion() << Qt::endl;
        return 1;
    }
    CicloRecepcion ciclo(programa);

    PreVal preval(programa, ciclo);
    bool noEncontrado = false;
    if (c.args.isEmpty()) {
        preval.inicia();
        for (int tipo = 0; tipo < PreVal::entradas(PreVal::Tipo).size(); ++tipo) {
            preval.cboPreVal_Click(PreVal::Tipo, tipo);
            for (int fila = 0; fila < preval.lvwArchivos().cuenta(); ++fila)
                if (!yaEnLista(programa, preval.lvwArchivos().nombre(fila)))
                    preval.lvwArchivos_DblClick(fila);
        }
    } else {
        for (const QString &nombre : std::as_const(c.args)) {
            if (yaEnLista(programa, nombre))
                continue;
            preval.ponTexto(nombre);
            preval.cmdBuscar_Click();
            if (!preval.texto().isEmpty()) {
                noEncontrado = true;
                preval.ponTexto(QString());
            }
        }
    }

    ComandosBarra comandos(programa, ciclo);
    QObject::connect(&comandos.envio(), &EnvioArchivos::archivoEnviado,
                     [&c](const QString &nombre, const QString &carpeta, const QString &prev, const QString &val) {
                         QStringList respuestas;
                         if (!prev.isEmpty())
                             respuestas << prev;
                         respuestas << val;
                         c.out << QStringLiteral("%1 -> %2 (respuestas: %3)").arg(nombre, carpeta, respuestas.join(u", "))
                               << Qt::endl;
                     });
    QObject::connect(&ciclo, &CicloRecepcion::respuestaRecibida,
                     [&c](const QString &archivo, const QString &estado, const QString &ruta) {
                         c.out << estado << QStringLiteral("  ") << archivo << QStringLiteral("  ")
                               << QDir::toNativeSeparators(ruta) << Qt::endl;
                     });
    QCoro::waitFor(comandos.Ejecuta_Comando(QStringLiteral("enviar")));

    // The responses: the cycle's ticks, driven from here at the timer's pace.
    ciclo.deshabilita();
    ListaRecepcion &recepcion = programa.listaRecepcion();
    if (!sinEspera && recepcion.cuenta() > 0) {
        const QDeadlineTimer fin{std::chrono::seconds(espera)};
        while (recepcion.cuenta() > 0 && !fin.hasExpired()) {
            const qint64 pausa = std::min<qint64>(ciclo.intervalo(), fin.remainingTime());
            QCoro::waitFor(QCoro::sleepFor(std::chrono::milliseconds(pausa)));
            QCoro::waitFor(ciclo.tick());
        }
    }
    if (recepcion.cuenta() > 0)
        c.err << QStringLiteral("Quedan %1 archivos en espera de respuesta; se recogen con «tendal recibir» o desde la "
                                "ventana principal.")
                     .arg(recepcion.cuenta())
              << Qt::endl;
    return consola.huboError() || noEncontrado ? 1 : 0;
}
