// The password change window: caption, labels and masked boxes, Enter as
// Tab, boxes emptied at every showing, and its buttons over the change.
#include "tests/soporte/Escena.h"

#include "core/envio/CambioPassword.h"
#include "gui/envio/frmCambPassword.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>

class PruebaVentanaCambioPassword : public QObject
{
    Q_OBJECT
private slots:
    void aspecto();
    void enterActuaComoTab();
    void aceptarYCancelar();
};

void PruebaVentanaCambioPassword::aspecto()
{
    Escena e;
    CambioPassword cambio(e.carga());
    frmCambPassword v(cambio);
    QCOMPARE(v.windowTitle(), QStringLiteral("Cambio de Contraseña de Validación"));
    const QStringList etiquetas {QStringLiteral("Contraseña Actual"), QStringLiteral("Contraseña Nueva"),
                                 QStringLiteral("Confirmar Contraseña")};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(v.txtPassword(i)->echoMode(), QLineEdit::Password);
        v.txtPassword(i)->ensurePolished();
        QCOMPARE(QChar(v.txtPassword(i)->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                            v.txtPassword(i))),
                 QChar(u'*'));
        QLabel *etiqueta = nullptr;
        for (QLabel *l : v.findChildren<QLabel *>())
            if (l->buddy() == v.txtPassword(i))
                etiqueta = l;
        QVERIFY(etiqueta);
        QCOMPARE(etiqueta->text(), etiquetas[i]);
    }
    QCOMPARE(v.pxbtnCambio(0)->text(), QStringLiteral("Aceptar"));
    QCOMPARE(v.pxbtnCambio(1)->text(), QStringLiteral("Cancelar"));
}

void PruebaVentanaCambioPassword::enterActuaComoTab()
{
    Escena e;
    CambioPassword cambio(e.carga());
    frmCambPassword v(cambio);
    v.show();
    QVERIFY(QTest::qWaitForWindowActive(&v));
    QCOMPARE(QApplication::focusWidget(), v.txtPassword(0));
    QTest::keyClick(v.txtPassword(0), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), v.txtPassword(1));
    QTest::keyClick(v.txtPassword(1), Qt::Key_Enter);
    QCOMPARE(QApplication::focusWidget(), v.txtPassword(2));
    QVERIFY(v.isVisible()); // Enter in a box never accepts the window
    QCOMPARE(e.persona().textos(), QStringList());

    // Enter on a focused button presses it: Cancelar closes the window.
    v.pxbtnCambio(1)->setFocus();
    QTest::keyClick(v.pxbtnCambio(1), Qt::Key_Return);
    QVERIFY(!v.isVisible());
}

void PruebaVentanaCambioPassword::aceptarYCancelar()
{
    Escena e;
    Programa &p = e.carga();
    CambioPassword cambio(p);
    frmCambPassword v(cambio);
    QSignalSpy terminado(&v, &frmCambPassword::cambioTerminado);
    const auto escribe = [&](const char *actual, const char *nueva, const char *confirmacion) {
        QTest::keyClicks(v.txtPassword(0), QString::fromLatin1(actual));
        QTest::keyClicks(v.txtPassword(1), QString::fromLatin1(nueva));
        QTest::keyClicks(v.txtPassword(2), QString::fromLatin1(confirmacion));
    };

    // A wrong current password: the message, and the window stays with its texts.
    v.show();
    escribe("otra", "Nueva1", "Nueva1");
    QTest::mouseClick(v.pxbtnCambio(0), Qt::LeftButton);
    QTRY_COMPARE(terminado.count(), 1);
    QCOMPARE(e.persona().textos(), QStringList {QStringLiteral("No coincide la contraseña actual")});
    QVERIFY(v.isVisible());
    QCOMPARE(v.txtPassword(1)->text(), QStringLiteral("Nueva1"));

    // Cancelar hides it and changes nothing; showing it again empties the boxes.
    QTest::mouseClick(v.pxbtnCambio(1), Qt::LeftButton);
    QVERIFY(!v.isVisible());
    v.show();
    for (int i = 0; i < 3; ++i)
        QCOMPARE(v.txtPassword(i)->text(), QString());

    // The right one: published, and the window hides.
    escribe("Pago123", "Nueva1", "Nueva1");
    QTest::mouseClick(v.pxbtnCambio(0), Qt::LeftButton);
    QTRY_COMPARE(terminado.count(), 2);
    QCOMPARE(terminado.at(1).at(0).toBool(), true);
    QVERIFY(!v.isVisible());
    QCOMPARE(p.valores().ClavePago, QStringLiteral("Nueva1"));
    QVERIFY(e.servidor.existe(QStringLiteral("/update/cfps0123.rgs")));
}

QTEST_MAIN(PruebaVentanaCambioPassword)
#include "PruebaVentanaCambioPassword.moc"
