// How long the window's thread is held during each long operation the
// person can start: a 10 ms timer runs on that thread while the operation
// runs as the window runs it, and the largest gap between two ticks is the
// time the window could not paint or answer. One table:
//
//   - sending a 100 MB file (tool bar "enviar", FTP on 127.0.0.1);
//   - a receive tick with 300 awaited files and 100 responses ready;
//   - a receive tick with 5,000 files sent and awaited and 500 responses
//     ready, with the main window and the history window open (the lists,
//     their counts, their late-file flags and the history follow it; the
//     row ends once the history shows what the tick recorded);
//   - installing a 200,000-row catalogue (on its worker, with its progress
//     sent back to the window's thread, as the update run does);
//   - opening the report of a 100,000-line response in the report box (built
//     on a worker, then loaded into the box in slices).
//
// The goal for each is below 50 ms.
//
//   banco_ventana [MB_DEL_ENVIO]

#include "bench/soporte/RecepcionBanco.h"
#include "core/catalogo/InstalacionCatalogo.h"
#include "core/oficina/ListaRecepcion.h"
#include "bench/soporte/Pulso.h"
#include "core/reportes/CargaReporte.h"
#include "core/reportes/GeneradorReporte.h"
#include "gui/principal/CuadroReporte.h"
#include "tests/soporte/ActualizacionPrueba.h"
#include "tests/soporte/Escena.h"
#include "core/db/Diario.h"
#include "core/principal/Principal.h"
#include "gui/historial/frmHistorial.h"
#include "gui/principal/frmPreVal.h"
#include "core/historial/ModeloHistorial.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QSet>
#include <QTextStream>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <functional>

namespace {

const QString AG = QStringLiteral("/ag0123");

struct Medida {
    qint64 huecoMs = 0;
    qint64 totalMs = 0;
};

// Runs the operation from the window's event loop, with the 10 ms timer
// going, and returns the largest gap between ticks and the total time. The
// operation calls `listo` when it is over (at once, or later from the loop).
Medida mide(const std::function<void(const std::function<void()> &listo)> &operacion)
{
    QEventLoop bucle;
    Pulso pulso;
    qint64 fin = 0;
    const auto listo = [&] {
        fin = pulso.transcurrido();
        // A few more ticks, so that a stall at the very end is seen.
        QTimer::singleShot(30, &bucle, &QEventLoop::quit);
    };
    pulso.arranca();
    QTimer::singleShot(20, [&] { operacion(listo); });
    bucle.exec();
    return {pulso.mayorHueco(), fin};
}

QString fila(const QString &operacion, int ancho, const Medida &m)
{
    return QStringLiteral("| %1 | %2 | %3 | %4 |\n")
        .arg(operacion, -ancho)
        .arg(m.huecoMs, 8)
        .arg(m.totalMs, 9)
        .arg(m.huecoMs < 50 ? QStringLiteral("sí") : QStringLiteral("no"), 5);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const int megas = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 100;

    Escena e;
    const QString m = QStringLiteral("M0123001.045");
    {
        QByteArray linea(126, 'X');
        linea += "\r\n";
        QByteArray contenido;
        contenido.reserve(qsizetype(megas) * 1024 * 1024);
        while (contenido.size() < qsizetype(megas) * 1024 * 1024)
            contenido += linea;
        e.archivo(QStringLiteral("val_env"), m, contenido);
    }
    Programa &p = e.carga();
    QList<std::pair<QString, Medida>> tabla;

    // Sending.
    e.enLista(m, QStringLiteral("2"), AG, AG);
    tabla.append({QStringLiteral("Envío de un archivo de %1 MB").arg(megas), mide([&](const auto &listo) {
                      e.ejecuta(QStringLiteral("enviar"));
                      listo();
                  })});
    if (!e.servidor.existe(AG + u'/' + m))
        qFatal("el envío no llegó al servidor");

    // A receive tick with many responses.
    constexpr int kEspera = 300;
    constexpr int kListas = 100;
    const QString recepcion = e.oficina.carpeta(QStringLiteral("val_rec"));
    const QByteArray respuesta = RecepcionBanco::respuesta();
    p.listaRecepcion().limpia();
    p.listaEnvio().limpia();
    for (int i = 1; i <= kEspera; ++i) {
        const ListaRecepcion::Entrada r = RecepcionBanco::entrada(RecepcionBanco::nombre(i), recepcion, false);
        p.listaRecepcion().agrega(r);
        if (i % (kEspera / kListas) == 0)
            e.servidor.escribe(AG + u'/' + r.archivoVal, respuesta);
    }
    tabla.append({QStringLiteral("Tick de recepción: %1 en espera, %2 respuestas").arg(kEspera).arg(kListas),
                  mide([&](const auto &listo) {
                      QCoro::waitFor(e.ciclo->tick());
                      listo();
                  })});
    const int recibidas = p.listaEnvio().cuenta();
    tabla.last().first += QStringLiteral(" (%1 recibidas)").arg(recibidas);

    // The same with the windows open and a backlog: 5,000 files sent and
    // awaited, responses ready for 250 of them (prevalidation and
    // validation: 500 responses, and 250 entries leave the reception list).
    {
        constexpr int kEnviados = 5000;
        constexpr int kCompletos = 250;
        // Only the tick measured runs: the cycle's own timer is stopped,
        // and a tick it started is over.
        e.ciclo->deshabilita();
        QCoro::waitFor(e.ciclo->detiene());
        // The responses of the tick before leave the server: a response
        // identical to one already taken by another file of its name is
        // not taken again.
        QDir(e.servidor.ruta(AG)).removeRecursively();
        QDir().mkpath(e.servidor.ruta(AG));
        p.listaRecepcion().limpia();
        p.listaEnvio().limpia();
        const QDateTime aceptado = e.oficina.reloj.ahora().addSecs(-600);
        const QByteArray prevalidacion = "PREVALIDACION CORRECTA\r\n";
        // M0123000.040 to M0123999.044: five days of a thousand files,
        // recorded as a send records them (queued, claimed, accepted).
        Diario &diario = p.diario();
        for (int i = 0; i < kEnviados; ++i) {
            const QString nombre = QStringLiteral("M0123%1.%2")
                                       .arg(i % 1000, 3, 10, QLatin1Char('0'))
                                       .arg(40 + i / 1000, 3, 10, QLatin1Char('0'));
            qint64 cola = 0;
            diario.encola(
                {Diario::Origen::Cola, 0, nombre, QStringLiteral("E"), QStringLiteral("2"), AG, AG, QString()}, &cola);
            const auto reclamo = diario.reclama(cola, nombre, QStringLiteral("M"));
            Diario::Aceptacion a;
            a.carpetaServidor = AG;
            a.tamano = 5;
            a.sha256 = QString(64, u'0');
            a.recepcion = ListaRecepcion::filaDiario(0, RecepcionBanco::entrada(nombre, recepcion, false));
            diario.acepta(reclamo->transmision, a, aceptado);
        }
        p.refrescaListas();
        // One file per validation name (the five days share them), each
        // response with bytes of its own: a response identical to one an
        // earlier file of its name received is not taken.
        int escritas = 0;
        QSet<QString> nombresVal;
        for (int i = 0; i < p.listaRecepcion().cuenta() && escritas < 2 * kCompletos; i += 7) {
            const ListaRecepcion::Entrada r = p.listaRecepcion().entrada(i);
            if (nombresVal.contains(r.archivoVal))
                continue;
            nombresVal.insert(r.archivoVal);
            e.servidor.escribe(AG + u'/' + r.archivoPrev, prevalidacion);
            e.servidor.escribe(AG + u'/' + r.archivoVal,
                               respuesta + "E" + QByteArray::number(4000000 + escritas) + "501001230501\r\n");
            escritas += 2;
        }
        Principal principal(p, *e.ciclo);
        frmPreVal ventana(p, principal, *e.comandos);
        ventana.sigueCiclo(*e.ciclo);
        frmHistorial historial(p, &ventana);
        ventana.show();
        historial.muestra();
        const int antes = p.listaRecepcion().cuenta();
        // The history's first rows are in before the measure starts.
        while (historial.modelo().consultando())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        QTimer sigue;
        sigue.setInterval(10);
        tabla.append(
            {QStringLiteral("Tick con las ventanas abiertas: %1 en espera, %2 respuestas").arg(antes).arg(escritas),
             mide([&](const auto &listo) {
                 QCoro::waitFor(e.ciclo->tick());
                 // Until the history shows what the tick recorded (it
                 // follows the journal every 2 seconds).
                 const qint64 version = diario.version();
                 QObject::connect(&sigue, &QTimer::timeout, [&, version, listo] {
                     if (historial.versionConsultada() == version && !historial.modelo().consultando()) {
                         sigue.stop();
                         listo();
                     }
                 });
                 sigue.start();
             })});
        if (p.listaRecepcion().cuenta() != antes - escritas / 2)
            qFatal("el tick no recibió las respuestas: %s", qPrintable(e.oficina.dialogos.textos().join(u" | ")));
        e.ciclo->deshabilita();
    }

    // Installing a catalogue.
    QTemporaryDir dir;
    const QString actualizacion = dir.filePath(QStringLiteral("ACTE2.mdb"));
    CatalogoPrueba::creaSqlite(actualizacion, 2, 200000 / 7);
    const QString base = p.conexion().ruta();
    QObject contexto;
    int avisos = 0;
    QFutureWatcher<void> vigia;
    tabla.append({QStringLiteral("Instalación de un catálogo de 200,000 filas"), mide([&](const auto &listo) {
                      QObject::connect(&vigia, &QFutureWatcher<void>::finished, listo);
                      vigia.setFuture(QtConcurrent::run([&] {
                          InstalacionCatalogo instalacion(base);
                          instalacion.avance = [&](const InstalacionCatalogo::Avance &) {
                              QMetaObject::invokeMethod(
                                  &contexto, [&] { ++avisos; }, Qt::QueuedConnection);
                          };
                          instalacion.instala(actualizacion, 2);
                      }));
                  })});
    vigia.waitForFinished();
    p.parametros().relee(QStringLiteral("vererr"));

    // Opening a large report.
    constexpr int kLineas = 100000;
    {
        QByteArray grande;
        for (int i = 0; i < kLineas; ++i)
            grande += "E" + QByteArray::number(3000000 + i) + "501"
                      + QByteArray::number(1 + i % 9999).rightJustified(4, '0') + "305"
                      + QByteArray::number(1 + i % 4).rightJustified(2, '0') + "\r\n";
        QFile f(QDir(recepcion).filePath(QStringLiteral("M0123999.err")));
        f.open(QIODevice::WriteOnly);
        f.write(grande);
    }
    // As the main window opens it: built on a worker, then loaded into the box.
    CuadroReporte cuadro;
    cuadro.resize(800, 600);
    cuadro.show();
    CargaReporte carga(p);
    tabla.append({QStringLiteral("Reporte de una respuesta de %1 líneas en el cuadro").arg(kLineas),
                  mide([&](const auto &listo) {
                      QObject::connect(&cuadro, &CuadroReporte::cargado, &cuadro, listo, Qt::SingleShotConnection);
                      QObject::connect(
                          &carga, &CargaReporte::terminada, &carga,
                          [&](bool completo) {
                              if (!completo)
                                  qFatal("el reporte no se completó: %s", qPrintable(cuadro.texto().left(400)));
                          },
                          Qt::SingleShotConnection);
                      carga.carga(GeneradorReporte::tituloRevision(), QStringLiteral("M0123999.err"), {}, cuadro);
                  })});
    if (cuadro.document()->blockCount() < kLineas)
        qFatal("el cuadro muestra %d líneas", cuadro.document()->blockCount());

    out << QStringLiteral("Mayor detención del hilo de la ventana (pulso de 10 ms), meta: menos de 50 ms\n\n");
    // The first column as wide as its longest operation.
    qsizetype ancho = QStringLiteral("Operación").size();
    for (const auto &par : std::as_const(tabla))
        ancho = std::max(ancho, par.first.size());
    out << QStringLiteral("| %1 | %2 | %3 | %4 |\n")
               .arg(QStringLiteral("Operación"), -int(ancho))
               .arg(QStringLiteral("hueco ms"), 8)
               .arg(QStringLiteral("total ms"), 9)
               .arg(QStringLiteral("meta"), 5);
    out << QStringLiteral("|%1|%2|%3|%4|\n")
               .arg(QString(ancho + 2, u'-'), QString(10, u'-'), QString(11, u'-'), QString(7, u'-'));
    for (const auto &[operacion, medida] : std::as_const(tabla))
        out << fila(operacion, int(ancho), medida);
    out.flush();
    return 0;
}
