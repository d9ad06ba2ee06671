#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

// A synchronous FTP session on libcurl: one control connection, logged in
// once, reused for every transfer until it is closed. Each call blocks until
// it ends; callers run it on a worker (see ControlFtp). Failures throw
// ErrorTendal with the numbers the system tells apart:
//   1013/1014/1015  the server refused the user name or password
//   1029            no connection (refused, unknown host, time-out while connecting)
//   1003            a download of a file that the server does not hold (no local file is left)
//   1000            the connection was lost in the middle of the session
// Every other failure (a refused upload among them) keeps a number of its own
// and a description. docs/ftp-errores.md lists the mapping.
class ClienteFtp
{
public:
    struct Limites {
        long segundosConexion = 15; // connect time-out
        long bytesPorSegundoMinimo = 1; // low-speed limit ...
        long segundosVelocidadBaja = 30; // ... held for this long aborts the transfer
    };

    // Encryption of the session: explicit TLS (AUTH TLS on the control
    // connection, then protected data connections), the server's
    // certificate checked against the system's store or the certificates of
    // the file named.
    struct Cifrado {
        enum Modo { Ninguno = 0, SiLoOfrece = 1, Obligatorio = 2 };
        int modo = Ninguno;
        QString certificados; // PEM file of trusted certificates; empty: the system's store
    };

    // Which channels of the session are protected: the control connection
    // (AUTH TLS accepted) and the data connections (PROT P accepted). Both
    // false in a session in the clear, also with Cifrado::SiLoOfrece against
    // a server without TLS.
    struct Proteccion {
        bool control = false;
        bool datos = false;
    };

    // Why a file of trusted certificates cannot serve (it is not there, it
    // cannot be read, it holds no PEM certificate), or an empty text.
    static QString problemaCertificados(const QString &ruta);

    ClienteFtp();
    explicit ClienteFtp(Limites limites);
    ~ClienteFtp();
    ClienteFtp(const ClienteFtp &) = delete;
    ClienteFtp &operator=(const ClienteFtp &) = delete;

    // direccion: host name or IP address, optionally "host:port" (21 when absent).
    void conecta(const QString &direccion, const QString &usuario, const QString &clave);
    void conecta(const QString &direccion, const QString &usuario, const QString &clave, const Cifrado &cifrado);
    // Uploads rutaLocal as carpetaRemota/archivo.
    void envia(const QString &rutaLocal, const QString &carpetaRemota, const QString &archivo);
    // How a download reaches the disk: forced to it before the call returns
    // (the file is kept where it was downloaded), or left to the system
    // (a scratch file that the caller copies elsewhere and syncs there).
    enum class Escritura { Durable, Provisional };
    // Downloads carpetaRemota/archivo to rutaLocal, replacing it. The data is
    // written to a temporary name beside rutaLocal and renamed only when the
    // transfer is complete.
    void recibe(const QString &rutaLocal, const QString &carpetaRemota, const QString &archivo,
                Escritura escritura = Escritura::Durable);
    // The server's own modification time of the file of the last upload or
    // download, read (MDTM) on the same connection right after the transfer
    // ended: the moment the server wrote it, by the server's clock (UTC, as
    // the command gives it; whole seconds unless the server gives more).
    // Nothing when the transfer failed or the server gave no time (it
    // refuses the command, or the file went meanwhile). A file that does
    // not come costs no extra exchange.
    std::optional<QDateTime> horaServidor() const;
    // Names in a server folder (NLST). Throws like the other operations.
    QStringList lista(const QString &carpetaRemota);
    // The size the server gives for carpetaRemota/archivo (SIZE): nothing
    // when the server does not hold the file or does not tell sizes.
    // Throws like the other operations for any other failure.
    std::optional<qint64> tamano(const QString &carpetaRemota, const QString &archivo);
    // A moment by which every exchange of the session ends, whatever the
    // server does (a silent greeting, a stalled data connection): an
    // exchange still running then fails as timed out (1029 while logging
    // in). Nothing: only the limits of each step. Safe from another thread.
    void fijaPlazo(std::optional<std::chrono::steady_clock::time_point> fin);
    // Closes the session; harmless when there is none. Safe from another
    // thread while an operation runs: that operation stops with 1000.
    void desconecta();
    bool conectado() const;
    // The protection of the open session (or of the last one).
    Proteccion proteccion() const;
    // Bytes of the upload under way (or the last one) the server has taken
    // so far. Safe from another thread while the upload runs.
    qint64 enviado() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
