#pragma once

#include "core/ftp/ClienteFtp.h"

#include <QCoro/QCoroTask>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <optional>

// An FTP control of a window (eftpEnvio, eftpRecepcion, eftpPrincipal,
// eftpActCatErr): the properties that the session procedures set, and the
// operations, each run on a worker thread and awaited by the calling
// coroutine so that the window stays live. One control, one session at a time.
//
// The control owns its worker threads: the operations run on a pool of its
// own (two threads, so that a disconnection can stop a running operation),
// and the threads end when the control is destroyed, after the running
// operation, if any, has been stopped. No thread of a session outlives the
// program's objects; libcurl and OpenSSL keep per-thread state that is freed
// only when the thread ends.
class ControlFtp
{
public:
    explicit ControlFtp(QString nombre, ClienteFtp::Limites limites = {});
    ~ControlFtp();

    const QString &nombre() const { return m_nombre; }

    // Properties.
    QString servidor;
    QString usuario;
    QString clave;
    ClienteFtp::Cifrado cifrado;
    QString archivoLocal;
    QString carpetaRemota;
    QString archivoRemoto;

    QCoro::Task<> conecta();
    QCoro::Task<> descarga(ClienteFtp::Escritura escritura = ClienteFtp::Escritura::Durable);
    QCoro::Task<> sube();
    QCoro::Task<QStringList> lista(QString carpeta);
    QCoro::Task<std::optional<qint64>> tamano(QString carpeta, QString archivo);
    // Harmless when not connected.
    QCoro::Task<> desconecta();
    // Stops the operation under way at once, whatever its phase (logging in
    // included): it fails with 1000, and the session is closed.
    QCoro::Task<> interrumpe();
    bool conectado() const;
    // The deadline of every exchange of the session (ClienteFtp::fijaPlazo).
    void fijaPlazo(std::optional<std::chrono::steady_clock::time_point> fin);
    // The server's time of the file of the last upload or download
    // (ClienteFtp::horaServidor); read after the operation was awaited.
    std::optional<QDateTime> horaServidor() const;
    // Bytes of the upload under way the server has taken so far.
    qint64 enviado() const;
    // Which channels of the session (or of the last one) are protected.
    ClienteFtp::Proteccion proteccion() const;

private:
    QString m_nombre;
    std::shared_ptr<ClienteFtp> m_cliente;
    QThreadPool m_hilo;
};
