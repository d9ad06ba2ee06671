#pragma once

#include "core/ftp/ClienteFtp.h"

#include <QCoro/QCoroTask>
#include <QString>

class ControlFtp;
class Programa;

// The four steps of every exchange with the validation server. None of them
// handles errors: an ErrorTendal reaches the caller's handler.
namespace SesionFtp {

// Logs the control in: the update account ("actualizador") when
// actualizacion is true, otherwise the broker's ("ag" + patente as "0000",
// password ClaveFTP). With the proxy column set, the user becomes
// user + "@" + Servidor and the address is ip_proxy; otherwise the address is
// Servidor.
QCoro::Task<> Conecta_FTP(ControlFtp &ftp, bool actualizacion, Programa &programa);
// Uploads carpetaLocal/archivo as carpetaRemota/archivo.
QCoro::Task<> Envia_Archivo(ControlFtp &ftp, QString carpetaLocal, QString carpetaRemota, QString archivo);
// Downloads carpetaRemota/archivo as carpetaLocal/archivo.
QCoro::Task<> Recibe_Archivo(ControlFtp &ftp, QString carpetaLocal, QString carpetaRemota, QString archivo);
// Closes the session; harmless when there is none.
QCoro::Task<> Desconecta_FTP(ControlFtp &ftp);

// The user name and address that Conecta_FTP sets, for callers and tests.
struct Cuenta {
    QString direccion;
    QString usuario;
    QString clave;
    ClienteFtp::Cifrado cifrado;
};
Cuenta cuenta(bool actualizacion, Programa &programa);

} // namespace SesionFtp
