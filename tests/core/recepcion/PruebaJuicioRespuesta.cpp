// The rule that decides whether a file found under an awaited response name
// is the transmission's own, case by case.

#include "core/recepcion/JuicioRespuesta.h"

#include <QTest>

using V = JuicioRespuesta::Veredicto;
Q_DECLARE_METATYPE(V)
Q_DECLARE_METATYPE(std::optional<QDateTime>)
Q_DECLARE_METATYPE(std::optional<QString>)

class PruebaJuicioRespuesta : public QObject
{
    Q_OBJECT
private slots:
    void juzga_data()
    {
        QTest::addColumn<bool>("subido");
        QTest::addColumn<std::optional<QDateTime>>("envio");
        QTest::addColumn<std::optional<QDateTime>>("respuesta");
        QTest::addColumn<std::optional<QString>>("anterior");
        QTest::addColumn<V>("veredicto");

        const QDateTime t(QDate(2026, 2, 14), QTime(10, 30, 15), Qt::UTC);
        const std::optional<QDateTime> nada;
        const std::optional<QString> igual = QStringLiteral("aaaa"), otra = QStringLiteral("bbbb"), ninguna;
        // The response's own bytes are "aaaa".
        QTest::newRow("después del envío")
            << true << std::optional(t) << std::optional(t.addSecs(1)) << igual << V::Toma;
        QTest::newRow("antes del envío") << true << std::optional(t) << std::optional(t.addSecs(-1)) << ninguna
                                         << V::Anterior;
        QTest::newRow("ayer") << true << std::optional(t) << std::optional(t.addDays(-1)) << otra << V::Anterior;
        QTest::newRow("mismo segundo, nueva")
            << true << std::optional(t) << std::optional(t.addMSecs(400)) << otra << V::Toma;
        QTest::newRow("mismo segundo, sin anterior")
            << true << std::optional(t) << std::optional(t) << ninguna << V::Toma;
        QTest::newRow("mismo segundo, la anterior")
            << true << std::optional(t.addMSecs(900)) << std::optional(t) << igual << V::Anterior;
        QTest::newRow("sin hora del envío, nueva") << true << nada << std::optional(t) << otra << V::Toma;
        QTest::newRow("sin hora del envío, la anterior") << true << nada << std::optional(t) << igual << V::Sospechosa;
        QTest::newRow("sin hora de la respuesta, la anterior")
            << true << std::optional(t) << nada << igual << V::Sospechosa;
        QTest::newRow("sin horas, sin anterior") << true << nada << nada << ninguna << V::Toma;
        QTest::newRow("movido sin envío") << false << nada << nada << igual << V::Toma;
    }
    void juzga()
    {
        QFETCH(bool, subido);
        QFETCH(std::optional<QDateTime>, envio);
        QFETCH(std::optional<QDateTime>, respuesta);
        QFETCH(std::optional<QString>, anterior);
        QFETCH(V, veredicto);
        int lecturas = 0;
        const auto bytes = [&] {
            ++lecturas;
            return QStringLiteral("aaaa");
        };
        QCOMPARE(JuicioRespuesta::juzga({subido, envio, respuesta, anterior, bytes}), veredicto);
        // The bytes are read only when the times leave it open.
        if (envio && respuesta && envio->toSecsSinceEpoch() != respuesta->toSecsSinceEpoch())
            QCOMPARE(lecturas, 0);
    }
};

QTEST_GUILESS_MAIN(PruebaJuicioRespuesta)
#include "PruebaJuicioRespuesta.moc"
