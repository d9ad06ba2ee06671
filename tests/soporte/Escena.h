#pragma once

#include "core/oficina/Programa.h"
#include "core/recepcion/CicloRecepcion.h"
#include "core/oficina/ListaEnvio.h"
#include "core/oficina/ListaRecepcion.h"
#include "core/principal/ComandosBarra.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/ServidorFtp.h"

#include <QCoro/QCoroTask>
#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

// An office of patente 123 on day 045 pointed at its own FTP server, with
// the tool bar commands and the receive cycle of the main window.
struct Escena {
    Escena() { servidor.apunta(oficina); }

    Programa &carga()
    {
        Programa &p = oficina.carga();
        ciclo = std::make_unique<CicloRecepcion>(p);
        comandos = std::make_unique<ComandosBarra>(p, *ciclo);
        return p;
    }
    Programa &programa() { return oficina.programa(); }
    DialogosGuion &persona() { return oficina.dialogos; }

    // A file in a local folder (a PARAMETROS column such as "val_env").
    QString archivo(const QString &columna, const QString &nombre, const QByteArray &contenido = "DATOS\r\n") const
    {
        const QString ruta = QDir(oficina.carpeta(columna)).filePath(nombre);
        QFile f(ruta);
        if (!f.open(QIODevice::WriteOnly) || f.write(contenido) != contenido.size())
            qFatal("no se pudo escribir %s", qPrintable(ruta));
        return ruta;
    }

    // A send-list entry waiting to be sent, as a double-click adds it.
    void enLista(const QString &nombre, const QString &icono, const QString &rutaPre, const QString &rutaVal,
                 const QString &estado = QStringLiteral("E"))
    {
        programa().listaEnvio().agrega({nombre, estado, icono, rutaPre, rutaVal});
    }

    // The responses of file `nombre` (M0123001.045): k0123001.045
    // (prevalidation) and M0123001.err (validation).
    static QString respuestaPrev(const QString &nombre) { return u'k' + nombre.mid(1); }
    static QString respuestaVal(const QString &nombre)
    {
        return nombre.left(nombre.size() - 3) + QStringLiteral("err");
    }

    // File `nombre` sent and awaiting both its responses in the
    // organisation's folder, as a send leaves it in the reception list.
    ListaRecepcion::Entrada aguarda(const QString &nombre)
    {
        ListaRecepcion::Entrada r;
        r.nombre = nombre;
        r.hora = QStringLiteral("10:30 a. m.");
        r.rutaPrev = r.rutaVal = kCarpetaServidor;
        r.archivoPrev = respuestaPrev(nombre);
        r.archivoVal = respuestaVal(nombre);
        r.rutaDest = oficina.carpeta(QStringLiteral("val_rec"));
        r.icono = QStringLiteral("2");
        programa().listaRecepcion().agrega(r);
        return r;
    }

    // Both responses of file `nombre` ready on the server, each naming the file.
    void responde(const QString &nombre)
    {
        servidor.escribe(kCarpetaServidor + u'/' + respuestaPrev(nombre), "K " + nombre.toLatin1() + "\r\n");
        servidor.escribe(kCarpetaServidor + u'/' + respuestaVal(nombre), "R " + nombre.toLatin1() + "\r\n");
    }

    // The organisation's folder of patente 123 on the server.
    static inline const QString kCarpetaServidor = QStringLiteral("/ag0123");

    void ejecuta(const QString &clave) { QCoro::waitFor(comandos->Ejecuta_Comando(clave)); }

    QStringList nombresEnvio() { return nombres(programa().listaEnvio()); }
    QStringList nombresRecepcion() { return nombres(programa().listaRecepcion()); }
    static QStringList nombres(const ListaArchivos &lista)
    {
        QStringList n;
        for (int i = 0; i < lista.cuenta(); ++i)
            n << lista.celda(i, 0);
        return n;
    }

    Oficina oficina;
    ServidorFtp servidor;
    std::unique_ptr<CicloRecepcion> ciclo;
    std::unique_ptr<ComandosBarra> comandos;
};
