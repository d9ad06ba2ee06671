#include "tests/soporte/DemonioFtp.h"

#include "tests/soporte/Oficina.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

const QString kDemonios = QStringLiteral("/usr/local/lib/tendal-ftpd");
// The PAM service of the vsftpd tests (scripts/setup): the accounts below.
const QString kPamVsftpd = QStringLiteral("/etc/pam.d/tendal-prueba-vsftpd");
const QList<QPair<QString, QString>> kCuentas {{QStringLiteral("ag0123"), QStringLiteral("secreto")},
                                               {QStringLiteral("actualizador"), QStringLiteral("vermio")}};
const QStringList kCarpetas {QStringLiteral("ag0123"),    QStringLiteral("yexin"),      QStringLiteral("yexout"),
                             QStringLiteral("sagarpain"), QStringLiteral("sagarpaout"), QStringLiteral("update")};
constexpr uint kNadie = 65534; // nobody / nogroup

QString programa(DemonioFtp::Tipo tipo)
{
    switch (tipo) {
    case DemonioFtp::Tipo::Vsftpd:
        return kDemonios + QStringLiteral("/usr/sbin/vsftpd");
    case DemonioFtp::Tipo::Proftpd:
        return kDemonios + QStringLiteral("/usr/sbin/proftpd");
    case DemonioFtp::Tipo::PureFtpd:
        return kDemonios + QStringLiteral("/usr/sbin/pure-ftpd");
    }
    return {};
}

sockaddr_in local(quint16 puerto)
{
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_port = htons(puerto);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

quint16 puertoLibre()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = local(0);
    socklen_t largo = sizeof a;
    if (s < 0 || ::bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0
        || ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &largo) != 0)
        qFatal("DemonioFtp: no hay un puerto libre en 127.0.0.1");
    ::close(s);
    return ntohs(a.sin_port);
}

// True when a server on the port greets with 220 within ms.
bool saluda(quint16 puerto, int ms)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in a = local(puerto);
    bool si = false;
    if (s >= 0 && ::connect(s, reinterpret_cast<const sockaddr *>(&a), sizeof a) == 0) {
        pollfd p {s, POLLIN, 0};
        char saludo[4] = {};
        si = ::poll(&p, 1, ms) == 1 && ::recv(s, saludo, 3, 0) == 3 && QByteArray(saludo, 3) == "220";
    }
    if (s >= 0)
        ::close(s);
    return si;
}

void escribeTexto(const QString &ruta, const QString &texto, QFileDevice::Permissions permisos)
{
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(texto.toUtf8()) < 0)
        qFatal("DemonioFtp: no se pudo escribir %s", qPrintable(ruta));
    f.close();
    f.setPermissions(permisos);
}

QString cifra(const QString &clave)
{
    // The SHA-512 crypt form that proftpd's AuthUserFile and pure-ftpd's PureDB read.
    QProcess p;
    p.start(QStringLiteral("openssl"), {QStringLiteral("passwd"), QStringLiteral("-6"), QStringLiteral("-stdin")});
    p.write(clave.toUtf8() + '\n');
    p.closeWriteChannel();
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        qFatal("DemonioFtp: openssl passwd falló");
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace

QString DemonioFtp::nombre(Tipo tipo)
{
    switch (tipo) {
    case Tipo::Vsftpd:
        return QStringLiteral("vsftpd");
    case Tipo::Proftpd:
        return QStringLiteral("proftpd");
    case Tipo::PureFtpd:
        return QStringLiteral("pure-ftpd");
    }
    return {};
}

QString DemonioFtp::noDisponible(Tipo tipo)
{
    if (!QFileInfo(programa(tipo)).isExecutable())
        return nombre(tipo) + QStringLiteral(" no está en ") + kDemonios + QStringLiteral(" (scripts/setup)");
    if (::geteuid() != 0)
        return nombre(tipo) + QStringLiteral(" necesita root para encerrar las sesiones en su carpeta");
    if (tipo == Tipo::Vsftpd && !QFileInfo::exists(kPamVsftpd))
        return QStringLiteral("falta ") + kPamVsftpd + QStringLiteral(" (scripts/setup)");
    return {};
}

DemonioFtp::DemonioFtp(Tipo tipo)
    : DemonioFtp(tipo, Ajustes {})
{
}

DemonioFtp::DemonioFtp(Tipo tipo, const Ajustes &ajustes)
    : m_tipo(tipo)
{
    if (const QString no = noDisponible(tipo); !no.isEmpty())
        qFatal("DemonioFtp: %s", qPrintable(no));
    if (!m_dir.isValid())
        qFatal("DemonioFtp: no se pudo crear la carpeta temporal");
    QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                            | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                            | QFileDevice::ExeOther);
    // vsftpd maps every account to the launching user; the others run the
    // sessions as nobody.
    m_uid = m_gid = tipo == Tipo::Vsftpd ? 0 : kNadie;
    m_raiz = m_dir.filePath(QStringLiteral("raiz"));
    QDir().mkpath(m_raiz);
    duenoDe(m_raiz);
    for (const QString &c : kCarpetas) {
        QDir(m_raiz).mkdir(c);
        duenoDe(m_raiz + QLatin1Char('/') + c);
    }
    m_puerto = puertoLibre();
    configura(ajustes);
    espera();
}

DemonioFtp::~DemonioFtp()
{
    detiene();
}

void DemonioFtp::configura(const Ajustes &a)
{
    const QString dir = m_dir.path();
    const auto archivo = [&](const QString &nombre) {
        return QDir(dir).filePath(nombre);
    };
    QStringList argumentos;
    switch (m_tipo) {
    case Tipo::Vsftpd: {
        QStringList usuarios;
        for (const auto &c : kCuentas)
            usuarios << c.first;
        escribeTexto(archivo(QStringLiteral("usuarios")), usuarios.join(QLatin1Char('\n')) + QLatin1Char('\n'),
                     QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QDir().mkpath(archivo(QStringLiteral("vacia")));
        QString conf = QStringLiteral("listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=%1\n"
                                      "background=NO\nanonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\n"
                                      "guest_enable=YES\nguest_username=root\nvirtual_use_local_privs=YES\n"
                                      "local_root=%2\nchroot_local_user=YES\nallow_writeable_chroot=YES\n"
                                      "pam_service_name=tendal-prueba-vsftpd\nuserlist_enable=YES\nuserlist_deny=NO\n"
                                      "userlist_file=%3\nsecure_chroot_dir=%4\nseccomp_sandbox=NO\n"
                                      "xferlog_enable=NO\ncheck_shell=NO\nlocal_umask=022\n"
                                      "pasv_address=127.0.0.1\n")
                           .arg(m_puerto)
                           .arg(m_raiz, archivo(QStringLiteral("usuarios")), archivo(QStringLiteral("vacia")));
        if (!a.ocultos.isEmpty())
            conf += QStringLiteral("hide_file=%1\n").arg(a.ocultos);
        if (a.sinPasivo)
            conf += QStringLiteral("pasv_enable=NO\n");
        if (a.sesionesPorIp > 0)
            conf += QStringLiteral("max_per_ip=%1\n").arg(a.sesionesPorIp);
        if (a.inactividad > 0)
            conf += QStringLiteral("idle_session_timeout=%1\n").arg(a.inactividad);
        if (!a.certificado.isEmpty())
            conf += QStringLiteral("ssl_enable=YES\nrsa_cert_file=%1\nrsa_private_key_file=%1\n"
                                   "allow_anon_ssl=NO\nforce_local_logins_ssl=%2\nforce_local_data_ssl=%2\n"
                                   "require_ssl_reuse=NO\nssl_ciphers=HIGH\n")
                        .arg(a.certificado, a.exigeTls ? QStringLiteral("YES") : QStringLiteral("NO"));
        escribeTexto(archivo(QStringLiteral("vsftpd.conf")), conf, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        argumentos << archivo(QStringLiteral("vsftpd.conf"));
        break;
    }
    case Tipo::Proftpd: {
        QString passwd;
        for (const auto &[usuario, clave] : kCuentas)
            passwd += QStringLiteral("%1:%2:%3:%4::%5:/bin/sh\n")
                          .arg(usuario, cifra(clave))
                          .arg(m_uid)
                          .arg(m_gid)
                          .arg(m_raiz);
        const auto soloDueno = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        escribeTexto(archivo(QStringLiteral("passwd")), passwd, soloDueno);
        escribeTexto(archivo(QStringLiteral("group")), QStringLiteral("nogroup:x:%1:\n").arg(m_gid), soloDueno);
        QString conf = QStringLiteral("ServerType standalone\nServerName \"prueba\"\nDefaultAddress 127.0.0.1\n"
                                      "SocketBindTight on\nPort %1\nUseIPv6 off\nUser nobody\nGroup nogroup\n"
                                      "PidFile %2\nScoreboardFile %3\nDelayTable none\nWtmpLog off\n"
                                      "UseReverseDNS off\nAuthOrder mod_auth_file.c\nAuthUserFile %4\n"
                                      "AuthGroupFile %5\nRequireValidShell off\nDefaultRoot ~\nModulePath %6\n"
                                      "TransferLog none\nSystemLog %7\n<Directory />\n  AllowOverwrite on\n"
                                      "</Directory>\n")
                           .arg(m_puerto)
                           .arg(archivo(QStringLiteral("proftpd.pid")), archivo(QStringLiteral("scoreboard")),
                                archivo(QStringLiteral("passwd")), archivo(QStringLiteral("group")),
                                kDemonios + QStringLiteral("/usr/lib/proftpd"), archivo(QStringLiteral("proftpd.log")));
        if (a.sinPasivo)
            conf += QStringLiteral("<Limit EPSV PASV>\n  DenyAll\n</Limit>\n");
        if (a.inactividad > 0)
            conf += QStringLiteral("TimeoutIdle %1\n").arg(a.inactividad);
        if (!a.certificado.isEmpty())
            conf += QStringLiteral("LoadModule mod_tls.c\n<IfModule mod_tls.c>\n  TLSEngine on\n  TLSLog %1\n"
                                   "  TLSProtocol TLSv1.2 TLSv1.3\n  TLSRSACertificateFile %2\n"
                                   "  TLSRSACertificateKeyFile %2\n  TLSVerifyClient off\n"
                                   "  TLSOptions NoSessionReuseRequired\n  TLSRequired %3\n</IfModule>\n")
                        .arg(archivo(QStringLiteral("tls.log")), a.certificado,
                             a.exigeTls ? QStringLiteral("on") : QStringLiteral("off"));
        escribeTexto(archivo(QStringLiteral("proftpd.conf")), conf, soloDueno);
        argumentos << QStringLiteral("-n") << QStringLiteral("-q") << QStringLiteral("-c")
                   << archivo(QStringLiteral("proftpd.conf"));
        break;
    }
    case Tipo::PureFtpd: {
        const QString pw = archivo(QStringLiteral("pureftpd.passwd"));
        const QString pdb = archivo(QStringLiteral("pureftpd.pdb"));
        // The accounts' lines as pure-pw writes them (chrooted in the "/"),
        // with a SHA-512 crypt hash: pure-pw's own argon2 took seconds per
        // login on a loaded machine.
        QString lineas;
        for (const auto &[usuario, clave] : kCuentas)
            lineas += QStringLiteral("%1:%2:%3:%4::%5/./::::::::::::\n")
                          .arg(usuario, cifra(clave))
                          .arg(m_uid)
                          .arg(m_gid)
                          .arg(m_raiz);
        escribeTexto(pw, lineas, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QProcess p;
        p.start(kDemonios + QStringLiteral("/usr/bin/pure-pw"),
                {QStringLiteral("mkdb"), pdb, QStringLiteral("-f"), pw});
        if (!p.waitForFinished(10000) || p.exitCode() != 0)
            qFatal("DemonioFtp: pure-pw mkdb falló: %s", p.readAllStandardError().constData());
        argumentos << QStringLiteral("-S") << QStringLiteral("127.0.0.1,%1").arg(m_puerto) << QStringLiteral("-l")
                   << QStringLiteral("puredb:") + pdb << QStringLiteral("-E") << QStringLiteral("-A")
                   << QStringLiteral("-H") << QStringLiteral("-f") << QStringLiteral("none");
        if (a.limiteListado > 0)
            argumentos << QStringLiteral("-L") << QStringLiteral("%1:5").arg(a.limiteListado);
        if (a.inactividad > 0)
            argumentos << QStringLiteral("-I") << QString::number(qMax(1, a.inactividad / 60));
        if (!a.certificado.isEmpty())
            argumentos << QStringLiteral("-Y") << (a.exigeTls ? QStringLiteral("2") : QStringLiteral("1"))
                       << QStringLiteral("-2") << a.certificado;
        break;
    }
    }

    m_proceso.setProcessChannelMode(QProcess::MergedChannels);
    m_proceso.setWorkingDirectory(dir);
    // A process group of its own: the sessions it forks stop with it.
    m_proceso.setChildProcessModifier([] { ::setpgid(0, 0); });
    m_proceso.start(programa(m_tipo), argumentos);
    if (!m_proceso.waitForStarted(10000))
        qFatal("DemonioFtp: %s no arrancó: %s", qPrintable(nombre(m_tipo)), qPrintable(m_proceso.errorString()));
}

void DemonioFtp::espera()
{
    // Ready once it greets on its port.
    const QDeadlineTimer limite(15000);
    while (!limite.hasExpired()) {
        if (m_proceso.state() == QProcess::NotRunning)
            break;
        if (saluda(m_puerto, 2000))
            return;
        QThread::msleep(50);
    }
    m_proceso.waitForFinished(100);
    qFatal("DemonioFtp: %s no contestó en el puerto %d: %s", qPrintable(nombre(m_tipo)), m_puerto,
           m_proceso.readAll().constData());
}

void DemonioFtp::detiene()
{
    if (m_proceso.state() == QProcess::NotRunning)
        return;
    const pid_t grupo = pid_t(m_proceso.processId());
    ::kill(-grupo, SIGTERM);
    if (!m_proceso.waitForFinished(3000)) {
        ::kill(-grupo, SIGKILL);
        m_proceso.waitForFinished(3000);
    }
    ::kill(-grupo, SIGKILL); // sessions left behind by the master
}

void DemonioFtp::duenoDe(const QString &ruta) const
{
    if (::chown(QFile::encodeName(ruta).constData(), m_uid, m_gid) != 0)
        qFatal("DemonioFtp: no se pudo dar %s al usuario %u", qPrintable(ruta), m_uid);
}

QString DemonioFtp::direccion() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_puerto);
}

QString DemonioFtp::ruta(const QString &rutaServidor) const
{
    return QDir::cleanPath(m_raiz + QLatin1Char('/') + rutaServidor);
}

void DemonioFtp::escribe(const QString &rutaServidor, const QByteArray &contenido) const
{
    const QString destino = ruta(rutaServidor);
    const QString carpeta = QFileInfo(destino).path();
    if (!QFileInfo(carpeta).isDir()) {
        QDir().mkpath(carpeta);
        duenoDe(carpeta);
    }
    QFile f(destino);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(contenido) != contenido.size())
        qFatal("DemonioFtp: no se pudo escribir %s", qPrintable(destino));
    f.close();
    duenoDe(destino);
}

QByteArray DemonioFtp::lee(const QString &rutaServidor) const
{
    QFile f(ruta(rutaServidor));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool DemonioFtp::existe(const QString &rutaServidor) const
{
    return QFileInfo::exists(ruta(rutaServidor));
}

void DemonioFtp::apunta(Oficina &oficina) const
{
    oficina.sql(QStringLiteral("UPDATE PARAMETROS SET Host_Internet = ?, tipo_acceso = 1, proxy = 0"), {direccion()});
}
