#pragma once

#include <QCoro/QCoroTask>
#include <QDialog>
#include <array>

class CambioPassword;
class QLabel;
class QLineEdit;
class QPushButton;

// "Cambio de Contraseña de Validación": the current password, the new one and
// its confirmation, all masked. Enter in a box moves to the next control as
// Tab does; every showing empties the boxes and puts the focus on the first.
// "Aceptar" hands the three texts to CambioPassword and hides the window when
// the change went through; "Cancelar" (and closing the window) hides it and
// changes nothing. The window is hidden, never destroyed, when it closes.
class frmCambPassword : public QDialog
{
    Q_OBJECT
public:
    explicit frmCambPassword(CambioPassword &cambio, QWidget *parent = nullptr);

    QLineEdit *txtPassword(int i) const { return m_txtPassword.at(i); }
    QPushButton *pxbtnCambio(int i) const { return m_pxbtnCambio.at(i); }

    // The change started by "Aceptar"; it ends before the window may hide.
    bool enCurso() const { return m_enCurso; }

public slots:
    void reject() override;

signals:
    void cambioTerminado(bool cambiado);

protected:
    void showEvent(QShowEvent *evento) override;
    // However the window closes, the typed passwords leave its boxes.
    void done(int resultado) override;
    bool eventFilter(QObject *objeto, QEvent *evento) override;

private:
    QCoro::Task<> acepta();

    CambioPassword &m_cambio;
    std::array<QLabel *, 3> m_lblPassword {};
    std::array<QLineEdit *, 3> m_txtPassword {};
    std::array<QPushButton *, 2> m_pxbtnCambio {};
    bool m_enCurso = false;
};
