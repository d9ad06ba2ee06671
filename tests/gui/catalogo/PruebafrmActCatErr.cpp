// The update window: its tool bar, captions and pictures mirror the run;
// closing it only hides it, and it shows the last run when it comes back.

#include "core/catalogo/ActualizacionCatalogo.h"
#include "gui/catalogo/frmActCatErr.h"
#include "core/oficina/Programa.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/ServidorFtp.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QToolBar>

using namespace Qt::StringLiterals;

namespace {

using I = ActualizacionCatalogo::Indicador;

bool muestra(const QLabel *imagen, I indicador)
{
    const QPixmap esperado = frmActCatErr::dibujo(indicador);
    if (esperado.isNull())
        return imagen->pixmap().isNull();
    return imagen->pixmap().toImage() == esperado.toImage();
}

} // namespace

class PruebafrmActCatErr : public QObject
{
    Q_OBJECT

private slots:
    void controles()
    {
        Oficina oficina;
        ActualizacionCatalogo actualizacion(oficina.carga());
        frmActCatErr ventana(actualizacion);
        QCOMPARE(ventana.windowTitle(), u"Actualización del Catálogo de Errores"_s);
        const QList<QAction *> botones = ventana.tlbAct()->actions();
        QCOMPARE(botones.size(), 2);
        QCOMPARE(botones[0]->text(), u"      Actualizar      "_s);
        QCOMPARE(botones[0]->data().toString(), u"recibir"_s);
        QCOMPARE(botones[0]->toolTip(), u"Inicia la recepción de la actualización"_s);
        QCOMPARE(botones[1]->text(), u"Salir"_s);
        QCOMPARE(botones[1]->data().toString(), u"salir"_s);
        QCOMPARE(botones[1]->toolTip(), u"Cierra el módulo de actualizaciones"_s);
        const QStringList leyendas
            = {u"Descargando Lista de Actualizaciones"_s, u"Revisando Lista de Actualizaciones"_s,
               u"Descargando Archivo de Actualización"_s, u"Instalando Actualización de Catálogo"_s};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(ventana.lblAct(i)->text(), leyendas[i]);
            QVERIFY(muestra(ventana.imgAct(i + 1), I::Ninguno));
        }
        QVERIFY(!ventana.imgAct(0)->pixmap().isNull());
        QVERIFY(ventana.lblResult()->text().isEmpty());
        // Three different pictures.
        QVERIFY(frmActCatErr::dibujo(I::Ejecutando).toImage() != frmActCatErr::dibujo(I::Hecho).toImage());
        QVERIFY(frmActCatErr::dibujo(I::Hecho).toImage() != frmActCatErr::dibujo(I::Fin).toImage());
    }

    // The window by the keys alone: Tab stops, Space and Enter on the
    // focused button, the letters, Escape.
    void soloTeclado()
    {
        ServidorFtp servidor;
        Oficina oficina;
        servidor.apunta(oficina);
        servidor.escribe(u"/update/revact.txt"_s, "0\r\n");
        ActualizacionCatalogo actualizacion(oficina.carga());
        frmActCatErr ventana(actualizacion);
        QWidget *actualizar = ventana.tlbAct()->widgetForAction(ventana.boton(u"recibir"_s));
        QWidget *salir = ventana.tlbAct()->widgetForAction(ventana.boton(u"salir"_s));
        const auto abre = [&] {
            ventana.show();
            ventana.activateWindow();
            return QTest::qWaitForWindowActive(&ventana);
        };
        const auto pulsa = [&](Qt::Key tecla, Qt::KeyboardModifiers mod = Qt::NoModifier) {
            QTest::keyClick(ventana.focusWidget() ? ventana.focusWidget() : &ventana, tecla, mod);
        };
        const auto corre = [&](const std::function<void()> &teclas) {
            ventana.lblResult()->clear();
            teclas();
            QTRY_COMPARE(ventana.lblResult()->text(), u"No existen actualizaciones del catálogo!!!"_s);
            QTRY_VERIFY(!actualizacion.enCurso());
        };

        QVERIFY(abre());
        QCOMPARE(ventana.focusWidget(), actualizar);
        pulsa(Qt::Key_Tab);
        QCOMPARE(ventana.focusWidget(), salir);
        pulsa(Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(ventana.focusWidget(), actualizar);
        corre([&] { pulsa(Qt::Key_Space); });
        corre([&] { pulsa(Qt::Key_Return); });
        corre([&] { pulsa(Qt::Key_A, Qt::AltModifier); });

        pulsa(Qt::Key_Escape);
        QVERIFY(!ventana.isVisible());
        QVERIFY(abre());
        pulsa(Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(!ventana.isVisible());
        QVERIFY(abre());
        pulsa(Qt::Key_Tab);
        QCOMPARE(ventana.focusWidget(), salir);
        pulsa(Qt::Key_Return);
        QVERIFY(!ventana.isVisible());
    }

    void reflejaLaCorridaYSeOculta()
    {
        ServidorFtp servidor;
        Oficina oficina;
        servidor.apunta(oficina);
        servidor.escribe(u"/update/revact.txt"_s, "0\r\n"); // the installed version (an empty catalogue)
        ActualizacionCatalogo actualizacion(oficina.carga());
        QPointer<frmActCatErr> ventana = new frmActCatErr(actualizacion);
        ventana->show();
        QVERIFY(QTest::qWaitForWindowExposed(ventana));

        ventana->boton(u"recibir"_s)->trigger();
        QTRY_COMPARE(ventana->lblResult()->text(), u"No existen actualizaciones del catálogo!!!"_s);
        QTRY_VERIFY(!actualizacion.enCurso());
        QVERIFY(muestra(ventana->imgAct(1), I::Hecho));
        QVERIFY(muestra(ventana->imgAct(2), I::Fin));
        QVERIFY(muestra(ventana->imgAct(3), I::Ninguno));

        // Closing from the title bar is "salir": hidden, not destroyed.
        QVERIFY(!ventana->close());
        QVERIFY(ventana);
        QVERIFY(!ventana->isVisible());
        ventana->show();
        QCOMPARE(ventana->lblResult()->text(), u"No existen actualizaciones del catálogo!!!"_s);
        QVERIFY(muestra(ventana->imgAct(2), I::Fin));
        ventana->boton(u"salir"_s)->trigger();
        QTRY_VERIFY(!ventana->isVisible());
        delete ventana;
    }
};

QTEST_MAIN(PruebafrmActCatErr)
#include "PruebafrmActCatErr.moc"
