#pragma once

#include "core/ftp/ControlFtp.h"
#include "core/oficina/ListaRecepcion.h"
#include "core/oficina/Programa.h"
#include "core/servidor/SesionFtp.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>

// What the receive benchmarks share: the awaited files of patente 123 on the
// server folder /ag0123, the response they get, the bare session that is
// their baseline, and the figures of their rounds.
namespace RecepcionBanco {

inline const QString kCarpeta = QStringLiteral("/ag0123");

// The i-th file sent ("M0123001.045") and its validation response.
inline QString nombre(int i)
{
    return QStringLiteral("M0123%1.045").arg(i, 3, 10, QLatin1Char('0'));
}

inline QString validacion(const QString &nombre)
{
    return nombre.left(nombre.size() - 3) + QStringLiteral("err");
}

inline QString validacion(int i)
{
    return validacion(nombre(i));
}

// A reception-list entry awaiting the validation response of the file on
// kCarpeta, stored in the reception folder; prevRecibida: its
// prevalidation response is in (only the validation one is awaited).
inline ListaRecepcion::Entrada entrada(const QString &nombre, const QString &recepcion, bool prevRecibida)
{
    ListaRecepcion::Entrada e;
    e.nombre = nombre;
    if (prevRecibida)
        e.prev = QStringLiteral("X");
    e.hora = QStringLiteral("10:30 a. m.");
    e.rutaPrev = e.rutaVal = kCarpeta;
    e.archivoPrev = QStringLiteral("k") + nombre.mid(1);
    e.archivoVal = validacion(nombre);
    e.rutaDest = recepcion;
    e.icono = QStringLiteral("2");
    return e;
}

// A validation response of 40 error lines.
inline QByteArray respuesta()
{
    QByteArray r;
    for (int l = 0; l < 40; ++l)
        r += "E3001234501001230501\r\n";
    return r;
}

// The baseline: one session that logs in, lists kCarpeta once, downloads
// the names it shows into destino and logs out.
inline QCoro::Task<> sesionBase(Programa &p, ControlFtp &control, QStringList nombres, QString destino)
{
    co_await SesionFtp::Conecta_FTP(control, false, p);
    const QStringList presentes = co_await control.lista(kCarpeta);
    for (const QString &n : std::as_const(nombres))
        if (presentes.contains(n, Qt::CaseInsensitive))
            co_await SesionFtp::Recibe_Archivo(control, destino, kCarpeta, n);
    co_await SesionFtp::Desconecta_FTP(control);
}

inline double mediana(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

inline double minimo(const QList<double> &v)
{
    return v.isEmpty() ? 0 : *std::min_element(v.begin(), v.end());
}

} // namespace RecepcionBanco
