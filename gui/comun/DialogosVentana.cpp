#include "gui/comun/DialogosVentana.h"

#include "gui/comun/frmPassword.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace {

QMessageBox::Icon iconoCaja(Dialogos::Icono icono)
{
    switch (icono) {
    case Dialogos::Icono::Critico:
        return QMessageBox::Critical;
    case Dialogos::Icono::Pregunta:
        return QMessageBox::Question;
    case Dialogos::Icono::Exclamacion:
        return QMessageBox::Warning;
    case Dialogos::Icono::Informacion:
        return QMessageBox::Information;
    case Dialogos::Icono::Ninguno:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

DialogosVentana::DialogosVentana() = default;
DialogosVentana::~DialogosVentana() = default;

Dialogos::Respuesta DialogosVentana::mensaje(const QString &texto, const QString &titulo, Icono icono, Botones botones)
{
    QMessageBox caja(iconoCaja(icono), titulo, QString(texto).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                     QMessageBox::NoButton, QApplication::activeWindow());
    if (botones == Botones::Aceptar) {
        caja.setDefaultButton(caja.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole));
        caja.exec();
        return Respuesta::Aceptar;
    }
    // "S" and "N" answer as the buttons do (Alt + the letter, or the letter alone).
    QPushButton *si = caja.addButton(QStringLiteral("&Sí"), QMessageBox::YesRole);
    QPushButton *no = caja.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    caja.setDefaultButton(botones == Botones::NoSi ? no : si);
    caja.setEscapeButton(no);
    caja.exec();
    return caja.clickedButton() == si ? Respuesta::Si : Respuesta::No;
}

bool DialogosVentana::confirmaClave(const std::function<bool(const QString &)> &acepta)
{
    if (!m_frmPassword)
        m_frmPassword = std::make_unique<frmPassword>();
    return m_frmPassword->confirma(acepta);
}

std::optional<QString> DialogosVentana::pideClave()
{
    if (!m_frmPassword)
        m_frmPassword = std::make_unique<frmPassword>();
    return m_frmPassword->pide();
}

std::optional<QString> DialogosVentana::eligeCarpeta(const QString &inicial)
{
    const QString carpeta = QFileDialog::getExistingDirectory(QApplication::activeWindow(), QString(), inicial);
    if (carpeta.isEmpty())
        return std::nullopt;
    return carpeta;
}

std::optional<QString> DialogosVentana::eligeArchivo(const QString &inicial, const QString &filtro)
{
    const QString archivo = QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), inicial, filtro);
    if (archivo.isEmpty())
        return std::nullopt;
    return archivo;
}

std::optional<QString> DialogosVentana::eligeArchivoPdf(const QString &sugerido)
{
    QString archivo = QFileDialog::getSaveFileName(QApplication::activeWindow(), QStringLiteral("Guardar como PDF"),
                                                   sugerido, QStringLiteral("Documentos PDF (*.pdf)"));
    if (archivo.isEmpty())
        return std::nullopt;
    if (!archivo.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        archivo += QStringLiteral(".pdf");
    return archivo;
}

bool DialogosVentana::preparaImpresion(QPrinter &impresora)
{
    QPrintDialog dialogo(&impresora, QApplication::activeWindow());
    dialogo.setOption(QAbstractPrintDialog::PrintSelection, impresora.printRange() == QPrinter::Selection);
    return dialogo.exec() == QDialog::Accepted;
}
