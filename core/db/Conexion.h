#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <memory>

// The shared connection to the local database Prevalida.db. Every query of
// the system runs on it; it lives from start to end of the program. Only
// the catalogue installation opens a second one, on a worker.
//
// The database is in WAL mode (set here, when a connection opens): a
// connection that reads sees the last committed state, never a writer's
// transaction in progress, and is not held while another connection writes.
class Conexion
{
public:
    static QString nombreArchivo() { return QStringLiteral("Prevalida.db"); }

    // Opens the database of the folder. Throws ErrorTendal with a clear
    // message naming the file when it is missing, unreadable or not a database
    // of the system; never creates a file.
    static std::unique_ptr<Conexion> abre(const QString &carpeta);
    // Creates a new database with the schema in the folder (which must exist);
    // refuses to overwrite an existing one.
    static std::unique_ptr<Conexion> crea(const QString &carpeta);

    // Another connection to an existing database file of the system, for
    // work on a thread of its own (a connection belongs to the thread that
    // opened it). Throws ErrorTendal when the file cannot be opened.
    static std::unique_ptr<Conexion> abreArchivo(const QString &ruta);

    ~Conexion();
    Conexion(const Conexion &) = delete;
    Conexion &operator=(const Conexion &) = delete;

    QSqlDatabase db() const;
    const QString &ruta() const { return m_ruta; }

    // A prepared query on this connection with the values bound in order.
    // Throws ErrorTendal (-2147217865 for a missing table, -2147467259 otherwise).
    QSqlQuery ejecuta(const QString &sql, const QVariantList &valores = {}) const;

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

private:
    Conexion(QString nombre, QString ruta);
    static std::unique_ptr<Conexion> conecta(const QString &ruta);

    QString m_nombre;
    QString m_ruta;
};
