#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A PostgreSQL cluster of one test process: Debian's initdb and postgres
// (/usr/lib/postgresql/N/bin, scripts/setup installs them) run in a
// temporary folder of the test's own, listening on a Unix socket in that
// folder only (no TCP port), with trust for its one superuser "tendal". Run
// as root (as CI runs), the server runs as the unprivileged user
// "postgres" (the package's; scripts/setup makes sure it exists). The server
// stops with the object, and when the test process dies it gets a fast
// shutdown of its own (parent-death signal): no cluster outlives its test.
//
//   OMITE_SI_FALTA(ClusterPostgres::noDisponible());     // tests/soporte/Omision.h
//   auto cluster = ClusterPostgres::compartido();
//   const QString direccion = cluster->creaBase();   // postgresql://...
class ClusterPostgres
{
public:
    // Why a cluster cannot run here, or an empty text when it can.
    static QString noDisponible();

    ClusterPostgres();
    ~ClusterPostgres();
    ClusterPostgres(const ClusterPostgres &) = delete;
    ClusterPostgres &operator=(const ClusterPostgres &) = delete;

    // The cluster of this test process, started at the first call and
    // stopped when the application ends.
    static std::shared_ptr<ClusterPostgres> compartido();

    // A new empty database; its address (postgresql://tendal@/NAME?host=...).
    QString creaBase();
    // The address of a database of the cluster.
    QString direccion(const QString &base) const;
    // Runs SQL on a database as the superuser (outside the office's code).
    void sql(const QString &base, const QString &sentencia) const;

    QString carpeta() const { return m_dir.path(); }
    qint64 pid() const { return m_servidor.processId(); }
    // A fast shutdown (every session ended), as pg_ctl stop -m fast; the
    // server answers nobody until arranca().
    void detiene();
    // Starts the stopped server again, on the same data, and returns when it
    // accepts connections.
    void arranca();
    // pg_ctl restart -m fast.
    void reinicia();
    // Ends with pg_terminate_backend the sessions of a database opened by
    // the application of that name; how many it ended.
    int terminaSesiones(const QString &base, const QString &aplicacion) const;
    // The server's log since its first start.
    QString log() const;

private:
    void corre(const QString &programa, const QStringList &args) const;

    QTemporaryDir m_dir;
    QString m_bin;
    QProcess m_servidor;
    int m_bases = 0;
};
