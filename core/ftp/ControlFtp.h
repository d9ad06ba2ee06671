#pragma once

#include "core/ftp/ClienteFtp.h"

#include <QCoro/QCoroTask>
#include <QString>
#include <QStringList>

// An FTP control of a window (eftpEnvio, eftpRecepcion, eftpPrincipal,
// eftpActCatErr): the properties that the session procedures set, and the
// operations, each run on a worker thread and awaited by the calling
// coroutine so that the window stays live. One control, one session at a time.
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
    QCoro::Task<> descarga();
    QCoro::Task<> sube();
    QCoro::Task<QStringList> lista(QString carpeta);
    // Harmless when not connected.
    QCoro::Task<> desconecta();
    // Stops the operation under way at once, whatever its phase (logging in
    // included): it fails with 1000, and the session is closed.
    QCoro::Task<> interrumpe();
    bool conectado() const;

private:
    QString m_nombre;
    std::shared_ptr<ClienteFtp> m_cliente;
};
