#include "core/servidor/SesionFtp.h"

#include "core/ftp/ControlFtp.h"
#include "core/oficina/Programa.h"
#include "core/base/Vb.h"

#include <QDir>

namespace SesionFtp {

Cuenta cuenta(bool actualizacion, Programa &programa)
{
    const ValoresPrograma &v = programa.valores();
    Cuenta c;
    if (actualizacion) {
        c.usuario = QStringLiteral("actualizador");
        c.clave = QStringLiteral("vermio");
    } else {
        c.usuario = QStringLiteral("ag") + Vb::formato(v.NumPatente, QStringLiteral("0000"));
        c.clave = v.ClaveFTP;
    }
    // Encryption applies to the organisation's server, also through the proxy.
    c.cifrado.modo = programa.parametros().entero(QStringLiteral("cifrado"));
    c.cifrado.certificados = programa.parametros().texto(QStringLiteral("certificado")).trimmed();
    if (programa.parametros().sino(QStringLiteral("proxy"))) {
        c.usuario += QStringLiteral("@") + v.Servidor;
        c.direccion = programa.parametros().texto(QStringLiteral("ip_proxy"));
    } else {
        c.direccion = v.Servidor;
    }
    return c;
}

QCoro::Task<> Conecta_FTP(ControlFtp &ftp, bool actualizacion, Programa &programa)
{
    const Cuenta c = cuenta(actualizacion, programa);
    ftp.servidor = c.direccion;
    ftp.usuario = c.usuario;
    ftp.clave = c.clave;
    ftp.cifrado = c.cifrado;
    co_await ftp.conecta();
}

QCoro::Task<> Envia_Archivo(ControlFtp &ftp, QString carpetaLocal, QString carpetaRemota, QString archivo)
{
    ftp.archivoLocal = QDir(carpetaLocal).filePath(archivo);
    ftp.carpetaRemota = carpetaRemota;
    ftp.archivoRemoto = archivo;
    co_await ftp.sube();
}

QCoro::Task<> Recibe_Archivo(ControlFtp &ftp, QString carpetaLocal, QString carpetaRemota, QString archivo)
{
    ftp.archivoLocal = QDir(carpetaLocal).filePath(archivo);
    ftp.carpetaRemota = carpetaRemota;
    ftp.archivoRemoto = archivo;
    co_await ftp.descarga();
}

QCoro::Task<> Desconecta_FTP(ControlFtp &ftp)
{
    co_await ftp.desconecta();
}

} // namespace SesionFtp
