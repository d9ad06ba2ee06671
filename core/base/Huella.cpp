#include "core/base/Huella.h"

#include "core/base/ErrorTendal.h"

#include <QDir>
#include <QFile>

Huella::Huella()
    : m_hash(std::make_unique<QCryptographicHash>(QCryptographicHash::Sha256))
{
}

void Huella::agrega(const QByteArray &bloque)
{
    m_hash->addData(bloque);
    m_tamano += bloque.size();
}

QString Huella::sha256() const
{
    return QString::fromLatin1(m_hash->resultView().toByteArray().toHex());
}

Huella Huella::deArchivo(const QString &ruta)
{
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly))
        throw ErrorTendal::conNumero(ErrorTendal::AccesoRutaArchivo, QDir::toNativeSeparators(ruta));
    Huella h;
    while (!archivo.atEnd()) {
        const QByteArray bloque = archivo.read(1 << 20);
        if (bloque.isEmpty() && archivo.error() != QFileDevice::NoError)
            throw ErrorTendal::conNumero(ErrorTendal::AccesoRutaArchivo, QDir::toNativeSeparators(ruta));
        h.agrega(bloque);
    }
    return h;
}
