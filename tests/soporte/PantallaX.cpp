#include "tests/soporte/PantallaX.h"

#include <QDeadlineTimer>

#include <csignal>
#include <sys/prctl.h>

namespace {

constexpr int kEsperaMs = 30000;
const QString kMarca = QStringLiteral("TENDAL_PANTALLA_PROPIA");

// Whether a window manager has announced itself on the display's root window.
bool hayGestor(const QString &display)
{
    QProcess xprop;
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("DISPLAY"), display);
    xprop.setProcessEnvironment(entorno);
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    if (!xprop.waitForFinished(kEsperaMs))
        return false;
    return xprop.exitCode() == 0 && xprop.readAllStandardOutput().contains("window id #");
}

} // namespace

void PantallaX::preparaHijo(QProcess &proceso)
{
    // The server and the manager end with the test program, however it ends.
    proceso.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

PantallaX::PantallaX(int ancho, int alto)
{
    preparaHijo(m_servidor);
    m_servidor.setProcessChannelMode(QProcess::SeparateChannels);
    // -displayfd: the server picks a free display number and writes it out.
    m_servidor.start(QStringLiteral("Xvfb"),
                     {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                      QStringLiteral("%1x%2x24").arg(ancho).arg(alto), QStringLiteral("-nolisten"),
                      QStringLiteral("tcp"), QStringLiteral("-noreset")});
    if (!m_servidor.waitForStarted(kEsperaMs)) {
        m_error = QStringLiteral("Xvfb no arrancó: ") + m_servidor.errorString();
        return;
    }
    QByteArray numero;
    const QDeadlineTimer limite(kEsperaMs);
    while (!numero.contains('\n') && !limite.hasExpired() && m_servidor.state() == QProcess::Running) {
        m_servidor.waitForReadyRead(1000);
        numero += m_servidor.readAllStandardOutput();
    }
    if (!numero.contains('\n')) {
        m_error = QStringLiteral("Xvfb no dio su número de pantalla: ")
                  + QString::fromLocal8Bit(m_servidor.readAllStandardError());
        return;
    }
    const QString display = u':' + QString::fromLatin1(numero.trimmed());

    preparaHijo(m_gestor);
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("DISPLAY"), display);
    entorno.insert(QStringLiteral("HOME"), m_casa.path());
    entorno.insert(QStringLiteral("XDG_CONFIG_HOME"), m_casa.filePath(QStringLiteral("config")));
    entorno.insert(QStringLiteral("XDG_CACHE_HOME"), m_casa.filePath(QStringLiteral("cache")));
    m_gestor.setProcessEnvironment(entorno);
    m_gestor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_gestor.setStandardOutputFile(QProcess::nullDevice());
    m_gestor.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    if (!m_gestor.waitForStarted(kEsperaMs)) {
        m_error = QStringLiteral("openbox no arrancó: ") + m_gestor.errorString();
        return;
    }
    // The manager is ready when it has claimed the root window.
    const QDeadlineTimer limiteGestor(kEsperaMs);
    while (!hayGestor(display)) {
        if (limiteGestor.hasExpired() || m_gestor.state() != QProcess::Running) {
            m_error = QStringLiteral("openbox no tomó la pantalla ") + display;
            return;
        }
        m_gestor.waitForFinished(50); // returns at once if it ends
    }
    m_display = display;
}

PantallaX::~PantallaX()
{
    detiene(m_gestor);
    detiene(m_servidor);
}

void PantallaX::detiene(QProcess &proceso)
{
    if (proceso.state() == QProcess::NotRunning)
        return;
    proceso.terminate();
    if (!proceso.waitForFinished(5000)) {
        proceso.kill();
        proceso.waitForFinished(5000);
    }
}

int PantallaX::ejecuta(const QString &programa, const QStringList &argumentos,
                       const QList<QPair<QString, QString>> &variables) const
{
    QProcess hijo;
    preparaHijo(hijo);
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("DISPLAY"), m_display);
    entorno.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    entorno.insert(kMarca, QStringLiteral("1"));
    entorno.remove(QStringLiteral("WAYLAND_DISPLAY"));
    for (const auto &[nombre, valor] : variables)
        entorno.insert(nombre, valor);
    hijo.setProcessEnvironment(entorno);
    hijo.setProcessChannelMode(QProcess::ForwardedChannels);
    hijo.start(programa, argumentos);
    if (!hijo.waitForStarted(kEsperaMs) || !hijo.waitForFinished(-1))
        return 1;
    return hijo.exitStatus() == QProcess::NormalExit ? hijo.exitCode() : 1;
}

bool PantallaX::enPantallaPropia()
{
    return qEnvironmentVariableIsSet(kMarca.toLatin1().constData());
}
