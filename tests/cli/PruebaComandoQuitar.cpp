// tendal quitar: a file leaves the send list (while it waits to be sent) or
// the reception list, after the same question as in the main window.

#include "core/oficina/Programa.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/SalidaComando.h"

#include <QTest>

using namespace Qt::StringLiterals;

class PruebaComandoQuitar : public QObject
{
    Q_OBJECT

private slots:
    void quita()
    {
        Oficina oficina;
        {
            Programa &p = oficina.carga();
            p.listaEnvio().agrega({u"M0123001.045"_s, u"E"_s, u"1"_s, QString(), QString()});
            p.listaEnvio().agrega({u"k0123009.045"_s, u"K"_s, u"1"_s, QString(), QString()});
            p.listaRecepcion().agrega({u"M0123002.045"_s, QString(), QString(), u"10:30 a. m."_s, u"/ag0123"_s,
                                       u"/ag0123"_s, u"k0123002.045"_s, u"M0123002.err"_s, u"/r"_s, u"2"_s});
        }

        // Without --si the question is answered No: nothing changes.
        SalidaComando s = tendalEnProceso(oficina, {u"quitar"_s, u"M0123001.045"_s});
        QCOMPARE(s.estado, 1);
        QVERIFY2(s.err.contains(u"¿Deseas eliminar el archivo M0123001.045 de la lista de envío? [No]"_s),
                 qPrintable(s.err));

        s = tendalEnProceso(oficina, {u"quitar"_s, u"M0123001.045"_s, u"--si"_s});
        QCOMPARE(s.estado, 0);
        s = tendalEnProceso(oficina, {u"quitar"_s, u"m0123002.045"_s, u"--si"_s});
        QCOMPARE(s.estado, 0);
        QVERIFY(s.err.contains(u"de la lista de recepción?"_s));

        // Gone from both lists; a response entry of the send list is not a file to remove.
        for (const QString &nombre : {u"M0123001.045"_s, u"M0123002.045"_s, u"k0123009.045"_s, u"otro"_s}) {
            s = tendalEnProceso(oficina, {u"quitar"_s, nombre, u"--si"_s});
            QCOMPARE(s.estado, 1);
            QVERIFY2(s.err.contains(nombre + u" no está en la lista de envío"_s), qPrintable(s.err));
        }
        QCOMPARE(tendalEnProceso(oficina, {u"quitar"_s}).estado, 2);
        QCOMPARE(tendalEnProceso(oficina, {u"quitar"_s, u"a"_s, u"b"_s}).estado, 2);
    }
};

QTEST_GUILESS_MAIN(PruebaComandoQuitar)
#include "PruebaComandoQuitar.moc"
