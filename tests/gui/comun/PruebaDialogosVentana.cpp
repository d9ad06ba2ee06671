// The person at the keyboard of the desktop program: message boxes with the
// system's titles, icons and Spanish buttons, the password prompt, the
// folder picker and the print dialog.
#include "gui/comun/DialogosVentana.h"
#include "gui/comun/frmPassword.h"

#include <QApplication>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// Runs f on the modal window once it is up.
template<typename T> void cuandoAparezca(std::function<void(T *)> f)
{
    QTimer::singleShot(0, [f] {
        T *w = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *t = qobject_cast<T *>(top); t && t->isVisible())
                w = t;
        if (w)
            f(w);
    });
}

QStringList botones(QMessageBox *caja)
{
    QStringList t;
    for (QAbstractButton *b : caja->buttons())
        t << b->text();
    t.sort();
    return t;
}

} // namespace

class PruebaDialogosVentana : public QObject
{
    Q_OBJECT

private slots:
    void mensajes()
    {
        DialogosVentana d;
        QString titulo, texto;
        QStringList textos;
        QMessageBox::Icon icono = QMessageBox::NoIcon;
        auto mira = [&](QMessageBox *caja, const QString &pulsa) {
            titulo = caja->windowTitle();
            texto = caja->text();
            textos = botones(caja);
            icono = caja->icon();
            for (QAbstractButton *b : caja->buttons())
                if (b->text() == pulsa)
                    b->click();
        };
        cuandoAparezca<QMessageBox>([&](QMessageBox *c) { mira(c, QStringLiteral("&Sí")); });
        QVERIFY(d.pregunta(QStringLiteral("¿Deseas Salir del Sistema?"), Dialogos::Icono::Informacion));
        QCOMPARE(titulo, Dialogos::nombreProducto());
        QCOMPARE(icono, QMessageBox::Information);
        QCOMPARE(textos, QStringList({QStringLiteral("&No"), QStringLiteral("&Sí")}));

        cuandoAparezca<QMessageBox>([&](QMessageBox *c) { mira(c, QStringLiteral("&No")); });
        QVERIFY(!d.pregunta(QStringLiteral("¿Deseas eliminar?")));
        QCOMPARE(icono, QMessageBox::Question);

        // The letters answer without the mouse, against the default button:
        // "S" alone, or Alt+N.
        cuandoAparezca<QMessageBox>([](QMessageBox *c) {
            if (QTest::qWaitForWindowActive(c))
                QTest::keyClick(c, Qt::Key_S);
            else
                c->reject();
        });
        QVERIFY(d.preguntaDestructiva(QStringLiteral("¿Deseas eliminar?")));
        cuandoAparezca<QMessageBox>([](QMessageBox *c) {
            if (QTest::qWaitForWindowActive(c))
                QTest::keyClick(c, Qt::Key_N, Qt::AltModifier);
            else
                c->accept();
        });
        QVERIFY(!d.pregunta(QStringLiteral("¿Deseas Salir del Sistema?")));

        cuandoAparezca<QMessageBox>([&](QMessageBox *c) { mira(c, QStringLiteral("Aceptar")); });
        d.error(QStringLiteral("Error No. 5\r\nDescripcion: x"));
        QCOMPARE(icono, QMessageBox::Critical);
        QCOMPARE(textos, QStringList(QStringLiteral("Aceptar")));
        QCOMPARE(texto, QStringLiteral("Error No. 5\nDescripcion: x"));

        cuandoAparezca<QMessageBox>([&](QMessageBox *c) { mira(c, QStringLiteral("Aceptar")); });
        QCOMPARE(d.mensaje(QStringLiteral("El archivo juliano no existe en las rutas configuradas."),
                           Dialogos::tituloPrograma(), Dialogos::Icono::Ninguno, Dialogos::Botones::Aceptar),
                 Dialogos::Respuesta::Aceptar);
        QCOMPARE(icono, QMessageBox::NoIcon);
        QCOMPARE(titulo, QStringLiteral("Tendal v" TENDAL_VERSION_PROYECTO));
    }

    // Enter in the box moves to "Aceptar"; Enter there accepts. Each showing
    // starts empty; closing or "Cancelar" gives nothing.
    void clave()
    {
        DialogosVentana d;
        QString titulo, mostrado;
        bool enAceptar = false;
        cuandoAparezca<frmPassword>([&](frmPassword *w) {
            titulo = w->windowTitle();
            QTest::keyClicks(w->txtPassword(), QStringLiteral("Pago123"));
            mostrado = w->txtPassword()->displayText();
            QTest::keyClick(w->txtPassword(), Qt::Key_Return);
            enAceptar = w->focusWidget() == w->cmdPassword(0);
            QTest::keyClick(w->focusWidget(), Qt::Key_Return);
        });
        QCOMPARE(d.pideClave(), std::optional<QString>(QStringLiteral("Pago123")));
        QCOMPARE(titulo, QStringLiteral("  Contraseña de Validación"));
        QCOMPARE(mostrado, QStringLiteral("*******"));
        QVERIFY(enAceptar);

        QString alAbrir = QStringLiteral("?");
        cuandoAparezca<frmPassword>([&](frmPassword *w) {
            alAbrir = w->txtPassword()->text();
            QCOMPARE(w->findChild<QLabel *>()->text(), QStringLiteral("Contraseña de Validación"));
            QCOMPARE(w->cmdPassword(0)->text(), QStringLiteral("Aceptar"));
            QTest::keyClicks(w->txtPassword(), QStringLiteral("x"));
            w->cmdPassword(1)->click();
        });
        QCOMPARE(d.pideClave(), std::nullopt);
        QCOMPARE(alAbrir, QString());

        cuandoAparezca<frmPassword>([&](frmPassword *w) { w->close(); });
        QCOMPARE(d.pideClave(), std::nullopt);
    }

    // A refused password leaves the same prompt open, its box emptied and
    // focused; the right one closes it.
    void claveRechazadaNoCierra()
    {
        DialogosVentana d;
        QStringList probadas;
        bool mismaVentana = false;
        bool vaciaTrasRechazo = false;
        cuandoAparezca<frmPassword>([&](frmPassword *w) {
            QTest::keyClicks(w->txtPassword(), QStringLiteral("mala"));
            w->cmdPassword(0)->click();
            mismaVentana = w->isVisible();
            vaciaTrasRechazo = w->txtPassword()->text().isEmpty() && w->focusWidget() == w->txtPassword();
            QTest::keyClicks(w->txtPassword(), QStringLiteral("Pago123"));
            w->cmdPassword(0)->click();
        });
        QVERIFY(d.confirmaClave([&](const QString &t) {
            probadas << t;
            return t == u"Pago123";
        }));
        QCOMPARE(probadas, QStringList({QStringLiteral("mala"), QStringLiteral("Pago123")}));
        QVERIFY(mismaVentana);
        QVERIFY(vaciaTrasRechazo);

        cuandoAparezca<frmPassword>([&](frmPassword *w) { w->cmdPassword(1)->click(); });
        QVERIFY(!d.confirmaClave([](const QString &) { return true; }));
    }

    // The picker opens at the given folder and gives the folder chosen, or
    // nothing when cancelled.
    void carpeta()
    {
        DialogosVentana d;
        QTemporaryDir dir;
        QString abierta;
        cuandoAparezca<QFileDialog>([&](QFileDialog *w) {
            abierta = w->directory().absolutePath();
            w->reject();
        });
        QCOMPARE(d.eligeCarpeta(dir.path()), std::nullopt);
        QCOMPARE(abierta, QDir(dir.path()).absolutePath());

        cuandoAparezca<QFileDialog>([&](QFileDialog *w) { static_cast<QDialog *>(w)->accept(); });
        QCOMPARE(d.eligeCarpeta(dir.path()), std::optional<QString>(QDir(dir.path()).absolutePath()));
    }

    // The print dialog offers "selection" exactly when the printer was set
    // to print the selection; cancelling prints nothing.
    void impresion()
    {
        DialogosVentana d;
        for (const bool seleccion : {false, true}) {
            QPrinter impresora;
            if (seleccion)
                impresora.setPrintRange(QPrinter::Selection);
            bool ofrece = !seleccion;
            cuandoAparezca<QPrintDialog>([&](QPrintDialog *w) {
                ofrece = w->testOption(QAbstractPrintDialog::PrintSelection);
                w->reject();
            });
            QVERIFY(!d.preparaImpresion(impresora));
            QCOMPARE(ofrece, seleccion);
        }
    }
};

QTEST_MAIN(PruebaDialogosVentana)
#include "PruebaDialogosVentana.moc"
