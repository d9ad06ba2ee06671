// The configuration window mirrors the fields and the mode, forwards every
// edit and click, and is only ever hidden.
#include "core/configuracion/Parametros.h"
#include "gui/configuracion/frmParametros.h"
#include "tests/soporte/Oficina.h"

#include <QAction>
#include <QApplication>
#include <QSignalSpy>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {

struct Ventana {
    Oficina oficina;
    Programa &programa;
    Parametros parametros;
    frmParametros ventana;

    explicit Ventana(const QString &sql = QString())
        : programa((sql.isEmpty() ? void() : oficina.sql(sql), oficina.carga()))
        , parametros(programa)
        , ventana(programa, parametros)
    {
    }
    void accion(int n) { ventana.boton(n)->trigger(); }
    bool visible(QWidget *w) { return w->isVisibleTo(&ventana); }
    QString columna(const QString &nombre)
    {
        QSqlQuery q = programa.conexion().ejecuta(QStringLiteral("SELECT %1 FROM PARAMETROS").arg(nombre));
        return q.next() ? q.value(0).toString() : QStringLiteral("<sin fila>");
    }
};

const QString kDirecciones = QStringLiteral(
    "UPDATE PARAMETROS SET Host_Ras = 'ras.viejo', Host_Internet = 'internet.viejo', Host = 'radio.viejo', "
    "telefono = '5550000', ip_proxy = 'proxy.viejo', proxy = -1");

} // namespace

class PruebafrmParametros : public QObject
{
    Q_OBJECT

private slots:
    // The tool bar by the keys alone: letters, Tab stops in both modes, and
    // the keys back on Modificar once Guardar or Cancelar has gone.
    void soloTeclado()
    {
        Ventana v;
        frmParametros &w = v.ventana;
        w.muestra();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const auto boton = [&](int n) {
            return w.tlbParametros()->widgetForAction(w.boton(n));
        };
        const auto pulsa = [&](Qt::Key tecla, Qt::KeyboardModifiers mod = Qt::NoModifier) {
            QTest::keyClick(w.focusWidget() ? w.focusWidget() : &w, tecla, mod);
        };
        QCOMPARE(w.focusWidget(), boton(1)); // Modificar
        pulsa(Qt::Key_Tab);
        QCOMPARE(w.focusWidget(), boton(3)); // Salir
        pulsa(Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(w.focusWidget(), boton(1));

        // A letter presses its button as a click does (shown pressed a moment first).
        pulsa(Qt::Key_M, Qt::AltModifier);
        QTRY_VERIFY(v.parametros.camposHabilitados());
        QTRY_VERIFY(w.cboParametros()->hasFocus());
        pulsa(Qt::Key_C, Qt::AltModifier); // Cancelar
        QTRY_VERIFY(!v.parametros.camposHabilitados());
        QTRY_COMPARE(w.focusWidget(), boton(1));

        // Space on the focused button, then Guardar by its letter.
        pulsa(Qt::Key_Space);
        QVERIFY(v.parametros.camposHabilitados());
        QSignalSpy guardado(&v.parametros, &Parametros::guardado);
        pulsa(Qt::Key_G, Qt::AltModifier);
        QTRY_COMPARE(guardado.size(), 1);
        QVERIFY(!v.parametros.camposHabilitados());
        QTRY_COMPARE(w.focusWidget(), boton(1));

        QSignalSpy cambio(&v.parametros, &Parametros::cambioPasswordPedido);
        pulsa(Qt::Key_O, Qt::AltModifier); // Cambiar Contraseña
        QTRY_COMPARE(cambio.size(), 1);
        QCOMPARE(w.boton(7)->iconText(), QStringLiteral("Cambiar C&ontraseña"));
        pulsa(Qt::Key_S, Qt::AltModifier); // Salir
        QTRY_VERIFY(!w.isVisible());
    }

    void carga()
    {
        Ventana v(kDirecciones);
        frmParametros &w = v.ventana;
        QCOMPARE(w.windowTitle(), QStringLiteral("Parámetros del Sistema"));
        QCOMPARE(w.sstParametros()->count(), 3);
        QCOMPARE(w.sstParametros()->tabText(0), QStringLiteral("Generales"));
        QCOMPARE(w.sstParametros()->tabText(1), QStringLiteral("Directorios de Archivos"));
        QCOMPARE(w.sstParametros()->tabText(2), QStringLiteral("Recepción"));
        QCOMPARE(w.spnEspera()->value(), 30);
        QVERIFY(!w.spnEspera()->isEnabled());
        QStringList etiquetas;
        for (QLabel *l : w.findChildren<QLabel *>())
            etiquetas << l->text();
        for (const char *t : {"Patente", "Nombre del Agente Aduanal", "Tipo de Tendal", "Dirección IP Servidor",
                              "Dir. Envío de Archivos SAAI M3", "Dir. Recepción de Archivos Cartas Cupo",
                              "Dir. Envío de Archivos de Pago Electrónico", "Dir. Recepción de Archivos de Sagarpa"})
            QVERIFY2(etiquetas.contains(QString::fromUtf8(t)), t);
        QCOMPARE(w.chkParametros()->text(), QStringLiteral(" Proxy"));

        // The ten buttons in order, separators included; view mode.
        const QList<QAction *> acciones = w.tlbParametros()->actions();
        QCOMPARE(acciones.size(), 10);
        for (int n = 1; n <= 10; ++n) {
            QCOMPARE(acciones[n - 1], w.boton(n));
            QCOMPARE(w.boton(n)->isSeparator(), Parametros::botones()[n - 1].separador);
            QCOMPARE(w.boton(n)->isVisible(), n != 4 && n != 5);
        }
        QCOMPARE(w.boton(1)->text(), QStringLiteral("      Modificar      "));
        QCOMPARE(w.boton(9)->toolTip(), QStringLiteral("Solicita a contraseña de pago electrónico"));

        // The record's values: INTERNET with a proxy.
        QCOMPARE(w.txtParametros(CamposConfiguracion::Patente)->text(), QStringLiteral("123"));
        QCOMPARE(w.txtParametros(CamposConfiguracion::Agente)->text(), QStringLiteral("AGENTE DE PRUEBA"));
        QCOMPARE(w.cboParametros()->currentText(), QStringLiteral("INTERNET"));
        QCOMPARE(w.txtParametros(CamposConfiguracion::Servidor)->text(), QStringLiteral("internet.viejo"));
        QVERIFY(!v.visible(w.txtParametros(CamposConfiguracion::telefono)));
        QVERIFY(v.visible(w.chkParametros()));
        QVERIFY(w.chkParametros()->isChecked());
        QVERIFY(v.visible(w.txtParametros(CamposConfiguracion::ip_proxy)));
        QCOMPARE(w.txtParametros(CamposConfiguracion::ip_proxy)->text(), QStringLiteral("proxy.viejo"));
        QCOMPARE(w.txtParametros(CamposConfiguracion::val_env)->text(),
                 v.programa.campos().texto(CamposConfiguracion::val_env));
        for (int n = 0; n < 13; ++n)
            QVERIFY(!w.txtParametros(n)->isEnabled());
        QVERIFY(!w.cboParametros()->isEnabled());
        QVERIFY(!w.chkParametros()->isEnabled());
        for (int n = 0; n < 8; ++n)
            QVERIFY(!w.cmdParametros(n)->isEnabled());
    }

    void edicion()
    {
        Ventana v(kDirecciones);
        frmParametros &w = v.ventana;
        w.muestra();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        v.accion(1); // Modificar
        for (int n = 1; n <= 10; ++n)
            QCOMPARE(w.boton(n)->isVisible(), n > 3);
        QVERIFY(!w.txtParametros(CamposConfiguracion::Patente)->isEnabled());
        QVERIFY(!w.txtParametros(CamposConfiguracion::Agente)->isEnabled());
        for (int n = 2; n < 13; ++n)
            QVERIFY(w.txtParametros(n)->isEnabled());
        QVERIFY(w.cboParametros()->isEnabled());
        QVERIFY(w.cmdParametros(7)->isEnabled());
        QTRY_VERIFY(w.cboParametros()->hasFocus());

        // MODEM: the telephone shows masked, the proxy hides, the address is Host_Ras's.
        w.cboParametros()->setCurrentIndex(0);
        emit w.cboParametros()->activated(0);
        QVERIFY(v.visible(w.txtParametros(CamposConfiguracion::telefono)));
        QVERIFY(!v.visible(w.chkParametros()));
        QVERIFY(!v.visible(w.txtParametros(CamposConfiguracion::ip_proxy)));
        QCOMPARE(w.txtParametros(CamposConfiguracion::Servidor)->text(), QStringLiteral("ras.viejo"));
        QCOMPARE(w.txtParametros(CamposConfiguracion::telefono)->displayText(), QStringLiteral("*******"));

        // RADIO MODEM: a typed address is dropped for Host's.
        QTest::keyClicks(w.txtParametros(CamposConfiguracion::Servidor), QStringLiteral(".x"));
        QCOMPARE(v.programa.campos().texto(CamposConfiguracion::Servidor), QStringLiteral("ras.viejo.x"));
        w.cboParametros()->setCurrentIndex(2);
        emit w.cboParametros()->activated(2);
        QCOMPARE(w.txtParametros(CamposConfiguracion::Servidor)->text(), QStringLiteral("radio.viejo"));
        QVERIFY(v.visible(w.chkParametros()));
        QVERIFY(v.visible(w.txtParametros(CamposConfiguracion::ip_proxy)));
        w.chkParametros()->click();
        QVERIFY(!v.programa.campos().proxy());
        QVERIFY(!v.visible(w.txtParametros(CamposConfiguracion::ip_proxy)));

        // A picker changes its field in the window and in the live fields.
        v.oficina.dialogos.carpetas << QStringLiteral("/elegida");
        QTest::mouseClick(w.cmdParametros(2), Qt::LeftButton);
        QCOMPARE(v.oficina.dialogos.carpetasIniciales.size(), 1);
        QCOMPARE(w.txtParametros(CamposConfiguracion::tra_env)->text(),
                 QDir::toNativeSeparators(QStringLiteral("/elegida")));
        QCOMPARE(v.programa.campos().texto(CamposConfiguracion::tra_env),
                 w.txtParametros(CamposConfiguracion::tra_env)->text());

        // Closing hides the window and keeps edit mode.
        QVERIFY(!w.close());
        QVERIFY(w.isHidden());
        QVERIFY(w.boton(4)->isVisible());

        // The minutes before a file without responses is flagged.
        QVERIFY(w.spnEspera()->isEnabled());
        w.spnEspera()->setValue(45);
        QCOMPARE(v.programa.campos().espera(), 45);

        w.muestra();
        v.accion(4); // Guardar
        QCOMPARE(v.columna(QStringLiteral("espera_respuesta")), QStringLiteral("45"));
        QCOMPARE(v.columna(QStringLiteral("Host")), QStringLiteral("radio.viejo"));
        QCOMPARE(v.columna(QStringLiteral("tipo_acceso")), QStringLiteral("2"));
        QCOMPARE(v.columna(QStringLiteral("proxy")), QStringLiteral("0"));
        QCOMPARE(v.columna(QStringLiteral("tra_env")), QDir::toNativeSeparators(QStringLiteral("/elegida")));
        QCOMPARE(v.columna(QStringLiteral("vererr")), QStringLiteral("1"));
        QVERIFY(w.boton(1)->isVisible());
        QVERIFY(!w.txtParametros(CamposConfiguracion::Servidor)->isEnabled());
        QCOMPARE(w.aviso(), QStringLiteral("Configuración guardada")); // a save says so
    }

    // The encryption choice and the certificate file of Generales: shown from
    // the record, edited only in edit mode, the file through the picker,
    // saved to cifrado and certificado, and taken back by Cancelar.
    void cifrado()
    {
        Ventana v(QStringLiteral("UPDATE PARAMETROS SET cifrado = 1, certificado = '/etc/ca.pem'"));
        frmParametros &w = v.ventana;
        QStringList opciones;
        for (int i = 0; i < w.cboCifrado()->count(); ++i)
            opciones << w.cboCifrado()->itemText(i);
        QCOMPARE(opciones, (QStringList {QStringLiteral("Ninguno"), QStringLiteral("TLS si el servidor lo ofrece"),
                                         QStringLiteral("TLS obligatorio")}));
        QCOMPARE(w.cboCifrado()->currentIndex(), 1);
        QCOMPARE(w.txtCertificado()->text(), QStringLiteral("/etc/ca.pem"));
        QVERIFY(!w.cboCifrado()->isEnabled());
        QVERIFY(!w.cmdCertificado()->isEnabled());

        v.accion(1); // Modificar
        QVERIFY(w.cboCifrado()->isEnabled() && w.txtCertificado()->isEnabled() && w.cmdCertificado()->isEnabled());
        w.cboCifrado()->setCurrentIndex(2);
        emit w.cboCifrado()->activated(2);
        v.oficina.dialogos.carpetas << QStringLiteral("/ca/oficina.pem");
        w.cmdCertificado()->click();
        QCOMPARE(v.oficina.dialogos.carpetasIniciales, QStringList {QStringLiteral("/etc/ca.pem")});
        QCOMPARE(w.txtCertificado()->text(), QDir::toNativeSeparators(QStringLiteral("/ca/oficina.pem")));
        v.accion(4); // Guardar
        QCOMPARE(v.columna(QStringLiteral("cifrado")), QStringLiteral("2"));
        QCOMPARE(v.columna(QStringLiteral("certificado")), QDir::toNativeSeparators(QStringLiteral("/ca/oficina.pem")));

        // A cancelled picker changes nothing; an emptied field is the system's store.
        v.accion(1);
        v.oficina.dialogos.carpetas << std::nullopt;
        w.cmdCertificado()->click();
        QCOMPARE(w.txtCertificado()->text(), QDir::toNativeSeparators(QStringLiteral("/ca/oficina.pem")));
        w.cboCifrado()->setCurrentIndex(0);
        emit w.cboCifrado()->activated(0);
        v.accion(5); // Cancelar
        QCOMPARE(w.cboCifrado()->currentIndex(), 2);
        v.accion(1);
        w.txtCertificado()->selectAll();
        QTest::keyClick(w.txtCertificado(), Qt::Key_Delete);
        v.accion(4);
        QCOMPARE(v.columna(QStringLiteral("certificado")), QString());
        QCOMPARE(v.columna(QStringLiteral("cifrado")), QStringLiteral("2"));
    }

    void cancela()
    {
        Ventana v(kDirecciones);
        frmParametros &w = v.ventana;
        v.accion(1);
        w.cboParametros()->setCurrentIndex(0);
        emit w.cboParametros()->activated(0);
        w.txtParametros(CamposConfiguracion::val_env)->setText(QStringLiteral("/otra")); // not typed: the fields stay
        QTest::keyClicks(w.txtParametros(CamposConfiguracion::val_rec), QStringLiteral("/mas"));
        v.accion(5); // Cancelar
        QCOMPARE(w.cboParametros()->currentText(), QStringLiteral("INTERNET"));
        QCOMPARE(w.txtParametros(CamposConfiguracion::Servidor)->text(), QStringLiteral("internet.viejo"));
        QVERIFY(w.chkParametros()->isChecked());
        QCOMPARE(w.txtParametros(CamposConfiguracion::val_env)->text(),
                 v.programa.campos().texto(CamposConfiguracion::val_env));
        QCOMPARE(w.txtParametros(CamposConfiguracion::val_rec)->text(),
                 v.programa.campos().texto(CamposConfiguracion::val_rec));
        QVERIFY(!w.txtParametros(CamposConfiguracion::val_rec)->text().endsWith(QStringLiteral("/mas")));
        QVERIFY(!w.txtParametros(CamposConfiguracion::telefono)->isEnabled());
        QVERIFY(w.boton(1)->isVisible());
        QVERIFY(!w.boton(5)->isVisible());
    }

    void registroIncompleto()
    {
        Ventana v(QStringLiteral("UPDATE PARAMETROS SET Agente = NULL, Host = NULL, val_env = NULL, tipo_acceso = -3"));
        frmParametros &w = v.ventana;
        QCOMPARE(w.cboParametros()->currentIndex(), -1);
        QCOMPARE(w.txtParametros(CamposConfiguracion::Agente)->text(), QString());
        QCOMPARE(w.txtParametros(CamposConfiguracion::Servidor)->text(), QString());
        QCOMPARE(w.txtParametros(CamposConfiguracion::val_env)->text(), QString());
    }
};

QTEST_MAIN(PruebafrmParametros)
#include "PruebafrmParametros.moc"
#include "core/oficina/CamposConfiguracion.h"
