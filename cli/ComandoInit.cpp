#include "cli/Comando.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Funciones.h"
#include "core/db/Conexion.h"
#include "core/db/NuevaOficina.h"

#include <QDir>
#include <QFileInfo>

int comandoInit(Comando &c)
{
    bool falta = false;
    NuevaOficina oficina;
    const QString patente = c.opcion(QStringLiteral("--patente"), &falta);
    oficina.agente = c.opcion(QStringLiteral("--agente"), &falta);
    const QString servidor = c.opcion(QStringLiteral("--servidor"), &falta);
    if (!servidor.isEmpty())
        oficina.servidor = servidor;
    const QString claveFtp = c.opcion(QStringLiteral("--clave-ftp"), &falta);
    const QString clavePago = c.opcion(QStringLiteral("--clave-pago"), &falta);
    oficina.carpetaDatos = c.opcion(QStringLiteral("--carpeta-datos"), &falta);
    oficina.base = c.opcion(QStringLiteral("--base"), &falta);
    bool ok = false;
    oficina.patente = patente.toInt(&ok);
    if (falta || !ok || oficina.patente <= 0 || oficina.patente > 32767 || oficina.agente.isEmpty()
        || !c.args.isEmpty())
        return c.uso(
            QStringLiteral("init --patente N --agente TEXTO [--servidor HOST] [--clave-ftp -] [--clave-pago -] "
                           "[--carpeta-datos DIR] [--base DIRECCION]"));
    bool rechazada = false;
    oficina.claveFtp
        = c.clave(claveFtp, "TENDAL_CLAVE_FTP", QStringLiteral("Contraseña FTP: "), &rechazada).value_or(QString());
    oficina.clavePago
        = c.clave(clavePago, "TENDAL_CLAVE_PAGO", QStringLiteral("Contraseña de pago electrónico: "), &rechazada)
              .value_or(QString());
    if (rechazada) {
        c.err << claveEnLinea() << Qt::endl;
        return 2;
    }
    if (const QString aviso = Funciones::avisoClaveFtp(oficina.claveFtp); !aviso.isEmpty())
        c.err << aviso << Qt::endl;
    if (oficina.carpetaDatos.isEmpty()) {
        // Without a folder: the one the start-up file names, or one beside it.
        try {
            oficina.carpetaDatos = c.carpetas.carpetaBaseDatos();
        } catch (const ErrorTendal &) {
        }
        if (oficina.carpetaDatos.isEmpty() || Conexion::esServidor(oficina.carpetaDatos))
            oficina.carpetaDatos = QFileInfo(c.carpetas.ini()).absoluteDir().filePath(QStringLiteral("datos"));
    }
    try {
        const bool ini = oficina.crea(c.carpetas.ini());
        c.out << QStringLiteral("Base de datos creada: %1")
                     .arg(oficina.base.isEmpty() ? QDir::toNativeSeparators(
                              QDir(oficina.carpetaDatos).absoluteFilePath(Conexion::nombreArchivo()))
                                                 : oficina.base)
              << Qt::endl;
        if (ini)
            c.out << QStringLiteral("Archivo de inicio creado: %1").arg(QDir::toNativeSeparators(c.carpetas.ini()))
                  << Qt::endl;
        else
            c.out << QStringLiteral("El archivo de inicio %1 ya existía; no se cambió")
                         .arg(QDir::toNativeSeparators(c.carpetas.ini()))
                  << Qt::endl;
    } catch (const ErrorTendal &e) {
        c.err << e.descripcion() << Qt::endl;
        return 1;
    }
    return 0;
}
