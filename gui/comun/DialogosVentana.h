#pragma once

#include "core/base/Dialogos.h"

#include <memory>

class frmPassword;

// The person at the keyboard of the desktop program: message boxes with the
// given title, icon and buttons ("Aceptar", "Sí", "No"), the payment
// password prompt frmPassword (created once and hidden between showings),
// the folder picker and the print dialog, each over the active window.
class DialogosVentana : public Dialogos
{
public:
    DialogosVentana();
    ~DialogosVentana() override;

    Respuesta mensaje(const QString &texto, const QString &titulo, Icono icono, Botones botones) override;
    std::optional<QString> pideClave() override;
    bool confirmaClave(const std::function<bool(const QString &)> &acepta) override;
    std::optional<QString> eligeCarpeta(const QString &inicial) override;
    std::optional<QString> eligeArchivo(const QString &inicial, const QString &filtro) override;
    bool preparaImpresion(QPrinter &impresora) override;
    std::optional<QString> eligeArchivoPdf(const QString &sugerido) override;

private:
    std::unique_ptr<frmPassword> m_frmPassword;
};
