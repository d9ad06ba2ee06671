#pragma once

#include "core/base/Dialogos.h"

#include <QTextStream>

// The person at the keyboard on the command line: messages go to stderr
// with the same texts, questions are answered Yes only with --si, the
// payment password comes from $TENDAL_CLAVE_PAGO or a no-echo prompt on a
// terminal (without either the prompt counts as cancelled). There is no
// folder picker and no printer: they say what to use instead and count as
// cancelled.
class DialogosConsola : public Dialogos
{
public:
    DialogosConsola(QTextStream &err, bool siATodo);

    Respuesta mensaje(const QString &texto, const QString &titulo, Icono icono, Botones botones) override;
    std::optional<QString> pideClave() override;
    std::optional<QString> eligeCarpeta(const QString &inicial) override;
    std::optional<QString> eligeArchivo(const QString &inicial, const QString &filtro) override;
    bool preparaImpresion(QPrinter &impresora) override;

    // True once a message with the critical icon was shown.
    bool huboError() const { return m_huboError; }

private:
    QTextStream &m_err;
    bool m_si;
    bool m_huboError = false;
    bool m_claveEntorno = false;
};
