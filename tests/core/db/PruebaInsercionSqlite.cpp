#include "core/db/InsercionSqlite.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

// The bulk insert straight on SQLite stores every typed value as the Qt
// driver stores the value's QVariant: same storage class, same bytes, NULL
// where the driver writes NULL and an empty text or blob where it writes one.
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

            // Each typed value, bound straight and through the driver as
            // its QVariant: the two must store the same.
            const auto entero = [](qint64 n) {
                Valor v;
                v.clase = Valor::Clase::Entero;
                v.nulo = false;
                v.entero = n;
                return v;
            };
            const auto real = [](double x) {
                Valor v;
                v.clase = Valor::Clase::Real;
                v.nulo = false;
                v.real = x;
                return v;
            };
            const auto datos = [](Valor::Clase clase, QByteArrayView b) {
                Valor v;
                v.clase = clase;
                v.nulo = false;
                v.datos = b;
                return v;
            };
            const auto nulo = [](Valor::Clase clase) {
                Valor v;
                v.clase = clase;
                return v;
            };
            const QByteArray utf8 = u"Descripción con ñ y acentos"_s.toUtf8();
            const QList<Valor> valores = {
                entero(42),
                entero(-1),
                entero(qint64(1) << 40),
                real(2.5),
                real(0.1),
                datos(Valor::Clase::Texto, utf8),
                datos(Valor::Clase::Texto, QByteArrayView()), // empty, not null
                datos(Valor::Clase::Texto, "1998-05-06 10:30:00"),
                nulo(Valor::Clase::Texto),
                nulo(Valor::Clase::Entero),
                nulo(Valor::Clase::Real),
                nulo(Valor::Clase::Bytes),
                datos(Valor::Clase::Bytes, QByteArrayView("\x00\x01\xff", 3)),
                datos(Valor::Clase::Bytes, QByteArrayView()),
            };

            QSqlQuery porQt(db);
            QVERIFY(porQt.prepare(u"INSERT INTO qt VALUES (?, ?)"_s));
            InsercionSqlite directa(db, u"INSERT INTO directa VALUES (?, ?)"_s);
            QVERIFY2(directa.preparada(), qPrintable(directa.error()));
            QVERIFY(db.transaction());
            for (int i = 0; i < valores.size(); ++i) {
                porQt.bindValue(0, i);
                porQt.bindValue(1, valores[i].aVariante());
                QVERIFY(porQt.exec());
                const Valor fila[] = {entero(i), valores[i]};
                QVERIFY2(directa.inserta(fila), qPrintable(directa.error()));
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
            const Valor corta[] = {entero(1)};
            QVERIFY(!directa.inserta(corta));
            QVERIFY(directa.error().contains(u"2"_s));
            QVERIFY(q.exec(u"CREATE TABLE unica (n INTEGER PRIMARY KEY, v)"_s));
            InsercionSqlite unica(db, u"INSERT INTO unica VALUES (?, ?)"_s);
            const Valor a[] = {entero(1), datos(Valor::Clase::Texto, "a")};
            const Valor b[] = {entero(1), datos(Valor::Clase::Texto, "b")};
            const Valor c[] = {entero(2), datos(Valor::Clase::Texto, "b")};
            QVERIFY(unica.inserta(a));
            QVERIFY(!unica.inserta(b));
            QVERIFY(!unica.error().isEmpty());
            QVERIFY(unica.inserta(c)); // usable again after a failure

            QVERIFY(!InsercionSqlite(db, u"INSERT INTO falta VALUES (?)"_s).preparada());
        }
        QSqlDatabase::removeDatabase(u"prueba"_s);
        QVERIFY(!InsercionSqlite::disponible(QSqlDatabase()));
    }
};

QTEST_GUILESS_MAIN(PruebaInsercionSqlite)
#include "PruebaInsercionSqlite.moc"
