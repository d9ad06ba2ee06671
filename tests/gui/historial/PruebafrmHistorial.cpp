// The history window: the journal's transmissions under the filters typed,
// a response's report on a double click, and the receipt printed or saved
// as PDF through the scripted person at the keyboard.
#include "core/historial/ModeloHistorial.h"
#include "gui/historial/frmHistorial.h"
#include "gui/principal/CuadroReporte.h"
#include "tests/soporte/HistorialPrueba.h"
#include "tests/soporte/Oficina.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QFile>
#include <QTest>
#include <QTreeView>

using namespace Qt::StringLiterals;
using namespace HistorialPrueba;

namespace {

QDateTime local(int dia, int hora, int minuto)
{
    return QDateTime(QDate(2026, 2, dia), QTime(hora, minuto));
}

QString textoPdf(const QString &ruta)
{
    QProcess p;
    p.start(u"pdftotext"_s, {u"-layout"_s, ruta, u"-"_s});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

struct Ventana {
    Oficina oficina;
    Programa &programa;
    qint64 m1 = 0;
    std::unique_ptr<frmHistorial> ventana;

    Ventana()
        : programa(oficina.carga())
    {
        const QString val = oficina.carpeta(u"val_rec"_s);
        m1 = envia(programa, u"M0123001.045"_s, local(10, 9, 0), "uno");
        responde(programa, m1, u"R"_s, u"M0123001.err"_s, "F3001234ABCDEFGH\r\n", local(10, 9, 5), val);
        envia(programa, u"S0123003.045"_s, local(14, 10, 5), "tres");
        ventana = std::make_unique<frmHistorial>(programa);
        ventana->muestra();
        espera();
    }
    // The window's query runs on its model's worker: until its rows are in.
    void espera() { QTRY_VERIFY(!ventana->modelo().consultando()); }
    QTreeView &lista() { return *ventana->lvwHistorial(); }
    QStringList nombres()
    {
        QStringList n;
        for (int i = 0; i < lista().model()->rowCount(); ++i)
            n << lista().model()->index(i, 0).data().toString();
        return n;
    }
    void selecciona(const QModelIndex &i)
    {
        lista().setCurrentIndex(i);
        lista().selectionModel()->select(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
};

} // namespace

class PruebafrmHistorial : public QObject
{
    Q_OBJECT

private slots:
    void filtra()
    {
        Ventana v;
        frmHistorial &w = *v.ventana;
        QCOMPARE(w.windowTitle(), u"Historial de envíos"_s);
        // The last 30 days by default, newest first.
        QCOMPARE(w.dtpDesde()->date(), QDate(2026, 1, 15));
        QCOMPARE(w.dtpHasta()->date(), QDate(2026, 2, 14));
        QCOMPARE(v.nombres(), (QStringList {u"S0123003.045"_s, u"M0123001.045"_s}));
        QCOMPARE(w.lblCuenta()->text(), u"2 envíos"_s);

        QTest::keyClicks(w.txtPedimento(), u"3001234"_s);
        QTest::keyClick(w.txtPedimento(), Qt::Key_Return);
        // The numbers are read on the model's worker; the list follows.
        QTRY_COMPARE(v.nombres(), QStringList {u"M0123001.045"_s});
        QCOMPARE(w.lblCuenta()->text(), u"1 envío"_s);
        w.txtPedimento()->clear();

        w.cboTipo()->setCurrentIndex(w.cboTipo()->findText(u"SAGARPA (S)"_s));
        QTest::mouseClick(w.cmdBuscar(), Qt::LeftButton);
        v.espera();
        QCOMPARE(v.nombres(), QStringList {u"S0123003.045"_s});

        w.cboTipo()->setCurrentIndex(0);
        w.dtpHasta()->setDate(QDate(2026, 2, 11));
        QTest::mouseClick(w.cmdBuscar(), Qt::LeftButton);
        v.espera();
        QCOMPARE(v.nombres(), QStringList {u"M0123001.045"_s});

        // Dates the wrong way round: said, and no earlier result stays under
        // the notice; the notice stays while the journal is followed.
        w.dtpDesde()->setDate(QDate(2026, 2, 12));
        QTest::mouseClick(w.cmdBuscar(), Qt::LeftButton);
        v.espera();
        QCOMPARE(w.lblCuenta()->text(), u"La fecha «Desde» es posterior a «Hasta»."_s);
        QCOMPARE(v.nombres(), QStringList());
        envia(v.programa, u"D0123005.045"_s, local(14, 10, 20), "cinco");
        w.busca();
        v.espera();
        QCOMPARE(w.lblCuenta()->text(), u"La fecha «Desde» es posterior a «Hasta»."_s);
        QCOMPARE(v.nombres(), QStringList());
    }

    // The window by the keys alone: Enter in a date box searches, Escape
    // and "Cerrar" close it.
    void soloTeclado()
    {
        Ventana v;
        frmHistorial &w = *v.ventana;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(v.nombres().size(), 2);
        w.dtpHasta()->setFocus();
        w.dtpHasta()->setDate(QDate(2026, 2, 11));
        QCOMPARE(v.nombres().size(), 2); // nothing until Enter
        QTest::keyClick(w.dtpHasta(), Qt::Key_Return);
        v.espera();
        QCOMPARE(v.nombres(), QStringList {u"M0123001.045"_s});
        QVERIFY(w.isVisible());
        QTest::keyClick(w.dtpHasta(), Qt::Key_Escape);
        QVERIFY(!w.isVisible());

        w.muestra();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(w.cmdCerrar()->text(), u"&Cerrar"_s);
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w, Qt::Key_C, Qt::AltModifier);
        QTRY_VERIFY(!w.isVisible());
    }

    // What another program records shows while the window is open.
    void sigueElDiario()
    {
        Ventana v;
        envia(v.programa, u"D0123005.045"_s, local(14, 10, 20), "cinco");
        QTRY_COMPARE_WITH_TIMEOUT(v.nombres().size(), 3, 5000);
        QCOMPARE(v.nombres().first(), u"D0123005.045"_s);
    }

    // A journal the query cannot read (here a table gone from under it):
    // the label says why, the list stays, and the next search works again.
    void diarioIlegible()
    {
        Ventana v;
        frmHistorial &w = *v.ventana;
        QCOMPARE(v.nombres().size(), 2);
        v.programa.conexion().ejecuta(u"ALTER TABLE RESPUESTA RENAME TO RESPUESTA_APARTE"_s);
        QTest::mouseClick(w.cmdBuscar(), Qt::LeftButton);
        v.espera();
        QVERIFY2(w.lblCuenta()->text().contains(u"la base de datos "_s, Qt::CaseInsensitive),
                 qPrintable(w.lblCuenta()->text()));
        QCOMPARE(v.nombres().size(), 2);
        v.programa.conexion().ejecuta(u"ALTER TABLE RESPUESTA_APARTE RENAME TO RESPUESTA"_s);
        QTest::mouseClick(w.cmdBuscar(), Qt::LeftButton);
        v.espera();
        QCOMPARE(w.lblCuenta()->text(), u"2 envíos"_s);
    }

    void reporteConDobleClic()
    {
        Ventana v;
        frmHistorial &w = *v.ventana;
        const QModelIndex m1 = w.modelo().index(1, 0);
        w.muestraReporte(m1); // a transmission has no report
        QVERIFY(w.rtbReporte()->texto().isEmpty());
        v.lista().expand(m1);
        const QModelIndex respuesta = w.modelo().index(0, 0, m1);
        emit v.lista().doubleClicked(respuesta);
        QVERIFY2(w.rtbReporte()->texto().contains(u"Archivo: M0123001.ERR"_s), qPrintable(w.rtbReporte()->texto()));
        QVERIFY(w.rtbReporte()->texto().contains(u"Pedimento: 3001234    Firma: ABCDEFGH"_s));
        // On a workstation without the file: the same report, from the journal.
        const QString conArchivo = w.rtbReporte()->texto();
        QVERIFY(QFile::remove(w.modelo().respuesta(respuesta)->ruta));
        w.rtbReporte()->vacia();
        emit v.lista().doubleClicked(respuesta);
        QCOMPARE(w.rtbReporte()->texto(), conArchivo);

        // A large response is built on a worker and arrives whole.
        const qint64 m2 = envia(v.programa, u"M0123002.045"_s, local(14, 11, 0), "dos");
        QByteArray grande = "F3001235ABCDEFGH\r\n";
        while (grande.size() < 300 * 1024)
            grande += "E3001235501001230501\r\n";
        responde(v.programa, m2, u"R"_s, u"M0123002.err"_s, grande, local(14, 11, 5), v.oficina.carpeta(u"val_rec"_s));
        w.busca();
        v.espera();
        const QModelIndex m2i = w.modelo().index(0, 0);
        QCOMPARE(v.nombres().first(), u"M0123002.045"_s);
        v.lista().expand(m2i);
        emit v.lista().doubleClicked(w.modelo().index(0, 0, m2i));
        QTRY_VERIFY_WITH_TIMEOUT(w.rtbReporte()->texto().contains(u"Archivo: M0123002.ERR"_s), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(w.rtbReporte()->texto().count(u'\n') > 13000, 20000);
    }

    void acuse()
    {
        Ventana v;
        frmHistorial &w = *v.ventana;
        DialogosGuion &d = v.oficina.dialogos;
        // Nothing selected: nothing to print.
        QVERIFY(!w.cmdImprimeAcuse()->isEnabled());
        QVERIFY(!w.cmdGuardaPdf()->isEnabled());
        // A response row selects its transmission's receipt.
        v.selecciona(w.modelo().index(0, 0, w.modelo().index(1, 0)));
        QVERIFY(w.cmdGuardaPdf()->isEnabled());

        QTemporaryDir dir;
        // Cancelled: no file.
        d.archivosPdf << std::nullopt;
        QTest::mouseClick(w.cmdGuardaPdf(), Qt::LeftButton);
        QCOMPARE(d.archivosSugeridos.size(), 1);
        QVERIFY(d.archivosSugeridos.first().endsWith(u"Acuse M0123001.045.pdf"_s));
        const QString pdf = dir.filePath(u"acuse.pdf"_s);
        d.archivosPdf << pdf;
        QTest::mouseClick(w.cmdGuardaPdf(), Qt::LeftButton);
        QVERIFY(QFileInfo(pdf).size() > 0);
        QCOMPARE(w.lblCuenta()->text(), u"Acuse guardado en "_s + pdf);
        const QString texto = textoPdf(pdf);
        for (const QString &parte :
             {u"Acuse de envío"_s, u"M0123001.045 (SAAI M3)"_s, u"/ag0123"_s, u"10/02/2026 09:00:00 (hora local)"_s,
              u"15:00:00 UTC"_s, u"M0123001.err (Validación)"_s})
            QVERIFY2(texto.contains(parte), qPrintable(parte + u" falta en:\n"_s + texto));

        // Printed through the print dialog (here, to a PDF file).
        const QString impreso = dir.filePath(u"impreso.pdf"_s);
        d.impresiones << [&](QPrinter &impresora) {
            impresora.setOutputFormat(QPrinter::PdfFormat);
            impresora.setOutputFileName(impreso);
            return true;
        };
        QTest::mouseClick(w.cmdImprimeAcuse(), Qt::LeftButton);
        QCOMPARE(d.impresionesPedidas, 1);
        QVERIFY(textoPdf(impreso).contains(u"Acuse de envío"_s));
    }
};

QTEST_MAIN(PruebafrmHistorial)
#include "PruebafrmHistorial.moc"
