#pragma once

#include "core/db/Diario.h"
#include "core/oficina/Programa.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

// Builds an office's history straight through the journal, as a send and a
// receive tick record it: a file queued, claimed and accepted by the server
// at a given moment, and responses stored for it (files written in the
// reception folder).
namespace HistorialPrueba {

// A file sent: returns its transmission.
inline qint64 envia(Programa &p, const QString &nombre, const QDateTime &aceptado, const QByteArray &bytes = "datos",
                    const QString &carpetaServidor = QStringLiteral("/ag0123"))
{
    Diario &d = p.diario();
    qint64 cola = 0;
    d.encola({Diario::Origen::Cola, 0, nombre, QStringLiteral("E"), QStringLiteral("2"), carpetaServidor,
              carpetaServidor, QString()},
             &cola);
    const auto reclamo = d.reclama(cola, nombre, nombre.left(1).toUpper());
    Diario::Aceptacion a;
    a.carpetaServidor = carpetaServidor;
    a.tamano = bytes.size();
    a.sha256 = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    a.recepcion.nombre = nombre;
    a.recepcion.hora = QStringLiteral("10:30 a. m.");
    a.recepcion.rutaPrev = a.recepcion.rutaVal = carpetaServidor;
    a.recepcion.archivoPrev = QStringLiteral("k") + nombre.mid(1);
    a.recepcion.archivoVal = nombre.left(nombre.size() - 3) + QStringLiteral("err");
    a.recepcion.icono = QStringLiteral("2");
    d.acepta(reclamo->transmision, a, aceptado);
    // A server records its own clock: the history is written as of its time.
    if (p.conexion().enServidor())
        p.conexion().ejecuta(QStringLiteral("UPDATE TRANSMISION SET ACEPTADO = ? WHERE ID = ?"),
                             {aceptado.toUTC().toString(Qt::ISODateWithMs), reclamo->transmision});
    return reclamo->transmision;
}

// A response stored for the transmission ("K" or "R") with these bytes, in
// carpeta; returns where it went.
inline QString responde(Programa &p, qint64 transmision, const QString &clase, const QString &nombre,
                        const QByteArray &bytes, const QDateTime &momento, const QString &carpeta)
{
    Diario::RespuestaNueva r;
    r.transmision = transmision;
    r.clase = clase;
    r.nombre = nombre;
    r.icono = QStringLiteral("3");
    r.tamano = bytes.size();
    r.sha256 = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    r.contenido = bytes;
    const auto guardado = p.diario().guardaRespuesta(r, momento, [&] {
        const QString ruta = QDir(carpeta).filePath(nombre);
        QFile f(ruta);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return ruta;
    });
    if (guardado && p.conexion().enServidor())
        p.conexion().ejecuta(QStringLiteral("UPDATE RESPUESTA SET GUARDADO = ? WHERE ID = ?"),
                             {momento.toUTC().toString(Qt::ISODateWithMs), guardado->respuesta});
    return guardado ? guardado->ruta : QString();
}

} // namespace HistorialPrueba
