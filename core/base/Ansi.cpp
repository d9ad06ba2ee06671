#include "core/base/Ansi.h"

#include "core/base/ErrorTendal.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// Windows-1252 codes 0x80 to 0x9F; the undefined ones keep their C1 code point.
constexpr char16_t kAlto[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

namespace Ansi {

QChar caracter(unsigned char codigo)
{
    if (codigo >= 0x80 && codigo < 0xA0)
        return QChar(kAlto[codigo - 0x80]);
    return QChar(char16_t(codigo));
}

std::optional<unsigned char> codigo(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<unsigned char>(u);
    for (int i = 0; i < 32; ++i)
        if (kAlto[i] == u)
            return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

QString decodifica(const QByteArray &bytes)
{
    QString texto;
    texto.resize(bytes.size());
    QChar *destino = texto.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        destino[i] = caracter(static_cast<unsigned char>(bytes[i]));
    return texto;
}

QByteArray codifica(const QString &texto)
{
    QByteArray bytes;
    bytes.reserve(texto.size());
    for (QChar c : texto) {
        const auto b = codigo(c);
        bytes.append(b ? static_cast<char>(*b) : '?');
    }
    return bytes;
}

QStringList divideLineas(const QByteArray &bytes)
{
    QStringList lineas;
    qsizetype inicio = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (bytes[i] == '\r') {
            lineas.append(decodifica(bytes.mid(inicio, i - inicio)));
            if (i + 1 < n && bytes[i + 1] == '\n')
                ++i;
            inicio = i + 1;
        }
    }
    if (inicio < n)
        lineas.append(decodifica(bytes.mid(inicio)));
    return lineas;
}

static QByteArray leeTodo(const QString &ruta)
{
    QFile archivo(ruta);
    if (!archivo.exists())
        throw ErrorTendal::conNumero(ErrorTendal::ArchivoNoEncontrado, ruta);
    if (!archivo.open(QIODevice::ReadOnly))
        throw ErrorTendal::conNumero(ErrorTendal::AccesoRutaArchivo, ruta);
    const QByteArray bytes = archivo.readAll();
    if (archivo.error() != QFileDevice::NoError)
        throw ErrorTendal::conNumero(ErrorTendal::AccesoRutaArchivo, ruta);
    return bytes;
}

QStringList leeLineas(const QString &ruta)
{
    return divideLineas(leeTodo(ruta));
}

QString leePrimeraLinea(const QString &ruta)
{
    const QStringList lineas = leeLineas(ruta);
    return lineas.isEmpty() ? QString() : lineas.first();
}

void escribeLineas(const QString &ruta, const QStringList &lineas, bool privado)
{
    if (!QFileInfo(ruta).absoluteDir().exists())
        throw ErrorTendal::conNumero(ErrorTendal::RutaNoEncontrada, ruta);
    QSaveFile archivo(ruta);
    if (!archivo.open(QIODevice::WriteOnly))
        throw ErrorTendal::conNumero(ErrorTendal::PermisoDenegado, ruta);
    if (privado)
        archivo.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QByteArray bytes;
    for (const QString &linea : lineas) {
        bytes += codifica(linea);
        bytes += "\r\n";
    }
    if (archivo.write(bytes) != bytes.size() || !archivo.commit())
        throw ErrorTendal::conNumero(archivo.error() == QFileDevice::ResourceError ? ErrorTendal::DiscoLleno
                                                                                   : ErrorTendal::AccesoRutaArchivo,
                                     ruta);
}

} // namespace Ansi
