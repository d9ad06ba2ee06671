// Installing a catalogue: all seven tables and vererr together, or nothing,
// whatever happens on the way (a missing table, an error, a killed process).
// On the office's SQLite file, and again on a database of the test's own
// PostgreSQL cluster (the _postgres run); the checks of the file itself
// (its write-ahead log, its own catalogue of tables) on the file only.

#include "core/access/BaseAccess.h"
#include "core/access/ImportadorAccess.h"
#include "core/catalogo/InstalacionCatalogo.h"
#include "core/base/ErrorTendal.h"
#include "core/db/Conexion.h"
#include "tests/soporte/ActualizacionPrueba.h"
#include "tests/soporte/Oficina.h"

#include "core/reportes/DestinoTexto.h"
#include "core/reportes/GeneradorReporte.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSemaphore>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace Qt::StringLiterals;
using namespace CatalogoPrueba;

namespace {

const QString kNwind = u"" TENDAL_DIR_DATOS_PRUEBA "/catalogo/nwind.mdb"_s;
// Rows per table of an update larger than the page cache of a connection:
// its transaction writes to disk before it ends.
constexpr int kFilasGrandes = 20000;

int vererr(Programa &p)
{
    QSqlQuery q = p.conexion().ejecuta(u"SELECT vererr FROM PARAMETROS"_s);
    q.next();
    return q.value(0).toInt();
}

// An office with catalogue version 1 (four rows per table) installed.
struct Escena {
    Oficina oficina;
    Programa &programa;
    QTemporaryDir dir;
    Escena()
        : programa(oficina.carga())
    {
        llenaOficina(programa.conexion(), 1);
        programa.parametros().abre();
    }
    QString ruta(const QString &nombre) const { return dir.filePath(nombre); }
    void sigueIgual()
    {
        QCOMPARE(instalado(programa.conexion()), esperado(1, 4));
        QCOMPARE(vererr(programa), 1);
        QCOMPARE(programa.parametros().entero(u"vererr"_s), 1);
        QCOMPARE(indices(programa.conexion()).size(), 7);
    }
};

} // namespace

class PruebaInstalacionCatalogo : public QObject
{
    Q_OBJECT

private slots:
    void desdeSqlite()
    {
        Escena e;
        const QString ruta = e.ruta(u"ACTE13  .mdb"_s);
        creaSqlite(ruta, 13, 25);
        InstalacionCatalogo instalacion(e.programa.conexion().ruta());
        QList<InstalacionCatalogo::Avance> avances;
        instalacion.avance = [&](const InstalacionCatalogo::Avance &a) {
            avances << a;
        };
        instalacion.instala(ruta, 13);
        QCOMPARE(instalado(e.programa.conexion()), esperado(13, 25));
        QCOMPARE(vererr(e.programa), 13);
        // Each table announced from 0 rows and reported whole, in order.
        QStringList anunciadas;
        for (const auto &a : std::as_const(avances)) {
            QCOMPARE(a.tablas, 7);
            QCOMPARE(a.total, 25);
            if (a.filas == 0)
                anunciadas << a.nombre;
        }
        QCOMPARE(anunciadas, Esquema::tablasCatalogo());
        QCOMPARE(avances.last().tabla, 7);
        QCOMPARE(avances.last().filas, 25);
        QCOMPARE(indices(e.programa.conexion()),
                 QStringList({u"IX_ERRORESA"_s, u"IX_ERRORESB"_s, u"IX_ERRORESC"_s, u"IX_ERRORESD"_s, u"IX_ERRORESM"_s,
                              u"IX_ERRORESS"_s, u"IX_INFORMACION"_s}));
        // The rows as the update holds them, memo with its line break included.
        QSqlQuery q = e.programa.conexion().ejecuta(
            u"SELECT TIPO_ERROR, NUM_ERROR, DESCRIPCION, SOLUCION FROM ERRORESC WHERE DESCRIPCION = ?"_s,
            {u"V13 ERRORESC FILA 2 Ñ"_s});
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 3);
        QCOMPARE(q.value(2).toString(), u"V13 ERRORESC FILA 2 Ñ"_s);
        QCOMPARE(q.value(3).toString(), u"Revise el dato\r\ny envíe de nuevo"_s);
        // TIPO_ERRORES is not part of an update.
        QVERIFY(QFile::exists(ruta));
    }

    // Whatever columns the update's tables carry come along, under the
    // catalogue's names whatever the letter case of the update.
    void columnasDeLaActualizacion()
    {
        Escena e;
        const QString ruta = e.ruta(u"ACTE14.mdb"_s);
        creaSqlite(ruta, 14, 2);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"extra"_s);
            db.setDatabaseName(ruta);
            db.open();
            QSqlQuery q(db);
            QVERIFY(q.exec(u"ALTER TABLE INFORMACION RENAME TO informacion_"_s));
            QVERIFY(q.exec(u"ALTER TABLE informacion_ RENAME TO informacion"_s));
            QVERIFY(q.exec(u"ALTER TABLE ERRORESB ADD COLUMN VIGENCIA DATETIME"_s));
            QVERIFY(q.exec(u"UPDATE ERRORESB SET VIGENCIA = '2026-03-01'"_s));
            db.close();
        }
        QSqlDatabase::removeDatabase(u"extra"_s);
        InstalacionCatalogo(e.programa.conexion().ruta()).instala(ruta, 14);
        QCOMPARE(instalado(e.programa.conexion()), esperado(14, 2));
        if (!e.oficina.enServidor()) {
            QSqlQuery q
                = e.programa.conexion().ejecuta(u"SELECT name FROM sqlite_master WHERE name LIKE 'informacion'"_s);
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toString(), u"INFORMACION"_s);
        }
        QSqlQuery q = e.programa.conexion().ejecuta(u"SELECT VIGENCIA FROM ERRORESB"_s);
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toDate(), QDate(2026, 3, 1));
    }

    // An Access update: the same installation through the Access reader,
    // with tables of the sample file standing in for the catalogue's.
    void desdeAccess()
    {
        Escena e;
        const QString ruta = e.ruta(u"ACTE15.mdb"_s);
        QVERIFY(QFile::copy(kNwind, ruta));
        const QStringList tablas = {u"Shippers"_s, u"Umsätze"_s, u"Employees"_s};
        InstalacionCatalogo instalacion(e.programa.conexion().ruta(), tablas);
        QList<InstalacionCatalogo::Avance> avances;
        instalacion.avance = [&](const InstalacionCatalogo::Avance &a) {
            avances << a;
        };
        instalacion.instala(ruta, 15);
        QCOMPARE(vererr(e.programa), 15);
        QCOMPARE(avances.last().nombre, u"Employees"_s);
        QCOMPARE(avances.last().filas, avances.last().total);
        QVERIFY(avances.last().total > 0);
        const QString referencia = e.ruta(u"referencia.db"_s);
        ImportadorAccess::importa(kNwind, referencia, tablas);
        if (e.oficina.enServidor()) {
            // Every row of each table came along (the server's names in
            // lower case).
            const auto ref = Conexion::abreLectura(referencia);
            for (const QString &tabla : tablas) {
                const QString cuenta = u"SELECT COUNT(*) FROM \"%1\""_s;
                QSqlQuery a = e.programa.conexion().ejecuta(cuenta.arg(tabla.toLower()));
                QSqlQuery b = ref->ejecuta(cuenta.arg(tabla));
                QVERIFY(a.next() && b.next());
                QVERIFY2(a.value(0).toInt() > 0, qPrintable(tabla));
                QCOMPARE(a.value(0).toInt(), b.value(0).toInt());
            }
            return;
        }
        QSqlQuery q = e.programa.conexion().ejecuta(u"ATTACH DATABASE ? AS ref"_s, {referencia});
        for (const QString &tabla : tablas) {
            q = e.programa.conexion().ejecuta(
                u"SELECT (SELECT COUNT(*) FROM main.\"%1\"), (SELECT COUNT(*) FROM "
                "(SELECT * FROM main.\"%1\" EXCEPT SELECT * FROM ref.\"%1\"))"_s.arg(tabla));
            QVERIFY(q.next());
            QVERIFY2(q.value(0).toInt() > 0, qPrintable(tabla));
            QCOMPARE(q.value(1).toInt(), 0);
        }
        q = QSqlQuery();
        e.programa.conexion().ejecuta(u"DETACH DATABASE ref"_s);
        // The temporary copy beside the update is gone.
        QCOMPARE(QDir(e.dir.path()).entryList(QDir::Files), QStringList({u"ACTE15.mdb"_s, u"referencia.db"_s}));
    }

    void actualizacionIncompleta_data()
    {
        QTest::addColumn<QString>("falta");
        QTest::addColumn<bool>("access");
        QTest::newRow("ERRORESM") << u"ERRORESM"_s << false;
        QTest::newRow("ERRORESD") << u"ERRORESD"_s << false;
        QTest::newRow("INFORMACION") << u"INFORMACION"_s << false;
        QTest::newRow("Access sin el catálogo") << u"ERRORESM"_s << true;
    }
    void actualizacionIncompleta()
    {
        QFETCH(QString, falta);
        QFETCH(bool, access);
        Escena e;
        const QString ruta = e.ruta(u"ACTE16.mdb"_s);
        if (access)
            QVERIFY(QFile::copy(kNwind, ruta));
        else
            creaSqlite(ruta, 16, 3, {falta});
        try {
            InstalacionCatalogo(e.programa.conexion().ruta()).instala(ruta, 16);
            QFAIL("se instaló una actualización incompleta");
        } catch (const ErrorTendal &error) {
            QCOMPARE(error.numero(), ErrorTendal::TablaNoEncontrada);
            QCOMPARE(error.descripcion(), u"La actualización del catálogo no contiene la tabla %1"_s.arg(falta));
        }
        e.sigueIgual();
    }

    void noEsUnaBase_data()
    {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QString>("motivo");
        QTest::newRow("texto") << QByteArray("ERRORESM|1|2|\r\n") << u"no contiene una base de datos"_s;
        QTest::newRow("cabecera sqlite sin base")
            << QByteArray("SQLite format 3\0", 16) + QByteArray(2000, 'x') << u"está dañada"_s;
    }
    void noEsUnaBase()
    {
        QFETCH(QByteArray, contenido);
        QFETCH(QString, motivo);
        Escena e;
        const QString ruta = e.ruta(u"ACTE17.mdb"_s);
        QFile f(ruta);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(contenido);
        f.close();
        try {
            InstalacionCatalogo(e.programa.conexion().ruta()).instala(ruta, 17);
            QFAIL("se instaló algo que no es una base de datos");
        } catch (const ErrorTendal &error) {
            QCOMPARE(error.numero(), InstalacionCatalogo::kNoValida);
            QVERIFY2(error.descripcion().contains(motivo), qPrintable(error.descripcion()));
        }
        e.sigueIgual();
    }

    // An update database cut short (mid-page, as a transfer cut inside a
    // whole compressed stream leaves it) or with a page written over is
    // refused before anything changes, naming the update, never the office.
    void actualizacionDanada_data()
    {
        QTest::addColumn<QString>("dano");
        QTest::newRow("cortada a media página") << u"corte"_s;
        QTest::newRow("una página escrita encima") << u"encima"_s;
    }
    void actualizacionDanada()
    {
        QFETCH(QString, dano);
        Escena e;
        const QString ruta = e.ruta(u"ACTE20.mdb"_s);
        creaSqlite(ruta, 20, 400);
        QFile f(ruta);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const qint64 tamano = f.size();
        QVERIFY(tamano > 5 * 4096);
        if (dano == u"corte") {
            QVERIFY(f.resize(tamano - 4096 - 1000));
        } else {
            QVERIFY(f.seek(tamano - 2 * 4096));
            f.write(QByteArray(4096, '\x5a'));
        }
        f.close();
        try {
            InstalacionCatalogo(e.programa.conexion().ruta()).instala(ruta, 20);
            QFAIL("se instaló una actualización dañada");
        } catch (const ErrorTendal &error) {
            QCOMPARE(error.numero(), InstalacionCatalogo::kNoValida);
            QVERIFY2(error.descripcion().startsWith(
                         u"La base de datos de la actualización del catálogo %1 está dañada"_s.arg(
                             QDir::toNativeSeparators(ruta))),
                     qPrintable(error.descripcion()));
            QVERIFY2(!error.descripcion().contains(u"Prevalida"_s), qPrintable(error.descripcion()));
        }
        e.sigueIgual();
    }

    // A table without the columns the lookups use cannot be the catalogue.
    void sinColumnaDeBusqueda()
    {
        Escena e;
        const QString ruta = e.ruta(u"ACTE18.mdb"_s);
        creaSqlite(ruta, 18);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"columna"_s);
            db.setDatabaseName(ruta);
            db.open();
            QSqlQuery q(db);
            QVERIFY(q.exec(u"ALTER TABLE ERRORESS RENAME COLUMN CODIGO TO COD"_s));
            db.close();
        }
        QSqlDatabase::removeDatabase(u"columna"_s);
        try {
            InstalacionCatalogo(e.programa.conexion().ruta()).instala(ruta, 18);
            QFAIL("se instaló una tabla sin sus columnas de búsqueda");
        } catch (const ErrorTendal &error) {
            QCOMPARE(error.numero(), InstalacionCatalogo::kNoValida);
            QVERIFY2(error.descripcion().startsWith(u"La tabla ERRORESS de la actualización del catálogo no tiene"_s),
                     qPrintable(error.descripcion()));
        }
        e.sigueIgual();
    }

    // An error after some tables were replaced: the old catalogue is whole,
    // and the next installation starts again from the first table.
    void errorTrasAlgunasTablas_data()
    {
        QTest::addColumn<int>("tabla");
        QTest::newRow("tras la primera") << 1;
        QTest::newRow("tras la cuarta") << 4;
        QTest::newRow("tras la última") << 7;
    }
    void errorTrasAlgunasTablas()
    {
        QFETCH(int, tabla);
        Escena e;
        const QString ruta = e.ruta(u"ACTE19.mdb"_s);
        creaSqlite(ruta, 19, 6);
        InstalacionCatalogo instalacion(e.programa.conexion().ruta());
        instalacion.trasTabla = [tabla](int n) {
            if (n == tabla)
                throw ErrorTendal(ErrorTendal::DiscoLleno, u"Disco lleno"_s);
        };
        QVERIFY_THROWS_EXCEPTION(ErrorTendal, instalacion.instala(ruta, 19));
        e.sigueIgual();

        instalacion.trasTabla = nullptr;
        instalacion.instala(ruta, 19);
        QCOMPARE(instalado(e.programa.conexion()), esperado(19, 6));
        QCOMPARE(vererr(e.programa), 19);
    }

    // A process killed in the middle of the installation: the new tables were
    // already being written to disk (the file's write-ahead log holds them),
    // and the next start finds the previous catalogue whole.
    void procesoInterrumpido()
    {
        Escena e;
        const QString ruta = e.ruta(u"ACTE20.mdb"_s);
        creaSqlite(ruta, 20, kFilasGrandes);
        QProcess hijo;
        hijo.start(u"" HIJO_INSTALACION ""_s, {e.oficina.base(), ruta, u"20"_s, u"5"_s});
        QVERIFY(hijo.waitForStarted());
        QVERIFY(hijo.waitForReadyRead(60000));
        QCOMPARE(hijo.readAllStandardOutput(), QByteArray("pausa 5\n"));
        hijo.kill();
        QVERIFY(hijo.waitForFinished());
        if (!e.oficina.enServidor())
            QVERIFY(QFileInfo(QDir(e.oficina.carpetaDatos()).filePath(u"Prevalida.db-wal"_s)).size() > 1024 * 1024);

        e.sigueIgual();
        InstalacionCatalogo(e.programa.conexion().ruta()).instala(ruta, 20);
        QCOMPARE(instalado(e.programa.conexion()), esperado(20, kFilasGrandes));
    }

    // While the installation runs on another thread, half-way through its
    // transaction, the program reads the previous catalogue whole and at
    // once: a report built then describes its errors with it. The new
    // catalogue shows only when the installation is over.
    void lecturaDuranteLaInstalacion()
    {
        Escena e;
        const QString ruta = e.ruta(u"ACTE21.mdb"_s);
        creaSqlite(ruta, 21, kFilasGrandes);
        QFile respuesta(QDir(e.oficina.carpeta(u"pag_rec"_s)).filePath(u"R1.001"_s));
        QVERIFY(respuesta.open(QIODevice::WriteOnly));
        respuesta.write("300123602\r\n");
        respuesta.close();
        const auto reporte = [&] {
            DestinoTexto destino;
            GeneradorReporte(e.programa).Genera_Reporte(GeneradorReporte::tituloRevision(), u"R1.001"_s, destino);
            return destino.texto();
        };
        QVERIFY(reporte().contains(u"Descripción: V1 ERRORESB FILA 2 Ñ"_s));

        InstalacionCatalogo instalacion(e.programa.conexion().ruta());
        QSemaphore enPausa;
        QSemaphore sigue;
        instalacion.trasTabla = [&](int tabla) {
            if (tabla == 3) {
                enPausa.release();
                sigue.acquire();
            }
        };
        std::exception_ptr error;
        std::thread hilo([&] {
            try {
                instalacion.instala(ruta, 21);
            } catch (...) {
                error = std::current_exception();
            }
        });
        const bool pausada = enPausa.tryAcquire(1, 120000);
        QElapsedTimer reloj;
        reloj.start();
        const QString durante = reporte();
        const int vererrDurante = vererr(e.programa);
        const bool catalogoAnterior = instalado(e.programa.conexion()) == esperado(1, 4);
        const qint64 espera = reloj.elapsed();
        sigue.release();
        hilo.join();
        QVERIFY(pausada);
        QVERIFY(!error);
        QVERIFY2(durante.contains(u"Descripción: V1 ERRORESB FILA 2 Ñ"_s), qPrintable(durante));
        QCOMPARE(vererrDurante, 1);
        QVERIFY(catalogoAnterior);
        QVERIFY2(espera < 4000, "las lecturas esperaron a la instalación");
        QVERIFY(reporte().contains(u"Descripción: V21 ERRORESB FILA 2 Ñ"_s));
        QCOMPARE(vererr(e.programa), 21);
    }
};

QTEST_GUILESS_MAIN(PruebaInstalacionCatalogo)
#include "PruebaInstalacionCatalogo.moc"
