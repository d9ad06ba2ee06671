#pragma once

#include <QDateTime>
#include <QFuture>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include "core/base/ErrorTendal.h"

#include <memory>
#include <optional>

struct Dialecto;

// The shared connection to the office database. Every query of the system
// runs on it; it lives from start to end of the program. Only the catalogue
// installation opens a second one, on a worker.
//
// The office database is either the file Prevalida.db in the folder the
// start-up file names (one workstation) or a PostgreSQL database that the
// start-up file names by its address, postgresql://user@host:port/dbname
// (several workstations). The password of a server never goes in the
// address: libpq takes it from its password file (~/.pgpass, PGPASSFILE) or
// its service file. What differs between the two is Dialecto's.
//
// Either way, a connection that reads sees the last committed state, never a
// writer's transaction in progress, and is not held while another
// connection writes (the file is in WAL mode, set here when it opens).
//
// A server's connection can be lost: the server restarted or stopped, or
// its session ended by an administrator. A statement that finds it lost
// opens it again at once and runs once more, outside a transaction; inside
// one, the transaction fails and the next one opens it again first. While
// the server does not answer, every statement fails at once with one and the
// same message (sinConexion()), so that a caller that repeats its work
// (the receive cycle's tick, the next send) shows it once per outage and
// resumes by itself when the server is back. What a session held (its
// advisory locks) is gone with it. Opening again never holds the calling
// thread (the window's) on a server that does not answer: each attempt asks
// the server first, for a tenth of a second, and one that got no answer asks
// again on a worker, whose answer the next attempt takes (SondeoServidor).
class Conexion
{
public:
    static QString nombreArchivo() { return QStringLiteral("Prevalida.db"); }
    // True when the start-up file's text names a database server rather
    // than a folder.
    static bool esServidor(const QString &texto);

    // Opens the office database of the folder, or of the server address.
    // Throws ErrorTendal with a clear message naming the file (or the
    // address) when it is missing, unreadable or not a database of the
    // system; never creates a file or a database.
    //
    // A file that this program cannot write (the file, or its folder, is
    // read-only: a write-protected share, a read-only disk, a copy kept for
    // looking up) is opened to be read only: the history, the receipts, the
    // reports and the lists work, every change fails with a message that
    // says so (exigeEscritura), and no schema step runs on it (one that is
    // missing is told in Spanish).
    static std::unique_ptr<Conexion> abre(const QString &carpeta);
    // Creates the office's tables: a new file in the folder (which must
    // exist), or in the server's database (which must exist, empty of an
    // office); refuses to overwrite an existing one.
    static std::unique_ptr<Conexion> crea(const QString &carpeta);

    // Another connection to an existing office database (the file's path or
    // the server's address, as ruta() gives it), for work on a thread of its
    // own (a connection belongs to the thread that opened it); read only on
    // the same terms as abre(). Throws ErrorTendal when it cannot be opened.
    static std::unique_ptr<Conexion> abreArchivo(const QString &ruta);
    // A database file of any origin (an update), opened to be read only:
    // nothing of it changes.
    static std::unique_ptr<Conexion> abreLectura(const QString &ruta);

    ~Conexion();
    Conexion(const Conexion &) = delete;
    Conexion &operator=(const Conexion &) = delete;

    QSqlDatabase db() const;
    // The file's path, or the server's address.
    const QString &ruta() const { return m_ruta; }
    const Dialecto &dialecto() const { return *m_dialecto; }
    bool enServidor() const;
    // The file was opened to be read only (abre).
    bool soloLectura() const { return m_soloLectura; }
    // Throws the read-only failure, naming the file, when the database was
    // opened to be read only: called first by every work that changes it,
    // before anything else is done.
    void exigeEscritura() const;
    ErrorTendal errorSoloLectura() const;

    // A prepared query on this connection with the values bound in order.
    // Throws ErrorTendal (-2147217865 for a missing table, -2147467259 otherwise).
    // On a server the whole result is read here, so that a session that ends
    // meanwhile fails the statement instead of cutting its rows short
    // unnoticed; on a file the rows are read as they are asked for.
    QSqlQuery ejecuta(const QString &sql, const QVariantList &valores = {}) const;
    // An INSERT on a table with an ID key: the id of the new row.
    qint64 inserta(const QString &sql, const QVariantList &valores = {}) const;

    // Runs f inside one transaction: all its changes, or none.
    template<typename F> void enTransaccion(F &&f) const
    {
        comienza();
        try {
            f();
        } catch (...) {
            deshace();
            throw;
        }
        confirma();
    }
    void comienza() const;
    void confirma() const;
    void deshace() const;

    // For a caller that keeps its own prepared statement on db() (the
    // catalogue's lookups), before it runs it: a session known to be gone is
    // opened again (outside a transaction; sesion() then changes), or the
    // "lost" failure is thrown while the server does not answer.
    void asegura() const;
    // After such a caller's statement failed: true when the session ended
    // under it (the connection is then marked lost, and asegura() opens a
    // new one), false for any other failure.
    bool sesionTerminada() const;

    // Since when the server has not answered (the first failure of this
    // outage, UTC); invalid while the connection works. A file never loses it.
    QDateTime perdidaDesde() const { return m_perdidaDesde; }
    // True when the error is this connection's "lost" failure.
    static bool esSinConexion(const ErrorTendal &error);
    // The server's clock now (UTC), read in one statement; nothing on a file.
    std::optional<QDateTime> ahoraServidor() const;
    // Which session of the server the connection is on: it changes each
    // time the connection is opened again, so that what the old session
    // held (an advisory lock) is known to be gone, not let go on the new one.
    quint64 sesion() const { return m_sesion; }

private:
    Conexion(QString nombre, QString ruta, const Dialecto &dialecto);
    // sistema, when given, gets the errno of a file that failed to open.
    static std::unique_ptr<Conexion> conecta(const QString &ruta, int *sistema = nullptr);
    // The file opened to be read only; inmutable, when no program is
    // writing it and none can start (its folder cannot be written and it
    // has no write-ahead log), without the log's shared memory, which
    // SQLite could not create there.
    // The office's file, for writing when this program can write it and its
    // folder (and the disk has room), else to be read only.
    static std::unique_ptr<Conexion> conectaArchivo(const QString &ruta);
    static std::unique_ptr<Conexion> conectaLectura(const QString &ruta, bool inmutable);
    static std::unique_ptr<Conexion> conectaServidor(const QString &direccion);
    void verificaOficina() const;
    // After a failed statement or transaction on a server: true when the
    // session is gone (then marked lost), false when it still answers.
    bool perdida() const;
    // Marks the connection lost when the driver already knows its session
    // ended (it failed while rows were read, outside any statement of
    // ejecuta): nothing is run on a closed session.
    void notaSesionCerrada() const;
    // Opens the server's connection again (the same address and options);
    // throws the "lost" failure while the server does not answer.
    void reconecta() const;
    ErrorTendal sinConexion() const;
    // A failed statement or transaction as the program tells it.
    ErrorTendal falla(const QSqlError &error, int sistema) const;

    QString m_nombre;
    QString m_ruta;
    const Dialecto *m_dialecto;
    bool m_soloLectura = false;
    // Why a file was opened to be read only.
    enum class MotivoLectura { Permisos, DiscoLleno };
    MotivoLectura m_motivoLectura = MotivoLectura::Permisos;
    mutable bool m_enTransaccion = false;
    mutable bool m_perdida = false;
    mutable QDateTime m_perdidaDesde;
    mutable quint64 m_sesion = 1;
    // Where the server is asked whether it answers (empty: an address whose
    // server libpq finds by itself, opened without asking), and the question
    // in flight after a failed attempt.
    QString m_host;
    int m_puerto = 5432;
    mutable std::optional<QFuture<bool>> m_sondeo;
};
