// The news ticker mirrors the bulletin state: its text and its switch, white
// bold text scrolling over red while it is on; the bulletin window that holds
// it stays hidden.
#include "core/boletines/EstadoBoletin.h"
#include "gui/boletines/Teletipo.h"
#include "gui/boletines/TiraBoletin.h"
#include "gui/boletines/frmPrincipal.h"

#include <QImage>
#include <QMainWindow>
#include <QTest>

class PruebaTeletipo : public QObject
{
    Q_OBJECT
private slots:
    void reflejaElEstado();
    void desplazaMientrasEstaEncendido();
    void tiraDeLaVentanaPrincipal();
};

void PruebaTeletipo::reflejaElEstado()
{
    EstadoBoletin estado;
    estado.pon(QStringLiteral("Información del 08/12/2006"), true);
    frmPrincipal ventana(estado);
    Teletipo *t = ventana.nwstBoletines();
    QVERIFY(ventana.isHidden());
    QCOMPARE(t->texto(), estado.texto());
    QVERIFY(t->encendido());
    QVERIFY(t->font().bold());

    estado.apaga();
    QCOMPARE(t->texto(), QString());
    QVERIFY(!t->encendido());
}

void PruebaTeletipo::desplazaMientrasEstaEncendido()
{
    EstadoBoletin estado;
    Teletipo t;
    t.resize(300, 30);
    t.refleja(estado);
    t.show();
    const QImage apagado = t.grab().toImage();
    QCOMPARE(apagado.pixelColor(5, 5), QColor(255, 0, 0));

    estado.pon(QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"), true);
    QTest::qWait(400);
    const QImage primero = t.grab().toImage();
    bool blanco = false;
    for (int x = 0; x < primero.width() && !blanco; ++x)
        for (int y = 0; y < primero.height() && !blanco; ++y)
            blanco = primero.pixelColor(x, y) == QColor(Qt::white);
    QVERIFY(blanco);
    QTest::qWait(200);
    QVERIFY(t.grab().toImage() != primero);

    // Off, it stands still and shows no text.
    estado.apaga();
    const QImage quieto = t.grab().toImage();
    QTest::qWait(200);
    QCOMPARE(t.grab().toImage(), quieto);
    QCOMPARE(quieto, apagado);
}

void PruebaTeletipo::tiraDeLaVentanaPrincipal()
{
    // The strip is in the main window only while the ticker is on.
    EstadoBoletin estado;
    QMainWindow ventana;
    auto *tira = new TiraBoletin(estado, &ventana);
    ventana.addToolBar(Qt::BottomToolBarArea, tira);
    ventana.show();
    QVERIFY(!tira->isVisible());
    estado.pon(QStringLiteral("Información del 08/12/2006"), true);
    QVERIFY(tira->isVisible());
    QCOMPARE(tira->teletipo()->texto(), estado.texto());
    estado.apaga();
    QVERIFY(!tira->isVisible());
}

QTEST_MAIN(PruebaTeletipo)
#include "PruebaTeletipo.moc"
