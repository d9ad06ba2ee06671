#include "tests/soporte/ClusterPostgres.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <algorithm>

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <stdexcept>

namespace {

constexpr int kPuerto = 5432; // names the socket only: no TCP port is opened

QString binarios()
{
    const QDir raiz(QStringLiteral("/usr/lib/postgresql"));
    QStringList versiones = raiz.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versiones.begin(), versiones.end(),
              [](const QString &a, const QString &b) { return a.toInt() > b.toInt(); });
    for (const QString &v : versiones) {
        const QString bin = raiz.filePath(v + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb")) && QFile::exists(bin + QStringLiteral("/postgres")))
            return bin;
    }
    return {};
}

// The user the cluster runs as when the tests run as root.
const passwd *usuarioServidor()
{
    return ::geteuid() == 0 ? ::getpwnam("postgres") : nullptr;
}

// In the child, before exec: the unprivileged user when root, and a fast
// shutdown if the test process dies first.
void preparaHijo()
{
    if (const passwd *u = usuarioServidor()) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(u->pw_gid) != 0 || ::setuid(u->pw_uid) != 0)
            ::_exit(126);
    }
    ::prctl(PR_SET_PDEATHSIG, SIGINT);
    if (::getppid() == 1)
        ::_exit(125);
}

std::weak_ptr<ClusterPostgres> g_compartido;
std::shared_ptr<ClusterPostgres> g_retenido;

} // namespace

QString ClusterPostgres::noDisponible()
{
    if (binarios().isEmpty())
        return QStringLiteral("PostgreSQL no está instalado (scripts/setup instala postgresql)");
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return QStringLiteral("falta el controlador QPSQL de Qt (scripts/setup instala libqt6sql6-psql)");
    if (::geteuid() == 0 && !usuarioServidor())
        return QStringLiteral("falta el usuario postgres (scripts/setup lo crea)");
    return {};
}

ClusterPostgres::ClusterPostgres()
    : m_dir(QDir::temp().filePath(QStringLiteral("tendal-pg-XXXXXX")))
    , m_bin(binarios())
{
    if (!m_dir.isValid() || m_bin.isEmpty())
        throw std::runtime_error("ClusterPostgres: sin carpeta temporal o sin PostgreSQL");
    const QString datos = QDir(m_dir.path()).filePath(QStringLiteral("datos"));
    QDir().mkpath(datos);
    if (const passwd *u = usuarioServidor()) {
        // The folder is the test's; the cluster's user may enter it and own its data.
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther);
        if (::chown(QFile::encodeName(datos).constData(), u->pw_uid, u->pw_gid) != 0)
            throw std::runtime_error("ClusterPostgres: chown");
    }
    corre(m_bin + QStringLiteral("/initdb"),
          {QStringLiteral("-D"), datos, QStringLiteral("-U"), QStringLiteral("tendal"), QStringLiteral("-A"),
           QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C.UTF-8"),
           QStringLiteral("-N")});
    m_servidor.setProgram(m_bin + QStringLiteral("/postgres"));
    m_servidor.setArguments({QStringLiteral("-D"), datos, QStringLiteral("-k"), datos, QStringLiteral("-p"),
                             QString::number(kPuerto), QStringLiteral("-c"), QStringLiteral("listen_addresses="),
                             QStringLiteral("-c"), QStringLiteral("fsync=off"), QStringLiteral("-c"),
                             QStringLiteral("full_page_writes=off"), QStringLiteral("-c"),
                             QStringLiteral("max_connections=60")});
    m_servidor.setProcessChannelMode(QProcess::MergedChannels);
    m_servidor.setChildProcessModifier(preparaHijo);
    arranca();
}

void ClusterPostgres::arranca()
{
    if (m_servidor.state() != QProcess::NotRunning)
        return;
    // The log grows across restarts: a test waits for the lines it needs.
    m_servidor.setStandardOutputFile(QDir(m_dir.path()).filePath(QStringLiteral("servidor.log")), QIODevice::Append);
    m_servidor.start();
    if (!m_servidor.waitForStarted(10000))
        throw std::runtime_error("ClusterPostgres: postgres no arrancó");
    const QString datos = QDir(m_dir.path()).filePath(QStringLiteral("datos"));
    // Ready when the superuser can connect.
    const QDeadlineTimer plazo(60000);
    for (;;) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("cluster-espera"));
            db.setHostName(datos);
            db.setPort(kPuerto);
            db.setUserName(QStringLiteral("tendal"));
            db.setDatabaseName(QStringLiteral("postgres"));
            const bool listo = db.open();
            db.close();
            if (listo)
                break;
        }
        QSqlDatabase::removeDatabase(QStringLiteral("cluster-espera"));
        if (plazo.hasExpired() || m_servidor.state() != QProcess::Running) {
            QFile log(QDir(m_dir.path()).filePath(QStringLiteral("servidor.log")));
            log.open(QIODevice::ReadOnly);
            qWarning("%s", log.readAll().constData());
            detiene();
            throw std::runtime_error("ClusterPostgres: el servidor no aceptó conexiones");
        }
        QThread::msleep(100);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("cluster-espera"));
}

ClusterPostgres::~ClusterPostgres()
{
    detiene();
}

void ClusterPostgres::detiene()
{
    if (m_servidor.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(m_servidor.processId()), SIGINT); // fast shutdown: sessions ended, nothing left
    if (!m_servidor.waitForFinished(30000)) {
        m_servidor.kill();
        m_servidor.waitForFinished(5000);
    }
}

void ClusterPostgres::reinicia()
{
    detiene();
    arranca();
}

QString ClusterPostgres::log() const
{
    QFile archivo(QDir(m_dir.path()).filePath(QStringLiteral("servidor.log")));
    if (!archivo.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(archivo.readAll());
}

int ClusterPostgres::terminaSesiones(const QString &base, const QString &aplicacion) const
{
    const QString nombre = QStringLiteral("cluster-termina");
    int terminadas = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), nombre);
        db.setHostName(QDir(m_dir.path()).filePath(QStringLiteral("datos")));
        db.setPort(kPuerto);
        db.setUserName(QStringLiteral("tendal"));
        db.setDatabaseName(QStringLiteral("postgres"));
        if (!db.open())
            throw std::runtime_error(db.lastError().text().toStdString());
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = ? AND "
                                 "application_name = ? AND pid <> pg_backend_pid()"));
        q.addBindValue(base);
        q.addBindValue(aplicacion);
        if (!q.exec())
            throw std::runtime_error(q.lastError().text().toStdString());
        while (q.next())
            terminadas += q.value(0).toBool() ? 1 : 0;
    }
    QSqlDatabase::removeDatabase(nombre);
    return terminadas;
}

void ClusterPostgres::corre(const QString &programa, const QStringList &args) const
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setChildProcessModifier(preparaHijo);
    p.start(programa, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("%s", p.readAll().constData());
        throw std::runtime_error("ClusterPostgres: " + programa.toStdString() + " falló");
    }
}

std::shared_ptr<ClusterPostgres> ClusterPostgres::compartido()
{
    if (auto c = g_compartido.lock())
        return c;
    auto c = std::make_shared<ClusterPostgres>();
    g_compartido = c;
    g_retenido = c;
    qAddPostRoutine([] { g_retenido.reset(); });
    return c;
}

QString ClusterPostgres::direccion(const QString &base) const
{
    return QStringLiteral("postgresql://tendal@/%1?host=%2&port=%3")
        .arg(base, QDir(m_dir.path()).filePath(QStringLiteral("datos")))
        .arg(kPuerto);
}

void ClusterPostgres::sql(const QString &base, const QString &sentencia) const
{
    const QString nombre = QStringLiteral("cluster-sql");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), nombre);
        db.setHostName(QDir(m_dir.path()).filePath(QStringLiteral("datos")));
        db.setPort(kPuerto);
        db.setUserName(QStringLiteral("tendal"));
        db.setDatabaseName(base);
        if (!db.open())
            throw std::runtime_error(db.lastError().text().toStdString());
        QSqlQuery q(db);
        if (!q.exec(sentencia))
            throw std::runtime_error(q.lastError().text().toStdString());
    }
    QSqlDatabase::removeDatabase(nombre);
}

QString ClusterPostgres::creaBase()
{
    const QString nombre = QStringLiteral("oficina%1").arg(++m_bases);
    sql(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE %1").arg(nombre));
    return direccion(nombre);
}
