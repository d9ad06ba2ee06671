#include "core/base/Secreto.h"

#include <cstring>

namespace {

// An overwrite that the compiler may not leave out as a dead store.
void ceros(void *datos, std::size_t largo)
{
    if (largo == 0)
        return;
#if defined(__GLIBC__)
    ::explicit_bzero(datos, largo);
#else
    volatile unsigned char *p = static_cast<volatile unsigned char *>(datos);
    while (largo--)
        *p++ = 0;
#endif
}

} // namespace

namespace Secreto {

void borra(QString &texto)
{
    if (texto.isDetached())
        ceros(texto.data(), std::size_t(texto.size()) * sizeof(QChar));
    texto.truncate(0);
}

void borra(QByteArray &bytes)
{
    if (bytes.isDetached())
        ceros(bytes.data(), std::size_t(bytes.size()));
    bytes.truncate(0);
}

void borra(std::string &texto)
{
    ceros(texto.data(), texto.size());
    texto.clear();
}

} // namespace Secreto
