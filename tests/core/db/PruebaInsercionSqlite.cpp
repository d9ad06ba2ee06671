#include "core/db/InsercionSqlite.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

// The bulk insert straight on SQLite stores every value as the Qt driver
// stores it: same storage class, same bytes, NULL where the driver writes
// NULL and an empty text or blob where it writes one.
class PruebaInsercionSqlite : public QObject
{
    Q_OBJECT

private slots:
    void guardaComoElControlador()
    {
        QTemporaryDir dir;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"prueba"_s);
            db.setDatabaseName(dir.filePath(u"prueba.db"_s));
            QVERIFY(db.open());
            QSqlQuery q(db);
            for (const QString &t : {u"qt"_s, u"directa"_s})
                QVERIFY(q.exec(u"CREATE TABLE %1 (n INTEGER, v)"_s.arg(t)));

            const QVariantList valores = {
                QVariant(42),
                QVariant(-1),
                QVariant(qint64(1) << 40),
                QVariant(true),
                QVariant(2.5),
                QVariant(0.1f),
                QVariant(u"Descripción con ñ y acentos"_s),
                QVariant(u""_s),
                QVariant(QMetaType(QMetaType::QString)),
                QVariant(QMetaType(QMetaType::Int)),
                QVariant(QMetaType(QMetaType::QByteArray)),
                QVariant(QByteArray("\x00\x01\xff", 3)),
                QVariant(QByteArray("")),
                QVariant(u"1998-05-06 10:30:00"_s),
            };

            QSqlQuery porQt(db);
            QVERIFY(porQt.prepare(u"INSERT INTO qt VALUES (?, ?)"_s));
            InsercionSqlite directa(db, u"INSERT INTO directa VALUES (?, ?)"_s);
            QVERIFY2(directa.preparada(), qPrintable(directa.error()));
            QVERIFY(db.transaction());
            for (int i = 0; i < valores.size(); ++i) {
                porQt.bindValue(0, i);
                porQt.bindValue(1, valores[i]);
                QVERIFY(porQt.exec());
                QVERIFY2(directa.inserta({i, valores[i]}), qPrintable(directa.error()));
            }
            QVERIFY(db.commit());

            QVERIFY(q.exec(u"SELECT a.n, typeof(a.v), quote(a.v), typeof(b.v), quote(b.v) FROM qt a JOIN directa b "
                           "USING (n) ORDER BY n"_s));
            int filas = 0;
            while (q.next()) {
                ++filas;
                const QString caso = QString::number(q.value(0).toInt());
                QCOMPARE(q.value(3).toString() + u' ' + caso, q.value(1).toString() + u' ' + caso);
                QCOMPARE(q.value(4).toString() + u' ' + caso, q.value(2).toString() + u' ' + caso);
            }
            QCOMPARE(filas, valores.size());

            // A row of the wrong width, and a failed insert, say why.
            QVERIFY(!directa.inserta({1}));
            QVERIFY(directa.error().contains(u"2"_s));
            QVERIFY(q.exec(u"CREATE TABLE unica (n INTEGER PRIMARY KEY, v)"_s));
            InsercionSqlite unica(db, u"INSERT INTO unica VALUES (?, ?)"_s);
            QVERIFY(unica.inserta({1, u"a"_s}));
            QVERIFY(!unica.inserta({1, u"b"_s}));
            QVERIFY(!unica.error().isEmpty());
            QVERIFY(unica.inserta({2, u"b"_s})); // usable again after a failure

            QVERIFY(!InsercionSqlite(db, u"INSERT INTO falta VALUES (?)"_s).preparada());
        }
        QSqlDatabase::removeDatabase(u"prueba"_s);
        QVERIFY(!InsercionSqlite::disponible(QSqlDatabase()));
    }
};

QTEST_GUILESS_MAIN(PruebaInsercionSqlite)
#include "PruebaInsercionSqlite.moc"
