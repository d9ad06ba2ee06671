#include "core/reportes/CargaReporte.h"
#include "core/reportes/DestinoTexto.h"
#include "core/reportes/GeneradorReporte.h"
#include "tests/soporte/CatalogoPrueba.h"

#include <QSignalSpy>
#include <QThreadPool>
#include <QtTest>

namespace {

// A response of M error lines larger than what is built at once, with a
// line whose type is not a number at `malaEn` (0: none).
QByteArray respuestaGrande(int lineas, int malaEn = 0)
{
    QByteArray bytes;
    for (int i = 1; i <= lineas; ++i)
        bytes += i == malaEn ? QByteArray("E30012345010012X0501\r\n") : QByteArray("E3001234501001230501\r\n");
    return bytes;
}

constexpr int kLineas = 8000; // about 170 KB

} // namespace

// Reports built off the owner's thread: whole, failed half-way, abandoned.
class PruebaCargaReporte : public QObject
{
    Q_OBJECT

    // The report the builder writes on the owner's thread, for comparison.
    static QString directo(Oficina &oficina, const QString &nombre)
    {
        DestinoTexto texto;
        GeneradorReporte(oficina.programa()).Genera_Reporte(GeneradorReporte::tituloRevision(), nombre, texto);
        return texto.texto();
    }

private slots:
    // A large response is built on a worker: nothing reaches the target
    // until the report is whole, and then it is the same report, in one piece.
    void grandeEnUnaPieza()
    {
        Oficina oficina;
        llenaCatalogo(oficina);
        oficina.carga();
        const QString nombre = QStringLiteral("M3001234.err");
        QVERIFY(escribe(oficina.carpeta(QStringLiteral("val_rec")), nombre, respuestaGrande(kLineas)));
        QVERIFY(QFileInfo(QDir(oficina.carpeta(QStringLiteral("val_rec"))).filePath(nombre)).size()
                > CargaReporte::kTamanoInmediato);

        CargaReporte carga(oficina.programa());
        QSignalSpy terminada(&carga, &CargaReporte::terminada);
        DestinoTexto destino;
        destino.ponTexto(QStringLiteral("REPORTE ANTERIOR"));
        carga.carga(GeneradorReporte::tituloRevision(), nombre, {}, destino);
        QVERIFY(carga.cargando());
        QVERIFY(destino.texto().isEmpty()); // the previous report is gone at once
        QVERIFY(terminada.wait(20000));
        QCOMPARE(terminada.first().first().toBool(), true);
        QVERIFY(!carga.cargando());
        QCOMPARE(destino.texto(), directo(oficina, nombre));
        QCOMPARE(destino.texto().count(QStringLiteral("ESTRUCTURA: Falta el campo de pedimento")), kLineas);
    }

    // A build that fails half-way on the worker shows the header and the
    // failure text, as on the owner's thread; a small response is built at once.
    void falloAMitadYPequena()
    {
        Oficina oficina;
        llenaCatalogo(oficina);
        oficina.carga();
        const QString carpeta = oficina.carpeta(QStringLiteral("val_rec"));
        QVERIFY(escribe(carpeta, QStringLiteral("M3001234.err"), respuestaGrande(kLineas, kLineas / 2)));
        QVERIFY(escribe(carpeta, QStringLiteral("M3001235.err"), respuestaGrande(3)));

        CargaReporte carga(oficina.programa());
        QSignalSpy terminada(&carga, &CargaReporte::terminada);
        DestinoTexto destino;
        carga.carga(GeneradorReporte::tituloRevision(), QStringLiteral("M3001234.err"), {}, destino);
        QVERIFY(terminada.wait(20000));
        QCOMPARE(terminada.takeFirst().first().toBool(), false);
        const QString esperado = directo(oficina, QStringLiteral("M3001234.err"));
        QCOMPARE(destino.texto(), esperado);
        QVERIFY(esperado.contains(QStringLiteral("en la línea %1:").arg(kLineas / 2)));
        QCOMPARE(esperado.count(u'\n'), 3); // header, blank line, failure

        carga.carga(GeneradorReporte::tituloRevision(), QStringLiteral("M3001235.err"), {}, destino);
        QCOMPARE(terminada.count(), 1); // at once
        QVERIFY(!carga.cargando());
        QCOMPARE(destino.texto(), directo(oficina, QStringLiteral("M3001235.err")));
    }

    // Another report abandons the one loading: its text never reaches the target.
    void abandonada()
    {
        Oficina oficina;
        llenaCatalogo(oficina);
        oficina.carga();
        const QString carpeta = oficina.carpeta(QStringLiteral("val_rec"));
        QVERIFY(escribe(carpeta, QStringLiteral("M3001234.err"), respuestaGrande(kLineas)));
        QVERIFY(escribe(carpeta, QStringLiteral("M3001236.err"), respuestaGrande(kLineas + 1)));

        CargaReporte carga(oficina.programa());
        QSignalSpy terminada(&carga, &CargaReporte::terminada);
        DestinoTexto destino;
        carga.carga(GeneradorReporte::tituloRevision(), QStringLiteral("M3001234.err"), {}, destino);
        carga.carga(GeneradorReporte::tituloRevision(), QStringLiteral("M3001236.err"), {}, destino);
        QVERIFY(terminada.wait(20000));
        QCOMPARE(destino.texto(), directo(oficina, QStringLiteral("M3001236.err")));
        // Every worker done and what they posted delivered: the first one's
        // answer, had it not been abandoned, would be in.
        const auto trabajosTerminados = [] {
            QThreadPool::globalInstance()->waitForDone();
            QCoreApplication::sendPostedEvents();
        };
        trabajosTerminados();
        QCOMPARE(terminada.count(), 1);
        QCOMPARE(destino.texto(), directo(oficina, QStringLiteral("M3001236.err")));

        carga.carga(GeneradorReporte::tituloRevision(), QStringLiteral("M3001234.err"), {}, destino);
        carga.abandona();
        trabajosTerminados();
        QVERIFY(destino.texto().isEmpty());
        QCOMPARE(terminada.count(), 1);
    }
};

QTEST_GUILESS_MAIN(PruebaCargaReporte)
#include "PruebaCargaReporte.moc"
