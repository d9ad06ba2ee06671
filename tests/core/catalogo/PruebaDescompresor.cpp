// The compressed catalogue: every container the server side may write comes
// out whole, and nothing that is damaged, cut short or oversized ever
// leaves a file behind.

#include "core/catalogo/Descompresor.h"
#include "core/base/ErrorTendal.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <zlib.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray comprime(const QByteArray &datos, int bits)
{
    z_stream z {};
    deflateInit2(&z, 6, Z_DEFLATED, bits, 8, Z_DEFAULT_STRATEGY);
    QByteArray salida(int(deflateBound(&z, uLong(datos.size())) + 64), '\0');
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(datos.constData()));
    z.avail_in = uInt(datos.size());
    z.next_out = reinterpret_cast<Bytef *>(salida.data());
    z.avail_out = uInt(salida.size());
    deflate(&z, Z_FINISH);
    salida.resize(int(z.total_out));
    deflateEnd(&z);
    return salida;
}

// Contents that compress somewhat, like a database.
QByteArray contenido(int tam)
{
    QByteArray b;
    b.reserve(tam);
    QRandomGenerator g(7);
    while (b.size() < tam)
        b += "ERRORESM|" + QByteArray::number(g.bounded(100000)) + "|LA CLAVE NO EXISTE EN EL CATÁLOGO\r\n";
    b.resize(tam);
    return b;
}

void escribe(const QString &ruta, const QByteArray &datos)
{
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(datos);
}

QByteArray lee(const QString &ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class PruebaDescompresor : public QObject
{
    Q_OBJECT

private slots:
    void contenedores_data()
    {
        QTest::addColumn<QByteArray>("comprimido");
        QTest::addColumn<QByteArray>("esperado");
        QTest::addColumn<int>("formato");
        const QByteArray datos = contenido(700 * 1024);
        QTest::newRow("zlib") << comprime(datos, 15) << datos << int(Descompresor::Formato::Zlib);
        QTest::newRow("gzip") << comprime(datos, 31) << datos << int(Descompresor::Formato::Gzip);
        QTest::newRow("deflate") << comprime(datos, -15) << datos << int(Descompresor::Formato::Deflate);
        QTest::newRow("gzip de dos miembros") << comprime(datos.left(1000), 31) + comprime(datos.mid(1000), 31) << datos
                                              << int(Descompresor::Formato::Gzip);
        QTest::newRow("zlib de ventana pequeña") << comprime(datos, 9) << datos << int(Descompresor::Formato::Zlib);
        QTest::newRow("zlib seguido de relleno")
            << comprime(datos, 15) + QByteArray(16, '\0') << datos << int(Descompresor::Formato::Zlib);
    }
    void contenedores()
    {
        QFETCH(QByteArray, comprimido);
        QFETCH(QByteArray, esperado);
        QFETCH(int, formato);
        QCOMPARE(int(Descompresor::detecta(comprimido.left(2))), formato);
        QTemporaryDir dir;
        const QString origen = dir.filePath(u"ACTE12  .mdb.mz"_s);
        const QString destino = dir.filePath(u"ACTE12  .mdb"_s);
        escribe(origen, comprimido);
        QCOMPARE(Descompresor::descomprime(origen, destino), qint64(esperado.size()));
        QCOMPARE(lee(destino), esperado);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    }

    // A failure keeps what was there before and leaves no other file.
    void sinArchivoCuandoFalla_data()
    {
        QTest::addColumn<QByteArray>("comprimido");
        QTest::addColumn<qint64>("limite");
        QTest::addColumn<QString>("motivo");
        const QByteArray datos = contenido(300 * 1024);
        const QByteArray zlib = comprime(datos, 15);
        QByteArray alterado = zlib;
        for (int i = 200; i < 260; ++i)
            alterado[i] = char(alterado[i] ^ 0x5a);
        QByteArray sumaMala = zlib;
        sumaMala[sumaMala.size() - 1] = char(sumaMala[sumaMala.size() - 1] ^ 1);
        QByteArray gzipCrcMalo = comprime(datos, 31);
        gzipCrcMalo[gzipCrcMalo.size() - 6] = char(gzipCrcMalo[gzipCrcMalo.size() - 6] ^ 1);
        const qint64 gib = Descompresor::kLimite;
        QTest::newRow("vacío") << QByteArray() << gib << u"vacío"_s;
        QTest::newRow("zlib cortado") << zlib.left(zlib.size() - 40) << gib << u"antes de tiempo"_s;
        QTest::newRow("gzip cortado") << comprime(datos, 31).left(5000) << gib << u"antes de tiempo"_s;
        QTest::newRow("deflate cortado") << comprime(datos, -15).left(5000) << gib << u"antes de tiempo"_s;
        QTest::newRow("zlib alterado") << alterado << gib << u"dañados"_s;
        QTest::newRow("suma de comprobación") << sumaMala << gib << u"dañados"_s;
        QTest::newRow("crc de gzip") << gzipCrcMalo << gib << u"dañados"_s;
        QTest::newRow("texto cualquiera") << QByteArray("esto no es un archivo comprimido\r\n") << gib << u"dañados"_s;
        QTest::newRow("mayor que el límite") << comprime(QByteArray(3 * 1024 * 1024, 'A'), 15) << qint64(1024 * 1024)
                                             << u"excede el tamaño máximo de 1 MB"_s;
    }
    void sinArchivoCuandoFalla()
    {
        QFETCH(QByteArray, comprimido);
        QFETCH(qint64, limite);
        QFETCH(QString, motivo);
        QTemporaryDir dir;
        const QString origen = dir.filePath(u"ACTE13.mdb.mz"_s);
        const QString destino = dir.filePath(u"ACTE13.mdb"_s);
        escribe(origen, comprimido);
        escribe(destino, "anterior");
        try {
            Descompresor::descomprime(origen, destino, limite);
            QFAIL("se aceptó un archivo que no está completo");
        } catch (const ErrorTendal &e) {
            QVERIFY2(e.descripcion().contains(motivo), qPrintable(e.descripcion()));
        }
        QCOMPARE(lee(destino), QByteArray("anterior"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }
};

QTEST_GUILESS_MAIN(PruebaDescompresor)
#include "PruebaDescompresor.moc"
