#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

struct evp_md_ctx_st;

// The size and SHA-256 of a file's bytes, as the journal records them. Fed
// block by block while a file is copied, or read from a file at once. The
// hash is libcrypto's, which uses the processor's SHA instructions where it
// has them.
class Huella
{
public:
    Huella();
    ~Huella();
    Huella(Huella &&) noexcept;
    Huella &operator=(Huella &&) noexcept;

    void agrega(const char *datos, qint64 largo);
    void agrega(const QByteArray &bloque) { agrega(bloque.constData(), bloque.size()); }
    qint64 tamano() const { return m_tamano; }
    QString sha256() const; // lower-case hexadecimal

    // The print of a file; throws ErrorTendal (75) when it cannot be read.
    static Huella deArchivo(const QString &ruta);

private:
    struct Libera {
        void operator()(evp_md_ctx_st *c) const;
    };
    std::unique_ptr<evp_md_ctx_st, Libera> m_hash;
    qint64 m_tamano = 0;
};
