#include "core/catalogo/Descompresor.h"

#include "core/base/ErrorTendal.h"

#include <QFile>
#include <QSaveFile>

#include <zlib.h>

#include <vector>

namespace {

// "Invalid file format": the content is not what it claims to be.
constexpr int kFormatoNoValido = 321;

ErrorTendal danado(const QString &motivo)
{
    return ErrorTendal(kFormatoNoValido, motivo);
}

int bitsVentana(Descompresor::Formato formato)
{
    switch (formato) {
    case Descompresor::Formato::Zlib:
        return 15;
    case Descompresor::Formato::Gzip:
        return 15 + 16;
    case Descompresor::Formato::Deflate:
        return -15;
    }
    return 15;
}

// Frees the inflate state on every way out.
struct Inflador {
    z_stream z {};
    bool listo = false;
    ~Inflador()
    {
        if (listo)
            inflateEnd(&z);
    }
};

} // namespace

Descompresor::Formato Descompresor::detecta(const QByteArray &inicio)
{
    if (inicio.size() < 2)
        return Formato::Deflate;
    const auto b0 = static_cast<unsigned char>(inicio[0]);
    const auto b1 = static_cast<unsigned char>(inicio[1]);
    if (b0 == 0x1f && b1 == 0x8b)
        return Formato::Gzip;
    if ((b0 & 0x0f) == 8 && (b0 >> 4) <= 7 && ((b0 << 8) | b1) % 31 == 0)
        return Formato::Zlib;
    return Formato::Deflate;
}

qint64 Descompresor::descomprime(const QString &origen, const QString &destino, qint64 limite)
{
    QFile entrada(origen);
    if (!entrada.open(QIODevice::ReadOnly))
        throw ErrorTendal(ErrorTendal::ArchivoNoEncontrado, QStringLiteral("no se pudo leer el archivo"));
    if (entrada.size() == 0)
        throw danado(QStringLiteral("el archivo está vacío"));
    const Formato formato = detecta(entrada.peek(2));

    QSaveFile salida(destino);
    if (!salida.open(QIODevice::WriteOnly))
        throw ErrorTendal(ErrorTendal::AccesoRutaArchivo,
                          QStringLiteral("no se pudo crear el archivo %1").arg(destino));

    Inflador inf;
    if (inflateInit2(&inf.z, bitsVentana(formato)) != Z_OK)
        throw ErrorTendal(7, QStringLiteral("no hay memoria para descomprimir"));
    inf.listo = true;

    constexpr qsizetype kBloque = 256 * 1024;
    std::vector<unsigned char> bufEntrada(kBloque);
    std::vector<unsigned char> bufSalida(kBloque);
    qint64 total = 0;
    bool terminado = false;

    while (!terminado) {
        if (inf.z.avail_in == 0) {
            const qint64 leidos = entrada.read(reinterpret_cast<char *>(bufEntrada.data()), kBloque);
            if (leidos < 0)
                throw ErrorTendal(ErrorTendal::AccesoRutaArchivo, QStringLiteral("no se pudo leer el archivo"));
            if (leidos == 0)
                throw danado(QStringLiteral("los datos comprimidos terminan antes de tiempo"));
            inf.z.next_in = bufEntrada.data();
            inf.z.avail_in = uInt(leidos);
        }
        do {
            inf.z.next_out = bufSalida.data();
            inf.z.avail_out = uInt(kBloque);
            const int rc = inflate(&inf.z, Z_NO_FLUSH);
            if (rc == Z_NEED_DICT || rc == Z_DATA_ERROR)
                throw danado(QStringLiteral("los datos comprimidos están dañados (%1)")
                                 .arg(QString::fromLatin1(inf.z.msg ? inf.z.msg : "formato desconocido")));
            if (rc == Z_MEM_ERROR)
                throw ErrorTendal(7, QStringLiteral("no hay memoria para descomprimir"));
            const qint64 producidos = kBloque - inf.z.avail_out;
            total += producidos;
            if (total > limite)
                throw danado(
                    QStringLiteral("su contenido excede el tamaño máximo de %1 MB").arg(limite / (1024 * 1024)));
            if (producidos > 0
                && salida.write(reinterpret_cast<const char *>(bufSalida.data()), producidos) != producidos)
                throw ErrorTendal(ErrorTendal::DiscoLleno,
                                  QStringLiteral("no se pudo escribir el archivo %1").arg(destino));
            if (rc == Z_STREAM_END) {
                // A gzip file may hold further members; anything else after a
                // whole, verified stream is not part of it.
                if (formato == Formato::Gzip) {
                    if (inf.z.avail_in == 0 && !entrada.atEnd()) {
                        const qint64 leidos = entrada.read(reinterpret_cast<char *>(bufEntrada.data()), kBloque);
                        inf.z.next_in = bufEntrada.data();
                        inf.z.avail_in = uInt(qMax<qint64>(leidos, 0));
                    }
                    if (inf.z.avail_in >= 2 && inf.z.next_in[0] == 0x1f && inf.z.next_in[1] == 0x8b) {
                        inflateReset(&inf.z);
                        continue;
                    }
                }
                terminado = true;
                break;
            }
            if (rc == Z_BUF_ERROR && inf.z.avail_in == 0)
                break; // needs more input
        } while (inf.z.avail_in > 0 || inf.z.avail_out == 0);
    }

    if (!salida.commit())
        throw ErrorTendal(ErrorTendal::DiscoLleno, QStringLiteral("no se pudo escribir el archivo %1").arg(destino));
    return total;
}
