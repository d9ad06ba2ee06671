#pragma once

#include "core/oficina/Programa.h"
#include "core/recepcion/CicloRecepcion.h"
#include "core/oficina/ListaEnvio.h"
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
