#include "gui/envio/frmCambPassword.h"

#include "gui/comun/TeclaEnter.h"
#include "core/envio/CambioPassword.h"
#include "core/base/Ocupacion.h"
#include "core/base/TareaSuelta.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmCambPassword::frmCambPassword(CambioPassword &cambio, QWidget *parent)
    : QDialog(parent)
    , m_cambio(cambio)
{
    TeclaEnter::instala();
    setWindowTitle(QStringLiteral("Cambio de Contraseña de Validación"));
    setModal(true);
    auto *rejilla = new QGridLayout;
    const QString etiquetas[3] = {QStringLiteral("Contraseña Actual"), QStringLiteral("Contraseña Nueva"),
                                  QStringLiteral("Confirmar Contraseña")};
    for (int i = 0; i < 3; ++i) {
        m_lblPassword[i] = new QLabel(etiquetas[i], this);
        m_txtPassword[i] = new QLineEdit(this);
        m_txtPassword[i]->setEchoMode(QLineEdit::Password);
        m_txtPassword[i]->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // typed as "*"
        m_txtPassword[i]->installEventFilter(this);
        m_lblPassword[i]->setBuddy(m_txtPassword[i]);
        rejilla->addWidget(m_lblPassword[i], i, 0);
        rejilla->addWidget(m_txtPassword[i], i, 1);
    }
    m_pxbtnCambio[0] = new QPushButton(QStringLiteral("Aceptar"), this);
    m_pxbtnCambio[1] = new QPushButton(QStringLiteral("Cancelar"), this);
    auto *botones = new QHBoxLayout;
    botones->addStretch();
    for (QPushButton *b : m_pxbtnCambio) {
        // Enter in the boxes moves the focus; on a focused button it presses
        // that button (TeclaEnter), never a default one.
        b->setAutoDefault(false);
        b->setDefault(false);
        botones->addWidget(b);
    }
    auto *caja = new QVBoxLayout(this);
    caja->addLayout(rejilla);
    caja->addLayout(botones);

    setTabOrder(m_txtPassword[0], m_txtPassword[1]);
    setTabOrder(m_txtPassword[1], m_txtPassword[2]);
    setTabOrder(m_txtPassword[2], m_pxbtnCambio[0]);
    setTabOrder(m_pxbtnCambio[0], m_pxbtnCambio[1]);

    connect(m_pxbtnCambio[0], &QPushButton::clicked, this, [this] {
        TareaSuelta::inicia(QStringLiteral("el cambio de la contraseña de pago"), acepta(), m_cambio.dialogos());
    });
    connect(m_pxbtnCambio[1], &QPushButton::clicked, this, &frmCambPassword::reject);
}

void frmCambPassword::showEvent(QShowEvent *evento)
{
    for (QLineEdit *t : m_txtPassword)
        t->clear();
    m_txtPassword[0]->setFocus();
    QDialog::showEvent(evento);
}

void frmCambPassword::done(int resultado)
{
    for (QLineEdit *t : m_txtPassword)
        t->clear();
    QDialog::done(resultado);
}

bool frmCambPassword::eventFilter(QObject *objeto, QEvent *evento)
{
    if (evento->type() == QEvent::KeyPress) {
        const int tecla = static_cast<QKeyEvent *>(evento)->key();
        if ((tecla == Qt::Key_Return || tecla == Qt::Key_Enter) && qobject_cast<QLineEdit *>(objeto)) {
            focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(objeto, evento);
}

void frmCambPassword::reject()
{
    // Cancelling waits for a change that is being published.
    if (m_enCurso)
        return;
    QDialog::reject();
}

QCoro::Task<> frmCambPassword::acepta()
{
    // A second click while the change runs does nothing.
    if (!m_enCurso) {
        bool cambiado = false;
        {
            // The buttons come back and the window can be closed on every
            // way out of the change.
            const Ocupacion enCurso(m_enCurso, [this](bool ocupado) {
                for (QPushButton *b : m_pxbtnCambio)
                    b->setEnabled(!ocupado);
            });
            cambiado = co_await m_cambio.Acepta(m_txtPassword[0]->text(), m_txtPassword[1]->text(),
                                                m_txtPassword[2]->text());
        }
        emit cambioTerminado(cambiado);
        if (cambiado)
            accept();
    }
}
