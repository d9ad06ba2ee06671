#pragma once

#include "core/base/Dialogos.h"

// The person of the command line for a send: answers as the console does,
// but a question about a file (Yes and No, no icon) repeated more than three
// times in a row is answered No, so that with --si a file that stays locked
// ends as if the answer had been No instead of being retried for ever.
class DialogosSinBucle : public Dialogos
{
public:
    explicit DialogosSinBucle(Dialogos &consola);

    Respuesta mensaje(const QString &texto, const QString &titulo, Icono icono, Botones botones) override;
    std::optional<QString> pideClave() override;
    std::optional<QString> eligeCarpeta(const QString &inicial) override;
    std::optional<QString> eligeArchivo(const QString &inicial, const QString &filtro) override;
    bool preparaImpresion(QPrinter &impresora) override;

private:
    Dialogos &m_consola;
    QString m_repetida;
    int m_veces = 0;
};
