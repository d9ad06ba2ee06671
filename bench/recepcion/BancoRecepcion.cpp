// The receive tick with 300 awaited files and 10 responses ready, on a
// pyftpdlib server on the loopback interface.
//
// Baseline, measured in the same run on the same server: one session that
// logs in, lists the folder once, downloads the 10 responses and logs out,
// the least network work that finds and fetches them. The tick does that
// plus its own work (the lists stored at every change, the files stored in
// the reception folders); the goal is a tick within 2x of the baseline.
// The medians and the minimums of several rounds are both printed.
// Then, on the first 30 files, the tick when the server refuses the listing
// and every expected name is asked for: its cost per awaited file.
//
//   banco_recepcion [RONDAS]

#include "bench/soporte/RecepcionBanco.h"
#include "core/ftp/ControlFtp.h"
#include "core/base/Funciones.h"
#include "core/db/Conexion.h"
#include "core/oficina/Programa.h"
#include "core/servidor/SesionFtp.h"
#include "core/recepcion/CicloRecepcion.h"
#include "bench/soporte/OlvidaRespuestas.h"
#include "tests/soporte/Oficina.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

using namespace RecepcionBanco;

constexpr int kArchivos = 300;
constexpr int kListas = 10;

// The demo validation server (tools/valserver.py) on a port of its own, its
// folders in a temporary folder; it ends with the object.
class Servidor
{
public:
    Servidor()
    {
        m_proceso.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_proceso.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(TENDAL_DIR_FUENTES "/tools/valserver.py"),
                                                             QStringLiteral("--raiz"), m_raiz.path()});
        if (!m_proceso.waitForStarted(15000) || !m_proceso.waitForReadyRead(15000))
            qFatal("no arrancó tools/valserver.py");
        m_puerto = m_proceso.readLine().trimmed().toInt();
    }
    ~Servidor()
    {
        m_proceso.terminate();
        if (!m_proceso.waitForFinished(5000))
            m_proceso.kill();
    }
    QString direccion() const { return QStringLiteral("127.0.0.1:%1").arg(m_puerto); }
    void escribe(const QString &ruta, const QByteArray &contenido) const
    {
        QFile f(m_raiz.path() + ruta);
        if (!f.open(QIODevice::WriteOnly) || f.write(contenido) != contenido.size())
            qFatal("no se pudo escribir %s", qPrintable(ruta));
    }

private:
    QTemporaryDir m_raiz;
    QProcess m_proceso;
    int m_puerto = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int rondas = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 7;

    Oficina oficina;
    Servidor servidor;
    oficina.sql(QStringLiteral("UPDATE PARAMETROS SET Host_Internet = ?, tipo_acceso = 1, proxy = 0"),
                {servidor.direccion()});
    Programa &p = oficina.carga();
    const QString recepcion = oficina.carpeta(QStringLiteral("val_rec"));

    const QByteArray respuesta = RecepcionBanco::respuesta();
    QStringList listas;
    for (int i = 1; i <= kArchivos; ++i) {
        const ListaRecepcion::Entrada e = entrada(nombre(i), recepcion, false);
        p.listaRecepcion().agrega(e);
        if (i % (kArchivos / kListas) == 0) {
            servidor.escribe(kCarpeta + u'/' + e.archivoVal, respuesta);
            listas << e.archivoVal;
        }
    }

    CicloRecepcion ciclo(p);
    // Back to 300 awaited files and nothing received.
    const auto reinicia = [&] {
        olvidaRespuestas(p, kArchivos);
        for (const QString &n : std::as_const(listas))
            Funciones::Borra_Archivo(QDir(recepcion).filePath(n));
    };
    const auto midetick = [&] {
        reinicia();
        QElapsedTimer t;
        t.start();
        QCoro::waitFor(ciclo.tick());
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (p.listaEnvio().cuenta() != kListas)
            qFatal("el tick recibió %d respuestas en vez de %d", p.listaEnvio().cuenta(), kListas);
        return ms;
    };

    QTemporaryDir destinoBase;
    ControlFtp control(QStringLiteral("base"));
    QList<double> ticks, bases;
    midetick(); // warm-up
    for (int r = 0; r < rondas; ++r) {
        QElapsedTimer t;
        t.start();
        QCoro::waitFor(sesionBase(p, control, listas, destinoBase.path()));
        bases << double(t.nsecsElapsed()) / 1e6;
        ticks << midetick();
    }
    const double tick = mediana(ticks);
    const double lineaBase = mediana(bases);
    const double tickMin = minimo(ticks);
    const double lineaBaseMin = minimo(bases);

    // The fallback asks for every expected name: measured on the first 30
    // files only (one response ready among them), as a cost per file.
    constexpr int kRespaldo = 30;
    for (int i = p.listaRecepcion().cuenta() - 1; i >= kRespaldo; --i)
        p.listaRecepcion().quita(i);
    const auto midePequeno = [&] {
        reinicia();
        QElapsedTimer t;
        t.start();
        QCoro::waitFor(ciclo.tick());
        return double(t.nsecsElapsed()) / 1e6;
    };
    const double pequenoListado = midePequeno();
    ciclo.usaListado(false);
    const double respaldo = midePequeno();
    ciclo.usaListado(true);

    out << QStringLiteral("Tick de recepción: %1 archivos en espera, %2 respuestas listas, %3 rondas\n")
               .arg(kArchivos)
               .arg(kListas)
               .arg(rondas);
    out << QStringLiteral("  línea base (sesión, un listado, %1 descargas): mediana %2 ms, mínimo %3 ms\n")
               .arg(kListas)
               .arg(lineaBase, 0, 'f', 1)
               .arg(lineaBaseMin, 0, 'f', 1);
    out << QStringLiteral("  tick con listado:                              mediana %1 ms, mínimo %2 ms\n")
               .arg(tick, 0, 'f', 1)
               .arg(tickMin, 0, 'f', 1);
    out << QStringLiteral("  tick / línea base: %1x (medianas), %2x (mínimos); objetivo <= 2x\n")
               .arg(tick / lineaBase, 0, 'f', 2)
               .arg(tickMin / lineaBaseMin, 0, 'f', 2);
    out << QStringLiteral("  con %1 archivos en espera: tick con listado %2 ms, con el listado rechazado %3 ms "
                          "= %4 ms por archivo en espera (dos nombres pedidos por archivo)\n")
               .arg(kRespaldo)
               .arg(pequenoListado, 0, 'f', 1)
               .arg(respaldo, 0, 'f', 1)
               .arg(respaldo / kRespaldo, 0, 'f', 1);
    out.flush();
    return 0;
}
