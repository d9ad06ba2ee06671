#include "gui/comun/frmPassword.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmPassword::frmPassword(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("  Contraseña de Validación"));
    setModal(true);
    auto *lblPassword = new QLabel(QStringLiteral("Contraseña de Validación"), this);
    m_txtPassword = new QLineEdit(this);
    m_txtPassword->setEchoMode(QLineEdit::Password);
    m_txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    m_txtPassword->setMinimumWidth(240);
    m_txtPassword->installEventFilter(this);
    lblPassword->setBuddy(m_txtPassword);
    m_cmdPassword[0] = new QPushButton(QStringLiteral("Aceptar"), this);
    m_cmdPassword[1] = new QPushButton(QStringLiteral("Cancelar"), this);
    connect(m_cmdPassword[0], &QPushButton::clicked, this, &frmPassword::alAceptar);
    connect(m_cmdPassword[1], &QPushButton::clicked, this, &QDialog::reject);

    auto *botones = new QHBoxLayout;
    botones->addStretch();
    botones->addWidget(m_cmdPassword[0]);
    botones->addWidget(m_cmdPassword[1]);
    auto *diseno = new QVBoxLayout(this);
    diseno->addWidget(lblPassword);
    diseno->addWidget(m_txtPassword);
    diseno->addSpacing(6);
    diseno->addLayout(botones);
    setTabOrder(m_txtPassword, m_cmdPassword[0]);
    setTabOrder(m_cmdPassword[0], m_cmdPassword[1]);
}

std::optional<QString> frmPassword::pide()
{
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    const QString texto = m_txtPassword->text();
    m_txtPassword->clear();
    return texto;
}

bool frmPassword::confirma(const std::function<bool(const QString &)> &acepta)
{
    m_acepta = acepta;
    const bool aceptada = exec() == QDialog::Accepted;
    m_acepta = nullptr;
    m_txtPassword->clear();
    return aceptada;
}

void frmPassword::alAceptar()
{
    if (!m_acepta || m_acepta(m_txtPassword->text())) {
        accept();
        return;
    }
    m_txtPassword->clear();
    m_txtPassword->setFocus();
}

void frmPassword::showEvent(QShowEvent *event)
{
    m_txtPassword->clear();
    m_txtPassword->setFocus();
    QDialog::showEvent(event);
}

bool frmPassword::eventFilter(QObject *objeto, QEvent *evento)
{
    if (objeto == m_txtPassword && evento->type() == QEvent::KeyPress) {
        const int tecla = static_cast<QKeyEvent *>(evento)->key();
        if (tecla == Qt::Key_Return || tecla == Qt::Key_Enter) {
            focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(objeto, evento);
}
