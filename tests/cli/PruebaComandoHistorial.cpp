// tendal historial and tendal acuse: the office's history and a file's
// sending receipt, printed from the journal.

#include "core/oficina/Programa.h"
#include "tests/soporte/HistorialPrueba.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/SalidaComando.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace HistorialPrueba;

namespace {

QDateTime local(int dia, int hora, int minuto)
{
    return QDateTime(QDate(2026, 2, dia), QTime(hora, minuto));
}

// Two files sent, the first answered.
void historia(Oficina &oficina)
{
    Programa &p = oficina.carga();
    const qint64 t = envia(p, u"M0123001.045"_s, local(10, 9, 0), "uno");
    responde(p, t, u"R"_s, u"M0123001.err"_s, "F3001234ABCDEFGH\r\n", local(10, 9, 5), oficina.carpeta(u"val_rec"_s));
    envia(p, u"S0123003.045"_s, local(14, 10, 5), "tres");
}

} // namespace

class PruebaComandoHistorial : public QObject
{
    Q_OBJECT

private slots:
    void historial()
    {
        Oficina oficina;
        historia(oficina);

        SalidaComando s = tendalEnProceso(oficina, {u"historial"_s});
        QCOMPARE(s.estado, 0);
        const QStringList lineas = s.out.split(u'\n');
        QCOMPARE(lineas.size(), 4);
        // The command line runs on the machine's clock: both are late by now.
        QVERIFY2(
            lineas[0].startsWith(u"S0123003.045  SAGARPA  14/02/2026 10:05:00  Sin respuesta después de 30 min  4  "_s),
            qPrintable(s.out));
        QVERIFY(lineas[1].startsWith(u"M0123001.045  SAAI M3  10/02/2026 09:00:00  Sin respuesta después de 30 min"_s));
        QVERIFY(lineas[2].startsWith(u"    M0123001.err  Validación  10/02/2026 09:05:00  18  "_s));

        s = tendalEnProceso(oficina, {u"historial"_s, u"--desde"_s, u"11/02/2026"_s});
        QCOMPARE(s.out.count(u'\n'), 1);
        QVERIFY(s.out.startsWith(u"S0123003.045"_s));
        s = tendalEnProceso(oficina, {u"historial"_s, u"--hasta"_s, u"9/2/2026"_s});
        QCOMPARE(s.estado, 0);
        QCOMPARE(s.out, QString());
        QCOMPARE(s.err, u"No hay envíos registrados que cumplan el filtro.\n"_s);
        s = tendalEnProceso(oficina, {u"historial"_s, u"--pedimento"_s, u"3001234"_s, u"--tipo"_s, u"m"_s});
        QVERIFY(s.out.startsWith(u"M0123001.045"_s));

        // CSV: a header and one record per transmission, UTC moments.
        s = tendalEnProceso(oficina,
                            {u"historial"_s, u"--csv"_s, u"--desde"_s, u"10/02/2026"_s, u"--hasta"_s, u"10/02/2026"_s});
        QCOMPARE(s.estado, 0);
        const QStringList csv = s.out.split(u"\r\n"_s);
        QCOMPARE(csv.size(), 3);
        QVERIFY(csv[0].startsWith(u"archivo,tipo,estado,"_s));
        QVERIFY2(csv[1].startsWith(u"M0123001.045,M,Sin respuesta después de 30 min,/ag0123,3,"_s), qPrintable(csv[1]));
        QVERIFY(csv[1].endsWith(
            u",2026-02-10T15:00:00Z,,,,M0123001.err,2026-02-10T15:05:00Z,"_s
            + QString::fromLatin1(QCryptographicHash::hash("F3001234ABCDEFGH\r\n", QCryptographicHash::Sha256).toHex())
            + u",,"_s)); // encryption not recorded
    }

    // Bad options say what is expected and change nothing (exit 2).
    void opcionesErroneas_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("mensaje");
        QTest::newRow("fecha") << QStringList {u"--desde"_s, u"2026-02-10"_s}
                               << u"La fecha «2026-02-10» de --desde no es válida: se escribe dd/MM/yyyy"_s;
        QTest::newRow("día que no existe")
            << QStringList {u"--hasta"_s, u"31/02/2026"_s} << u"de --hasta no es válida"_s;
        QTest::newRow("al revés") << QStringList {u"--desde"_s, u"12/02/2026"_s, u"--hasta"_s, u"10/02/2026"_s}
                                  << u"La fecha de --desde (12/02/2026) es posterior a la de --hasta (10/02/2026)."_s;
        QTest::newRow("tipo") << QStringList {u"--tipo"_s, u"Z"_s} << u"--tipo acepta las letras"_s;
        QTest::newRow("sin valor") << QStringList {u"--desde"_s} << u"Uso: tendal historial"_s;
        QTest::newRow("de más") << QStringList {u"hoy"_s} << u"Uso: tendal historial"_s;
    }
    void opcionesErroneas()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, mensaje);
        Oficina oficina;
        historia(oficina);
        const SalidaComando s = tendalEnProceso(oficina, QStringList {u"historial"_s} + args);
        QCOMPARE(s.estado, 2);
        QVERIFY2(s.err.contains(mensaje), qPrintable(s.err));
        QCOMPARE(s.out, QString());
    }

    void acuse()
    {
        Oficina oficina;
        historia(oficina);
        SalidaComando s = tendalEnProceso(oficina, {u"acuse"_s, u"m0123001.045"_s});
        QCOMPARE(s.estado, 0);
        QVERIFY2(s.out.startsWith(u"Acuse de envío\nArchivo:                  M0123001.045 (SAAI M3)\n"_s),
                 qPrintable(s.out));
        QVERIFY(
            s.out.contains(u"Aceptado por el servidor: 10/02/2026 09:00:00 (hora local)  /  10/02/2026 15:00:00 UTC\n"
                           "Cifrado:                  (no registrado)\n"_s));
        QVERIFY(s.out.contains(u"  M0123001.err (Validación)\n"_s));

        s = tendalEnProceso(oficina, {u"acuse"_s, u"M0123009.045"_s});
        QCOMPARE(s.estado, 1);
        QCOMPARE(s.err, u"No hay registro de que el servidor haya aceptado el archivo M0123009.045.\n"_s);
        QCOMPARE(tendalEnProceso(oficina, {u"acuse"_s}).estado, 2);
    }
};

QTEST_GUILESS_MAIN(PruebaComandoHistorial)
#include "PruebaComandoHistorial.moc"
