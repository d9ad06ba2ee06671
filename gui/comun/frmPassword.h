#pragma once

#include <QDialog>
#include <functional>
#include <optional>

class QLineEdit;
class QPushButton;

// The payment-password prompt: a masked box with "Aceptar" and
// "Cancelar". Enter in the box acts as Tab; closing it acts as "Cancelar".
// Each showing starts with an empty box that has the focus. Whether the
// typed password is right is decided by its caller.
class frmPassword : public QDialog
{
    Q_OBJECT
public:
    explicit frmPassword(QWidget *parent = nullptr);

    // Shows the prompt modally: the typed text, or nothing when cancelled.
    std::optional<QString> pide();
    // Shows the prompt modally until acepta takes a typed text (true) or
    // the person cancels (false). A refused text empties the box, which
    // keeps the focus; the prompt stays.
    bool confirma(const std::function<bool(const QString &)> &acepta);

    QLineEdit *txtPassword() const { return m_txtPassword; }
    QPushButton *cmdPassword(int indice) const { return m_cmdPassword[indice]; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *objeto, QEvent *evento) override;

private:
    void alAceptar();

    std::function<bool(const QString &)> m_acepta;
    QLineEdit *m_txtPassword;
    QPushButton *m_cmdPassword[2];
};
