// The rows of Access tables read ahead on a thread of their own: the caller
// gets the very rows BaseAccess reads, across batches, texts, dates and
// pictures included; a caller that gives up early or asks out of order stops
// the reading without waiting for it or losing its error.

#include "core/access/BaseAccess.h"
#include "core/access/LecturaAdelantada.h"
#include "core/base/ErrorTendal.h"

#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kNwind = QDir(u"" TENDAL_DIR_DATOS_PRUEBA "/catalogo"_s).filePath(u"nwind.mdb"_s);

QList<QVariantList> filasDe(const std::function<qint64(const std::function<void(std::span<const Valor>)> &)> &recorre)
{
    QList<QVariantList> filas;
    recorre([&](std::span<const Valor> fila) {
        QVariantList valores;
        for (const Valor &v : fila)
            valores << v.aVariante();
        filas << valores;
    });
    return filas;
}

} // namespace

class PruebaLecturaAdelantada : public QObject
{
    Q_OBJECT

private slots:
    // Every table of the sample, in the file's order: "Order Details" fills
    // more than one batch, Categories carries pictures.
    void mismasFilasQueBaseAccess()
    {
        BaseAccess directa(kNwind);
        BaseAccess adelantada(kNwind);
        const QStringList tablas = directa.tablas();
        QVERIFY(tablas.contains(u"Order Details"_s) && tablas.contains(u"Categories"_s));
        QList<QList<QVariantList>> esperadas;
        for (const QString &t : tablas)
            esperadas << filasDe([&](const auto &f) { return directa.recorre(t, f); });

        LecturaAdelantada lectura(adelantada, tablas);
        for (qsizetype i = 0; i < tablas.size(); ++i) {
            qint64 contadas = 0;
            const QList<QVariantList> filas = filasDe([&](const auto &f) {
                contadas = lectura.recorre(tablas[i], f);
                return contadas;
            });
            QCOMPARE(contadas, esperadas[i].size());
            QVERIFY2(filas == esperadas[i], qPrintable(tablas[i]));
        }
        QVERIFY(esperadas[tablas.indexOf(u"Order Details"_s)].size() > 2000);
    }

    // A caller that fails in the middle of a table, one that never takes a
    // row while the reading waits for room, and one that asks for a table
    // out of order: each is told, and the reading stops.
    void seDetiene()
    {
        BaseAccess base(kNwind);
        {
            LecturaAdelantada lectura(base, {u"Order Details"_s, u"Orders"_s});
            int vistas = 0;
            QVERIFY_THROWS_EXCEPTION(ErrorTendal, lectura.recorre(u"Order Details"_s, [&](std::span<const Valor>) {
                if (++vistas == 1500)
                    throw ErrorTendal(ErrorTendal::DiscoLleno, u"Disco lleno"_s);
            }));
            QCOMPARE(vistas, 1500);
        }
        {
            LecturaAdelantada lectura(base, {u"Order Details"_s, u"Orders"_s, u"Customers"_s});
            // The reading fills its batches and waits for room.
            QTRY_VERIFY_WITH_TIMEOUT(lectura.sinSitio(), 30000);
        }
        {
            LecturaAdelantada lectura(base, {u"Orders"_s, u"Customers"_s});
            try {
                lectura.recorre(u"Customers"_s, [](std::span<const Valor>) {});
                QFAIL("se leyó una tabla fuera de orden");
            } catch (const ErrorTendal &e) {
                QVERIFY2(e.descripcion().contains(u"Customers"_s), qPrintable(e.descripcion()));
            }
        }
        // The file is free again for whoever reads next.
        QCOMPARE(base.recorre(u"Orders"_s, [](std::span<const Valor>) {}), 830);
    }
};

QTEST_GUILESS_MAIN(PruebaLecturaAdelantada)
#include "PruebaLecturaAdelantada.moc"
