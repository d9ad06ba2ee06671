// tendal caterr and tendal importar-mdb, run in-process with their streams
// captured.

#include "core/catalogo/ActualizacionCatalogo.h"
#include "tests/soporte/ActualizacionPrueba.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/SalidaComando.h"
#include "tests/soporte/ServidorFtp.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class PruebaComandosCatalogo : public QObject
{
    Q_OBJECT

private slots:
    void caterr()
    {
        ServidorFtp servidor;
        Oficina oficina;
        servidor.apunta(oficina);
        QTemporaryDir dir;
        CatalogoPrueba::creaSqlite(dir.filePath(u"a.db"_s), 8, 2);
        servidor.escribe(u"/update/revact.txt"_s, "8\r\n");
        servidor.escribe(u"/update/ACTE8   .mdb.mz"_s,
                         CatalogoPrueba::comprime(CatalogoPrueba::lee(dir.filePath(u"a.db"_s))));
        const QStringList base = {u"--ini"_s, oficina.ini(), u"--workdir"_s, oficina.trabajo(), u"caterr"_s};

        SalidaComando s = tendalEnProceso(base);
        QCOMPARE(s.estado, 0);
        QCOMPARE(s.out, u"Descargando Lista de Actualizaciones\nRevisando Lista de Actualizaciones\n"
                        "Descargando Archivo de Actualización\nInstalando Actualización de Catálogo\n"
                        "Catálogo actualizado satisfactoriamente!!!\n"_s);
        QVERIFY2(s.err.isEmpty(), qPrintable(s.err));

        s = tendalEnProceso(base);
        QCOMPARE(s.estado, 0);
        QCOMPARE(s.out, u"Descargando Lista de Actualizaciones\nRevisando Lista de Actualizaciones\n"
                        "No existen actualizaciones del catálogo!!!\n"_s);

        // A run that ends with an error message ends non-zero.
        servidor.escribe(u"/update/revact.txt"_s, "9\r\n");
        s = tendalEnProceso(base);
        QCOMPARE(s.estado, 1);
        QVERIFY(s.out.endsWith(u"Descargando Archivo de Actualización\n"
                               "No se recibió el archivo de actualización del catálogo \"ACTE9   .mdb.mz\"\n"_s));
        QCOMPARE(s.err, u"No se recibió el archivo de actualización del catálogo \"ACTE9   .mdb.mz\".\n"
                        "El catálogo instalado se conserva.\n"_s);

        servidor.rechazaLogin();
        s = tendalEnProceso(base);
        QCOMPARE(s.estado, 1);
        QVERIFY(s.out.isEmpty());
        QCOMPARE(s.err, u"Usuario o Password no aceptado\n"_s);
    }

    void importarMdb()
    {
        QTemporaryDir dir;
        SalidaComando s
            = tendalEnProceso({u"importar-mdb"_s, u"" TENDAL_DIR_DATOS_PRUEBA "/catalogo/DateTestDatabase.mdb"_s,
                               u"--destino"_s, dir.path()});
        QCOMPARE(s.estado, 0);
        const QString destino = QDir(dir.path()).filePath(u"DateTestDatabase.db"_s);
        QCOMPARE(s.out, u"DateTest: 6 filas\nBase de datos creada: %1\n"_s.arg(QDir::toNativeSeparators(destino)));
        QVERIFY(QFile::exists(destino));

        s = tendalEnProceso({u"importar-mdb"_s, u"" TENDAL_DIR_DATOS_PRUEBA "/catalogo/DateTestDatabase.mdb"_s,
                             u"--destino"_s, dir.path()});
        QCOMPARE(s.estado, 1);
        QVERIFY2(s.err.contains(u"ya existe; no se sobrescribe"_s), qPrintable(s.err));

        s = tendalEnProceso({u"importar-mdb"_s});
        QCOMPARE(s.estado, 2);
        s = tendalEnProceso({u"importar-mdb"_s, QDir(dir.path()).filePath(u"no-existe.mdb"_s)});
        QCOMPARE(s.estado, 1);
        QVERIFY(s.err.startsWith(u"No se encontró la base de datos Access"_s));
    }
};

QTEST_GUILESS_MAIN(PruebaComandosCatalogo)
#include "PruebaComandosCatalogo.moc"
