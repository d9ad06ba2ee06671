#include "core/base/Huella.h"

#include "core/base/ErrorTendal.h"

#include <QDir>
#include <QFile>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <new>

namespace {

// The library is set up when the program loads, before anything else uses
// it (libcurl, loaded later, shares it), and is not torn down at exit: its
// exit handler freed the per-thread state of worker threads still ending,
// whose own end then freed it again.
const bool g_preparada = OPENSSL_init_crypto(OPENSSL_INIT_NO_ATEXIT, nullptr) == 1;

} // namespace

void Huella::Libera::operator()(evp_md_ctx_st *c) const
{
    EVP_MD_CTX_free(c);
}

Huella::Huella()
    : m_hash(EVP_MD_CTX_new())
{
    (void)g_preparada;
    if (!m_hash || EVP_DigestInit_ex(m_hash.get(), EVP_sha256(), nullptr) != 1)
        throw std::bad_alloc();
}

Huella::~Huella() = default;
Huella::Huella(Huella &&) noexcept = default;
Huella &Huella::operator=(Huella &&) noexcept = default;

void Huella::agrega(const char *datos, qint64 largo)
{
    if (largo <= 0)
        return;
    EVP_DigestUpdate(m_hash.get(), datos, size_t(largo));
    m_tamano += largo;
}

QString Huella::sha256() const
{
    // Finished on a copy: the print can be read and fed again.
    std::unique_ptr<evp_md_ctx_st, Libera> copia(EVP_MD_CTX_new());
    unsigned char resumen[EVP_MAX_MD_SIZE];
    unsigned int largo = 0;
    if (!copia || EVP_MD_CTX_copy_ex(copia.get(), m_hash.get()) != 1
        || EVP_DigestFinal_ex(copia.get(), resumen, &largo) != 1)
        throw std::bad_alloc();
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(resumen), int(largo)).toHex());
}

Huella Huella::deArchivo(const QString &ruta)
{
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw ErrorTendal::conNumero(ErrorTendal::AccesoRutaArchivo, QDir::toNativeSeparators(ruta));
    Huella h;
    QByteArray bloque(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = archivo.read(bloque.data(), bloque.size());
        if (n < 0)
            throw ErrorTendal::conNumero(ErrorTendal::AccesoRutaArchivo, QDir::toNativeSeparators(ruta));
        if (n == 0)
            break;
        h.agrega(bloque.constData(), n);
    }
    return h;
}
