// The catalogue version check of the main window: a newer published
// catalogue is offered once, 2 s after start; every failure is silent.

#include "core/catalogo/ActualizacionCatalogo.h"
#include "core/catalogo/RevisionCatalogo.h"
#include "core/oficina/Programa.h"
#include "tests/soporte/ActualizacionPrueba.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/ServidorFtp.h"

#include <QCoro/QCoroTask>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace CatalogoPrueba;

namespace {

const QString kPregunta
    = u"Existe una versión actualizada del catálogo de errores, ¿Deseas descargar la actualización?"_s;
const QString kFinal = u"Catálogo de errores actualizado correctamente"_s;

ServidorFtp *g_servidor = nullptr;

struct Escena {
    ServidorFtp &servidor = *g_servidor;
    Oficina oficina;
    Programa *programa = nullptr;
    std::unique_ptr<ActualizacionCatalogo> actualizacion;
    std::unique_ptr<RevisionCatalogo> revision;
    int ventanas = 0;

    Escena()
    {
        servidor.restablece();
        QDir(servidor.ruta(u"/update"_s)).removeRecursively();
        QDir(servidor.raiz()).mkdir(u"update"_s);
        servidor.apunta(oficina);
        programa = &oficina.carga();
        llenaOficina(programa->conexion(), 5);
        programa->parametros().abre();
        actualizacion = std::make_unique<ActualizacionCatalogo>(*programa);
        revision = std::make_unique<RevisionCatalogo>(*programa, *actualizacion);
        QObject::connect(revision.get(), &RevisionCatalogo::actualizacionAceptada, [this] { ++ventanas; });
    }
    void publica(const QString &linea, int version)
    {
        servidor.escribe(u"/update/revact.txt"_s, (linea + u"\r\n"_s).toLatin1());
        QTemporaryDir dir;
        creaSqlite(dir.filePath(u"a.db"_s), version, 3);
        servidor.escribe(u"/update/"_s
                             + ActualizacionCatalogo::archivoCatalogo(ActualizacionCatalogo::versionTexto(linea)),
                         comprime(lee(dir.filePath(u"a.db"_s))));
    }
    void revisa() { QCoro::waitFor(revision->Revisa_Catalogo()); }
    QStringList mensajes() const { return oficina.dialogos.textos(); }
    QStringList archivosLocales() const { return QDir(oficina.trabajo()).entryList(QDir::Files | QDir::Hidden); }
};

} // namespace

class PruebaRevisionCatalogo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { g_servidor = new ServidorFtp; }
    void cleanupTestCase() { delete g_servidor; }

    void sinNada_data()
    {
        QTest::addColumn<QString>("publicada");
        QTest::newRow("versión igual") << u"5"_s;
        QTest::newRow("versión anterior") << u"4   2026021401"_s;
        QTest::newRow("no es un número") << u"XII"_s;
        QTest::newRow("sin lista") << QString();
    }
    void sinNada()
    {
        QFETCH(QString, publicada);
        Escena e;
        if (!publicada.isNull())
            e.servidor.escribe(u"/update/revact.txt"_s, (publicada + u"\r\n"_s).toLatin1());
        e.revisa();
        QVERIFY(e.mensajes().isEmpty());
        QCOMPARE(e.ventanas, 0);
        QVERIFY(e.archivosLocales().isEmpty());
        QVERIFY(!e.programa->eftpPrincipal.conectado());
        QCOMPARE(e.servidor.usuarios().last(), u"actualizador"_s);
    }

    void respuestaNo()
    {
        Escena e;
        e.publica(u"6"_s, 6);
        e.oficina.dialogos.respuestas.enqueue(Dialogos::Respuesta::No);
        e.revisa();
        QCOMPARE(e.mensajes(), QStringList {kPregunta});
        const auto &pregunta = e.oficina.dialogos.mensajes[0];
        QCOMPARE(pregunta.titulo, Dialogos::nombreProducto());
        QCOMPARE(pregunta.icono, Dialogos::Icono::Informacion);
        QCOMPARE(pregunta.botones, Dialogos::Botones::SiNo);
        QCOMPARE(e.ventanas, 0);
        QCOMPARE(instalado(e.programa->conexion()), esperado(5, 4));
        QVERIFY(e.archivosLocales().isEmpty());
    }

    void respuestaSi()
    {
        Escena e;
        e.publica(u"6"_s, 6);
        e.oficina.dialogos.respuestas.enqueue(Dialogos::Respuesta::Si);
        // The check's own session is closed before the question.
        bool conectadoAlPreguntar = true;
        e.oficina.dialogos.alMostrar = [&](const DialogosGuion::Mensaje &) {
            conectadoAlPreguntar = e.programa->eftpPrincipal.conectado();
        };
        QSignalSpy oculta(e.actualizacion.get(), &ActualizacionCatalogo::ocultaVentana);
        e.revisa();
        QVERIFY(!conectadoAlPreguntar);
        QCOMPARE(e.mensajes(), QStringList({kPregunta, kFinal}));
        QCOMPARE(e.oficina.dialogos.mensajes[1].icono, Dialogos::Icono::Ninguno);
        QCOMPARE(e.oficina.dialogos.mensajes[1].titulo, Dialogos::nombreProducto());
        QCOMPARE(e.ventanas, 1);
        QCOMPARE(oculta.size(), 1);
        QCOMPARE(instalado(e.programa->conexion()), esperado(6, 3));
        QCOMPARE(e.actualizacion->resultado(), u"Catálogo actualizado satisfactoriamente!!!"_s);
        QVERIFY(e.archivosLocales().isEmpty());
        QVERIFY(!e.programa->eftpPrincipal.conectado());
    }

    // The update window reports its own error; no success message follows it.
    void siConErrorDeLaActualizacion()
    {
        Escena e;
        e.servidor.escribe(u"/update/revact.txt"_s, "7\r\n");
        e.oficina.dialogos.respuestas.enqueue(Dialogos::Respuesta::Si);
        e.revisa();
        QCOMPARE(
            e.mensajes(),
            QStringList({kPregunta, u"No se recibió el archivo de actualización del catálogo \"ACTE7   .mdb.mz\".\r\n"
                                    "El catálogo instalado se conserva."_s}));
        QCOMPARE(instalado(e.programa->conexion()), esperado(5, 4));
    }

    void servidorInalcanzable_data()
    {
        QTest::addColumn<bool>("rechazaLogin");
        QTest::newRow("login rechazado") << true;
        QTest::newRow("servidor apagado") << false;
    }
    void servidorInalcanzable()
    {
        QFETCH(bool, rechazaLogin);
        Escena e;
        e.publica(u"6"_s, 6);
        if (rechazaLogin) {
            e.servidor.rechazaLogin();
        } else {
            ServidorFtp apagado;
            apagado.apunta(e.oficina);
            e.revision.reset();
            e.actualizacion.reset();
            e.programa = &e.oficina.carga();
            e.actualizacion = std::make_unique<ActualizacionCatalogo>(*e.programa);
            e.revision = std::make_unique<RevisionCatalogo>(*e.programa, *e.actualizacion);
        }
        e.revisa();
        QVERIFY(e.mensajes().isEmpty());
        QVERIFY(!e.programa->eftpPrincipal.conectado());
    }

    // Left as created the check never runs; armed, it runs once, 2 s later,
    // and never again.
    void temporizador()
    {
        Escena e;
        e.publica(u"6"_s, 6);
        QSignalSpy terminadas(e.revision.get(), &RevisionCatalogo::revisionTerminada);
        QVERIFY(!e.revision->armado());
        QTest::qWait(2300);
        QCOMPARE(terminadas.size(), 0);

        QCOMPARE(e.revision->intervalo(), 2000);
        e.oficina.dialogos.respuestas.enqueue(Dialogos::Respuesta::No);
        e.revision->arma();
        QTest::qWait(1500);
        QVERIFY(e.revision->armado());
        QCOMPARE(terminadas.size(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(terminadas.size(), 1, 10000);
        QVERIFY(!e.revision->armado());
        QCOMPARE(e.mensajes(), QStringList {kPregunta}); // answered No
        QTest::qWait(2300);
        QCOMPARE(terminadas.size(), 1);
        QCOMPARE(e.mensajes().size(), 1);
    }
};

QTEST_GUILESS_MAIN(PruebaRevisionCatalogo)
#include "PruebaRevisionCatalogo.moc"
