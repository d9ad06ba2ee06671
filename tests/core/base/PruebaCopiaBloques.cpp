// The one way files are written block by block (the copy of a file to send,
// of a response, a download) and its rule for a write that fails: a full
// disk or quota is 61 "Disco lleno", any other failure 75, and the message
// names the file and its folder. The full disk is a device that refuses
// writes after N bytes with the errno the system gives.

#include "core/base/CopiaBloques.h"
#include "core/base/Huella.h"
#include "tests/soporte/DispositivoLleno.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

QByteArray datos(qint64 n)
{
    QByteArray d(n, Qt::Uninitialized);
    for (qint64 i = 0; i < n; ++i)
        d[i] = char((i * 7 + i / 4096) & 0xff);
    return d;
}

} // namespace

class PruebaCopiaBloques : public QObject
{
    Q_OBJECT

private slots:
    // The disk fills in the middle of a block: the part that fit is written,
    // the write of the rest says why, and the error tells a full disk (or
    // quota) from any other failure.
    void escrituraFallida_data()
    {
        QTest::addColumn<int>("errorSistema");
        QTest::addColumn<int>("numero");
        QTest::addColumn<QString>("texto");
        QTest::newRow("disco lleno") << ENOSPC << 61
                                     << u"Disco lleno: no hay espacio para el archivo M0123001.err en la carpeta "
                                        "/ofi/val_rec"_s;
        QTest::newRow("cuota agotada") << EDQUOT << 61
                                       << u"Disco lleno: no hay espacio para el archivo M0123001.err en la carpeta "
                                          "/ofi/val_rec (se agotó la cuota de disco del usuario)"_s;
        QTest::newRow("límite de tamaño")
            << EFBIG << 75
            << u"Error de acceso a la ruta o el archivo: no se pudo escribir el archivo M0123001.err en la carpeta "
               "/ofi/val_rec (el archivo excede el tamaño que el sistema permite)"_s;
        QTest::newRow("disco dañado") << EIO << 75
                                      << u"Error de acceso a la ruta o el archivo: no se pudo escribir el archivo "
                                         "M0123001.err en la carpeta /ofi/val_rec (error de entrada o salida del "
                                         "disco)"_s;
    }
    void escrituraFallida()
    {
        QFETCH(int, errorSistema);
        QFETCH(int, numero);
        QFETCH(QString, texto);
        const QByteArray origen = datos(3 * CopiaBloques::kBloque + 17);
        const qint64 capacidad = 2 * CopiaBloques::kBloque + 4321;
        QBuffer entrada;
        entrada.setData(origen);
        QVERIFY(entrada.open(QIODevice::ReadOnly));
        DispositivoLleno lleno(capacidad, errorSistema);
        QVERIFY(lleno.open(QIODevice::WriteOnly | QIODevice::Unbuffered));

        CopiaBloques copia(lleno);
        QVERIFY(!copia.copia(entrada));
        QVERIFY(copia.fallo());
        QVERIFY(!copia.falloDeLectura());
        QCOMPARE(copia.discoLleno(), numero == 61);
        QCOMPARE(copia.escritos(), capacidad);
        QCOMPARE(lleno.escrito(), origen.left(capacidad));
        const ErrorTendal e = copia.error(u"M0123001.err"_s, u"/ofi/val_rec"_s);
        QCOMPARE(e.numero(), numero);
        QCOMPARE(e.descripcion(), texto);
    }

    // A whole copy: every byte written once, and the print taken on the way
    // is the SHA-256 of the bytes (checked against Qt's own).
    void copiaEnteraConHuella()
    {
        for (const qint64 n : {qint64(0), qint64(3), CopiaBloques::kBloque, 2 * CopiaBloques::kBloque + 99}) {
            const QByteArray origen = datos(n);
            QBuffer entrada;
            entrada.setData(origen);
            QVERIFY(entrada.open(QIODevice::ReadOnly));
            QBuffer salida;
            QVERIFY(salida.open(QIODevice::WriteOnly));
            Huella huella;
            CopiaBloques copia(salida);
            QVERIFY(copia.copia(entrada, [&](const char *d, qint64 largo) { huella.agrega(d, largo); }));
            QCOMPARE(salida.data(), origen);
            QCOMPARE(huella.tamano(), n);
            QCOMPARE(huella.sha256(),
                     QString::fromLatin1(QCryptographicHash::hash(origen, QCryptographicHash::Sha256).toHex()));
        }
    }

    // A source that cannot be read names the source's folder.
    void lecturaFallida()
    {
        DispositivoLleno ilegible(0, EIO);
        QVERIFY(ilegible.open(QIODevice::ReadOnly));
        QBuffer salida;
        QVERIFY(salida.open(QIODevice::WriteOnly));
        CopiaBloques copia(salida);
        QVERIFY(!copia.copia(ilegible));
        QVERIFY(copia.falloDeLectura());
        const ErrorTendal e = copia.error(u"M0123001.045"_s, u"/ofi/val_env"_s);
        QCOMPARE(e.numero(), 75);
        QCOMPARE(e.descripcion(), u"Error de acceso a la ruta o el archivo: no se pudo leer el archivo M0123001.045 "
                                  "de la carpeta /ofi/val_env"_s);
    }

    // A file that did not end whole goes at once, a plain one and one
    // written through a temporary name alike; the file already under the
    // target's name stays as it was.
    void descartaLoEscrito()
    {
        QTemporaryDir dir;
        const QString parte = dir.filePath(u"M0123001.err.7-1.parte"_s);
        QFile archivo(parte);
        QVERIFY(archivo.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        QVERIFY(CopiaBloques(archivo).escribe("ABC", 3));
        CopiaBloques::descarta(archivo);
        QVERIFY(!QFileInfo::exists(parte));

        const QString destino = dir.filePath(u"M0123001.045"_s);
        {
            QFile previo(destino);
            QVERIFY(previo.open(QIODevice::WriteOnly));
            previo.write("ANTERIOR");
        }
        QSaveFile guardado(destino);
        QVERIFY(guardado.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        QVERIFY(CopiaBloques(guardado).escribe("NUEVO", 5));
        CopiaBloques::descarta(guardado);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {u"M0123001.045"_s});
        QFile previo(destino);
        QVERIFY(previo.open(QIODevice::ReadOnly));
        QCOMPARE(previo.readAll(), "ANTERIOR");
    }

    // Files synced together: each path gets its own outcome, in its place
    // (one gone since it was written fails alone; the others are synced).
    void sincronizaJuntos()
    {
        QTemporaryDir dir;
        QStringList rutas;
        for (int i = 0; i < 300; ++i) {
            rutas << dir.filePath(u"R%1.err"_s.arg(i));
            QFile f(rutas.last());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("respuesta");
        }
        QVERIFY(QFile::remove(rutas[270]));
        const QList<int> errores = CopiaBloques::sincronizaJuntos(rutas);
        QCOMPARE(errores.size(), 300);
        for (int i = 0; i < 300; ++i)
            QCOMPARE(errores[i], i == 270 ? ENOENT : 0);
    }
};

QTEST_GUILESS_MAIN(PruebaCopiaBloques)
#include "PruebaCopiaBloques.moc"
