// The end of the desktop program while work is under way: a send stalled on
// the server, a receive tick waiting for a listing, a catalogue being
// installed, a report being built. Each ends, in order, before the objects
// go; nothing is left half recorded and nothing is said to the person.
#include "gui/escritorio/Apagado.h"

#include "core/base/TareaSuelta.h"
#include "core/catalogo/ActualizacionCatalogo.h"
#include "core/catalogo/RevisionCatalogo.h"
#include "core/oficina/ListaRecepcion.h"
#include "core/principal/Principal.h"
#include "core/reportes/CargaReporte.h"
#include "core/reportes/DestinoTexto.h"
#include "tests/soporte/ActualizacionPrueba.h"
#include "tests/soporte/CatalogoPrueba.h"
#include "tests/soporte/Escena.h"

#include <QCoro/QCoroTask>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QTest>

#include <atomic>

namespace {

// The desktop program's objects over an office and its server, as the
// composition root builds them, with its ordered end.
struct Programa_ : Escena {
    std::unique_ptr<ActualizacionCatalogo> actualizacion;
    std::unique_ptr<RevisionCatalogo> revision;
    std::unique_ptr<Principal> principal;

    Programa &arranca()
    {
        Programa &p = carga();
        actualizacion = std::make_unique<ActualizacionCatalogo>(p);
        revision = std::make_unique<RevisionCatalogo>(p, *actualizacion);
        principal = std::make_unique<Principal>(p, *ciclo);
        return p;
    }
    void apaga() { QCoro::waitFor(Apagado(*comandos, *ciclo, *actualizacion, *revision, *principal).termina()); }
    qint64 cuenta(const QString &sql)
    {
        QSqlQuery q = programa().conexion().ejecuta(sql);
        return q.next() ? q.value(0).toLongLong() : -1;
    }
};

} // namespace

class PruebaApagado : public QObject
{
    Q_OBJECT
private slots:
    // A send stalled in its upload and a tick stalled in its listing: both
    // are cut short; the file stays queued with no claim on it, the
    // reception list keeps what it awaits.
    void envioYRecepcion()
    {
        Programa_ e;
        const QString nombre = QStringLiteral("M0123001.045");
        e.archivo(QStringLiteral("val_env"), nombre, QByteArray(3 * 1024 * 1024, 'x'));
        Programa &p = e.arranca();
        e.enLista(nombre, QStringLiteral("2"), QStringLiteral("/ag0123"), QStringLiteral("/ag0123"));
        p.listaRecepcion().agrega({QStringLiteral("M0123002.045"), QString(), QString(), QStringLiteral("10:30 AM"),
                                   QStringLiteral("/ag0123"), QStringLiteral("/ag0123"), QStringLiteral("k0123002.045"),
                                   QStringLiteral("M0123002.err"), e.oficina.carpeta(QStringLiteral("val_rec")),
                                   QStringLiteral("2")});
        e.servidor.lento(16 * 1024);
        e.comandos->inicia(QStringLiteral("enviar"));
        QTRY_VERIFY(e.servidor.transferencias().contains(QStringLiteral("STOR /ag0123/") + nombre));
        QCOMPARE(e.cuenta(QStringLiteral("SELECT COUNT(*) FROM TRANSMISION WHERE ESTADO = 'ENVIANDO'")), 1);

        // The next data connection never moves a byte: the tick's listing.
        e.servidor.detieneDatos();
        TareaSuelta::inicia(QStringLiteral("la revisión de respuestas"), e.ciclo->tick(), p.dialogos());
        QTRY_VERIFY(e.servidor.transferencias().contains(QStringLiteral("NLST /ag0123")));
        QVERIFY(e.comandos->ocupado());
        QVERIFY(e.ciclo->enCurso());

        e.apaga();
        QVERIFY(!e.comandos->ocupado());
        QVERIFY(!e.ciclo->enCurso());
        QVERIFY(!e.ciclo->habilitado());
        QCOMPARE(e.cuenta(QStringLiteral("SELECT COUNT(*) FROM TRANSMISION WHERE ESTADO = 'ENVIANDO'")), 0);
        QCOMPARE(e.nombresEnvio(), QStringList {nombre});
        QCOMPARE(p.listaEnvio().celda(0, ListaEnvio::Estado), QStringLiteral("E"));
        QCOMPARE(e.nombresRecepcion(), QStringList {QStringLiteral("M0123002.045")});
        QCOMPARE(e.persona().textos(), QStringList());
        // A command asked for after the end starts nothing.
        QCoro::waitFor(e.comandos->Ejecuta_Comando(QStringLiteral("enviar")));
        QCOMPARE(e.persona().textos(), QStringList());
    }

    // An installation in flight rolls back: the office keeps its catalogue
    // and its version, whole.
    void instalacion()
    {
        Programa_ e;
        Programa &p = e.arranca();
        CatalogoPrueba::llenaOficina(p.conexion(), 1);
        p.parametros().abre();
        QTemporaryDir dir;
        const QString ruta = dir.filePath(QStringLiteral("actualizacion.db"));
        CatalogoPrueba::creaSqlite(ruta, 2, 5);
        e.servidor.escribe(QStringLiteral("/update/revact.txt"), "2\r\n");
        e.servidor.escribe(QStringLiteral("/update/") + ActualizacionCatalogo::archivoCatalogo(QStringLiteral("2   ")),
                           CatalogoPrueba::comprime(CatalogoPrueba::lee(ruta)));

        // The installation holds after its first table until it is told to stop.
        std::atomic_bool retenida = false;
        ActualizacionCatalogo *a = e.actualizacion.get();
        a->trasTabla = [&retenida, a](int tabla) {
            if (tabla != 1)
                return;
            retenida = true;
            while (!a->abandonada())
                QThread::yieldCurrentThread();
        };
        a->inicia(QStringLiteral("recibir"));
        QTRY_VERIFY(retenida.load());
        QVERIFY(a->enCurso());

        e.apaga();
        QVERIFY(!a->enCurso());
        QCOMPARE(CatalogoPrueba::instalado(p.conexion()), CatalogoPrueba::esperado(1, 4));
        QCOMPARE(e.cuenta(QStringLiteral("SELECT vererr FROM PARAMETROS")), 1);
        QCOMPARE(e.persona().textos(), QStringList());
        QCOMPARE(QDir(e.oficina.trabajo()).entryList(QDir::Files), QStringList());
        // No run starts after the end.
        QCoro::waitFor(a->Movimientos(QStringLiteral("recibir")));
        QCOMPARE(e.servidor.usuarios().size(), 1);
    }

    // A report being built on its worker is abandoned and the worker
    // joined: its target is not touched again.
    void reporte()
    {
        Programa_ e;
        const QString nombre = QStringLiteral("M3001234.err");
        QByteArray grande;
        for (int i = 0; i < 40000; ++i)
            grande += "E3001234501001230501\r\n";
        QVERIFY(escribe(e.oficina.carpeta(QStringLiteral("val_rec")), nombre, grande));
        llenaCatalogo(e.oficina);
        Programa &p = e.arranca();
        DestinoTexto destino;
        e.principal->ponReporte(&destino);
        p.listaEnvio().agrega({nombre, QStringLiteral("R"), QStringLiteral("2"), {}, {}});
        e.principal->muestraReporte(0, 0);
        QVERIFY(e.principal->cargandoReporte());

        e.apaga();
        QVERIFY(!e.principal->cargandoReporte());
        QCoreApplication::processEvents();
        QCOMPARE(destino.texto(), QString());
        QCOMPARE(e.persona().textos(), QStringList());
    }
};

QTEST_MAIN(PruebaApagado)
#include "PruebaApagado.moc"
