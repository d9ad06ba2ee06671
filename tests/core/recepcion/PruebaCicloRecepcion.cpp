// The receive cycle end to end: a real office (SQLite file, folders) and a
// real FTP server (pyftpdlib) whose folders the tests fill with responses.

#include "core/db/HistorialDiario.h"
#include "core/base/Dialogos.h"
#include "core/oficina/Programa.h"
#include "core/recepcion/CicloRecepcion.h"
#include "core/reportes/RespuestaGuardada.h"
#include "core/db/Conexion.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/ServidorFtp.h"

#include <QCoro/QCoroTask>
#include <QCryptographicHash>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QProcess>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

using Entrada = ListaRecepcion::Entrada;

// The reception entry that the send procedure adds for a file of day 45.
Entrada enviado(Oficina &oficina, const QString &nombre)
{
    const QString base = nombre.left(nombre.size() - 3);
    Entrada e;
    e.nombre = nombre;
    e.hora = u"10:30 a. m."_s;
    switch (nombre.at(0).toUpper().unicode()) {
    case u'M':
        e.rutaPrev = e.rutaVal = u"/ag0123"_s;
        e.archivoPrev = u"k"_s + nombre.mid(1);
        e.archivoVal = base + u"err"_s;
        e.rutaDest = oficina.carpeta(u"val_rec"_s);
        e.icono = u"2"_s;
        break;
    case u'E':
        e.rutaPrev = e.rutaVal = u"/yexout"_s;
        e.archivoPrev = u"ke"_s + nombre.mid(1, 4) + nombre.mid(6);
        e.archivoVal = u"a"_s + nombre.mid(1);
        e.rutaDest = oficina.carpeta(u"pag_rec"_s);
        e.icono = u"5"_s;
        break;
    case u'S':
        e.prev = u"X"_s; // no prevalidation response
        e.rutaVal = u"/sagarpaout"_s;
        e.archivoVal = u"x"_s + nombre.mid(1);
        e.rutaDest = oficina.carpeta(u"sag_rec"_s);
        e.icono = u"8"_s;
        break;
    default:
        qFatal("sin regla para %s", qPrintable(nombre));
    }
    return e;
}

// Name, state and icon of every send-list entry.
QStringList envio(Programa &p)
{
    QStringList l;
    for (int i = 0; i < p.listaEnvio().cuenta(); ++i) {
        const auto e = p.listaEnvio().entrada(i);
        l << e.nombre + u' ' + e.estado + u' ' + e.icono;
    }
    return l;
}

// Name and the two marks of every reception entry.
QStringList recepcion(Programa &p)
{
    QStringList l;
    for (int i = 0; i < p.listaRecepcion().cuenta(); ++i) {
        const auto e = p.listaRecepcion().entrada(i);
        l << e.nombre + u'|' + e.prev + u'|' + e.val;
    }
    return l;
}

QByteArray lee(const QString &ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no existe)");
}

QStringList archivos(const QString &carpeta)
{
    return QDir(carpeta).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

const QByteArray kM = "E300123450100120305\r\nF3001235ABCD1234\r\n";
const QByteArray kK = "PREVALIDACION DEL ARCHIVO M0123001.045\r\n";

} // namespace

class PruebaCicloRecepcion : public QObject
{
    Q_OBJECT

private:
    struct Banco {
        Oficina oficina;
        ServidorFtp servidor;
        std::unique_ptr<CicloRecepcion> ciclo;

        Banco()
        {
            servidor.apunta(oficina);
            oficina.carga();
            ciclo = std::make_unique<CicloRecepcion>(oficina.programa());
        }
        Programa &p() { return oficina.programa(); }
        void tick() { QCoro::waitFor(ciclo->tick()); }
        void envia(const QStringList &nombres)
        {
            for (const QString &n : nombres)
                p().listaRecepcion().agrega(enviado(oficina, n));
        }
        // Starts the program again on the same office, as after a restart.
        void reinicia()
        {
            ciclo.reset();
            oficina.carga();
            ciclo = std::make_unique<CicloRecepcion>(oficina.programa());
        }
    };

private slots:
    // The responses of three kinds of file arrive in any order over several
    // ticks; listing the folders and (when the server refuses the listing)
    // asking for every expected name give the same lists and files.
    void respuestasEnCualquierOrden_data()
    {
        QTest::addColumn<bool>("listadoRechazado");
        QTest::newRow("listado de carpetas") << false;
        QTest::newRow("listado rechazado: nombre por nombre") << true;
    }
    void respuestasEnCualquierOrden()
    {
        QFETCH(bool, listadoRechazado);
        Banco b;
        if (listadoRechazado)
            b.servidor.rechazaListados(550);
        b.envia({u"M0123001.045"_s, u"E0123004.045"_s, u"S0123005.045"_s});
        QSignalSpy recibidas(b.ciclo.get(), &CicloRecepcion::respuestaRecibida);
        b.ciclo->habilita();

        b.tick(); // nothing there yet
        QCOMPARE(b.p().listaRecepcion().cuenta(), 3);
        QVERIFY(b.p().listaEnvio().cuenta() == 0);
        QVERIFY(b.ciclo->habilitado());

        // The validation responses first; the SAGARPA file expects nothing else.
        b.servidor.escribe(u"/ag0123/M0123001.err"_s, kM);
        b.servidor.escribe(u"/sagarpaout/x0123005.045"_s, "R|0123|77|S0123005.045|ACEPTADO\r\n");
        b.tick();
        QCOMPARE(envio(b.p()), (QStringList {u"M0123001.err R 2"_s, u"x0123005.045 R 8"_s}));
        QCOMPARE(recepcion(b.p()), (QStringList {u"M0123001.045||X"_s, u"E0123004.045||"_s}));

        b.servidor.escribe(u"/ag0123/k0123001.045"_s, kK);
        b.servidor.escribe(u"/yexout/ke012304.045"_s, "ACUSE\r\n");
        b.servidor.escribe(u"/yexout/a0123004.045"_s, "40012 RECHAZO\r\n");
        b.tick();
        QCOMPARE(envio(b.p()), (QStringList {u"M0123001.err R 2"_s, u"x0123005.045 R 8"_s, u"k0123001.045 K 1"_s,
                                             u"ke012304.045 K 1"_s, u"a0123004.045 R 5"_s}));
        QCOMPARE(b.p().listaRecepcion().cuenta(), 0);
        QVERIFY(!b.ciclo->habilitado()); // the list is empty: the cycle stops itself
        QCOMPARE(recibidas.size(), 5);

        // Every prevalidation response in the SAAI M3 folder, the payment one too.
        const QString saai = b.oficina.carpeta(u"val_rec"_s);
        QCOMPARE(archivos(saai), (QStringList {u"M0123001.err"_s, u"k0123001.045"_s, u"ke012304.045"_s}));
        QCOMPARE(lee(saai + u"/M0123001.err"_s), kM);
        QCOMPARE(lee(saai + u"/k0123001.045"_s), kK);
        QCOMPARE(archivos(b.oficina.carpeta(u"pag_rec"_s)), QStringList {u"a0123004.045"_s});
        QCOMPARE(archivos(b.oficina.carpeta(u"sag_rec"_s)), QStringList {u"x0123005.045"_s});
        QCOMPARE(archivos(b.p().carpetas().temporal()), QStringList());
        QCOMPARE(b.oficina.dialogos.mensajes.size(), 0);
    }

    // The listing is matched without regard to case; the response is stored
    // under the name the client expects.
    void nombresSinDistinguirMayusculas()
    {
        Banco b;
        b.envia({u"M0123001.045"_s});
        b.servidor.escribe(u"/ag0123/K0123001.045"_s, kK);
        b.servidor.escribe(u"/ag0123/M0123001.ERR"_s, kM);
        b.tick();
        QCOMPARE(envio(b.p()), (QStringList {u"k0123001.045 K 1"_s, u"M0123001.err R 2"_s}));
        QCOMPARE(lee(b.oficina.carpeta(u"val_rec"_s) + u"/M0123001.err"_s), kM);
    }

    // A response still empty on the server is dropped and fetched again on a
    // later tick, without an entry in the send list meanwhile.
    void respuestaVaciaSeRecogeDespues()
    {
        Banco b;
        b.envia({u"M0123001.045"_s});
        b.servidor.escribe(u"/ag0123/M0123001.err"_s, QByteArray());
        b.tick();
        QCOMPARE(b.p().listaEnvio().cuenta(), 0);
        QCOMPARE(recepcion(b.p()), QStringList {u"M0123001.045||"_s});
        QCOMPARE(archivos(b.p().carpetas().temporal()), QStringList());
        QCOMPARE(archivos(b.oficina.carpeta(u"val_rec"_s)), QStringList());

        b.servidor.escribe(u"/ag0123/M0123001.err"_s, kM);
        b.tick();
        QCOMPARE(envio(b.p()), QStringList {u"M0123001.err R 2"_s});
        QCOMPARE(lee(b.oficina.carpeta(u"val_rec"_s) + u"/M0123001.err"_s), kM);
    }

    // The journal's transaction that records a tick's responses runs on the
    // store's worker: while another program holds the journal for writing,
    // the owner's thread (the window's) goes on with its events, and the
    // responses are recorded once the journal is free.
    void diarioOcupadoNoDetieneElHilo()
    {
        Banco b;
        b.envia({u"M0123001.045"_s});
        b.servidor.escribe(u"/ag0123/k0123001.045"_s, kK);
        b.servidor.escribe(u"/ag0123/M0123001.err"_s, kM);
        const auto otra = Conexion::abreArchivo(b.p().conexion().ruta());
        otra->comienza();
        otra->ejecuta(otra->enServidor() ? u"LOCK TABLE TRANSMISION IN EXCLUSIVE MODE"_s
                                         : u"UPDATE TRANSMISION SET PREV = PREV"_s);
        bool copiadas = false;
        bool eventoDuranteElGuardado = false;
        b.ciclo->almacen().trasPaso = [&](AlmacenRespuesta::Paso paso) {
            if (paso != AlmacenRespuesta::Paso::Copiadas)
                return;
            copiadas = true;
            // Runs only if the owner's thread turns its event loop while
            // the journal is held.
            QTimer::singleShot(0, [&] { eventoDuranteElGuardado = b.ciclo->enCurso(); });
        };
        auto tarea = b.ciclo->tick();
        QTRY_VERIFY(copiadas);
        QTRY_VERIFY(eventoDuranteElGuardado);
        QCOMPARE(b.p().listaEnvio().cuenta(), 0);
        otra->deshace();
        QCoro::waitFor(tarea);
        QCOMPARE(envio(b.p()), (QStringList {u"k0123001.045 K 1"_s, u"M0123001.err R 2"_s}));
        QCOMPARE(b.p().listaRecepcion().cuenta(), 0);
        QCOMPARE(archivos(b.p().carpetas().temporal()), QStringList());
    }

    // Neighbours whose both responses arrive in one tick all leave the list
    // in that tick; the entry between them that waits stays.
    void vecinasEnElMismoTick()
    {
        Banco b;
        b.envia({u"M0123001.045"_s, u"M0123002.045"_s, u"M0123003.045"_s, u"M0123004.045"_s});
        for (const char *n : {"001", "002", "004"}) {
            b.servidor.escribe(u"/ag0123/k0123"_s + QLatin1StringView(n) + u".045"_s, kK);
            b.servidor.escribe(u"/ag0123/M0123"_s + QLatin1StringView(n) + u".err"_s, kM);
        }
        b.ciclo->habilita();
        b.tick();
        QCOMPARE(recepcion(b.p()), QStringList {u"M0123003.045||"_s});
        QCOMPARE(envio(b.p()), (QStringList {u"k0123001.045 K 1"_s, u"M0123001.err R 2"_s, u"k0123002.045 K 1"_s,
                                             u"M0123002.err R 2"_s, u"k0123004.045 K 1"_s, u"M0123004.err R 2"_s}));
        QVERIFY(b.ciclo->habilitado());
    }

    // A response larger than the journal keeps is stored like any other and
    // recorded by its size, print and path, and the others of its tick keep
    // their bytes. Its report reads the file; on a workstation without the
    // file the reason says why the journal does not have it.
    void respuestaGrandeSinContenido()
    {
        const qint64 antes = Diario::contenidoMaximo();
        Diario::fijaContenidoMaximo(1 << 20);
        const auto restablece = qScopeGuard([antes] { Diario::fijaContenidoMaximo(antes); });
        Banco b;
        b.envia({u"M0123001.045"_s, u"S0123005.045"_s});
        QByteArray grande;
        for (int i = 0; grande.size() < (3 << 19); ++i)
            grande += "E|1|10|" + QByteArray::number(i) + "|501|\r\n";
        const QByteArray kX = "R|0123|77|S0123005.045|ACEPTADO\r\n";
        b.servidor.escribe(u"/ag0123/k0123001.045"_s, kK);
        b.servidor.escribe(u"/ag0123/M0123001.err"_s, grande);
        b.servidor.escribe(u"/sagarpaout/x0123005.045"_s, kX);
        b.tick();
        QCOMPARE(envio(b.p()), (QStringList {u"k0123001.045 K 1"_s, u"M0123001.err R 2"_s, u"x0123005.045 R 8"_s}));
        QCOMPARE(recepcion(b.p()), QStringList());

        const Conexion &conexion = b.p().conexion();
        const HistorialDiario historial(conexion);
        const qint64 id = b.p().listaEnvio().respuesta(1);
        const QString ruta = b.p().listaEnvio().entrada(1).ruta;
        QCOMPARE(lee(ruta), grande);
        QCOMPARE(historial.contenido(id), std::nullopt);
        QCOMPARE(historial.tamanoRespuesta(id), std::optional<qint64>(grande.size()));
        QSqlQuery q = conexion.ejecuta(u"SELECT SHA256 FROM RESPUESTA WHERE ID = ?"_s, {id});
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(),
                 QString::fromLatin1(QCryptographicHash::hash(grande, QCryptographicHash::Sha256).toHex()));
        q.finish();
        for (const int i : {0, 2})
            QCOMPARE(historial.contenido(b.p().listaEnvio().respuesta(i)), lee(b.p().listaEnvio().entrada(i).ruta));

        QString motivo;
        {
            RespuestaGuardada aqui(conexion, ruta, id);
            QVERIFY2(aqui.abre(&motivo), qPrintable(motivo));
            QVERIFY(!aqui.delDiario());
            QCOMPARE(aqui.dispositivo().readAll(), grande);
        }
        QVERIFY(QFile::remove(ruta));
        RespuestaGuardada otroEquipo(conexion, ruta, id);
        QVERIFY(!otroEquipo.abre(&motivo));
        QCOMPARE(motivo, u"no está en este equipo, y la base de datos de la oficina no guarda el contenido de una "
                         "respuesta de más de 1 MB (esta tiene 1.5 MB): se lee en el equipo que la recibió"_s);
    }

    // A refused login and a server that is down: the message once, not at
    // every tick while the failure repeats (the status says since when),
    // nothing lost, the timer left running for the next try.
    void fallosDeConexion_data()
    {
        QTest::addColumn<bool>("servidorCaido");
        QTest::addColumn<QString>("texto");
        QTest::newRow("usuario rechazado") << false << u"Usuario o Contraseña no válido"_s;
        QTest::newRow("servidor caído")
            << true
            << u"No hay conexión al servidor de VORDELAN\r\n\r\nRevisa tu Conexión de Red o "
               u"tu Contraseña de Acceso"_s;
    }
    void fallosDeConexion()
    {
        QFETCH(bool, servidorCaido);
        QFETCH(QString, texto);
        Oficina oficina;
        auto servidor = std::make_unique<ServidorFtp>();
        servidor->apunta(oficina);
        servidor->escribe(u"/ag0123/M0123001.err"_s, kM);
        Programa &p = oficina.carga();
        p.listaRecepcion().agrega(enviado(oficina, u"M0123001.045"_s));
        if (servidorCaido)
            servidor.reset();
        else
            servidor->rechazaLogin();
        CicloRecepcion ciclo(p);
        ciclo.habilita();
        // While the message is open the tick still runs: a tick asked for
        // then (the timer's next shot) does nothing, so messages never pile up.
        int abiertos = 0;
        oficina.dialogos.alMostrar = [&](const DialogosGuion::Mensaje &) {
            ++abiertos;
            QVERIFY(ciclo.enCurso());
            QCoro::waitFor(ciclo.tick());
        };
        QSignalSpy sinConexion(&ciclo, &CicloRecepcion::sinConexion);
        const QDateTime primera = oficina.reloj.ahora();
        for (int tick = 1; tick <= 3; ++tick) {
            QCoro::waitFor(ciclo.tick());
            oficina.reloj.fija(oficina.reloj.ahora().addSecs(5));
            QCOMPARE(oficina.dialogos.mensajes.size(), 1);
            const auto &m = oficina.dialogos.mensajes.last();
            QCOMPARE(m.texto, texto);
            QCOMPARE(m.titulo, Dialogos::nombreProducto());
            QCOMPARE(m.icono, Dialogos::Icono::Critico);
            QCOMPARE(sinConexion.size(), tick);
            QCOMPARE(sinConexion.last().at(0).toDateTime(), primera);
        }
        QCOMPARE(abiertos, 1);
        QCOMPARE(recepcion(p), QStringList {u"M0123001.045||"_s});
        QCOMPARE(p.listaEnvio().cuenta(), 0);
        QVERIFY(ciclo.habilitado());
        QVERIFY(!ciclo.enCurso());
    }

    // Failures in a row: a different one is shown once; a tick that works
    // ends the row, and the next failure is shown again.
    void fallosSeguidos()
    {
        Banco b;
        b.envia({u"M0123001.045"_s});
        QSignalSpy recuperada(b.ciclo.get(), &CicloRecepcion::conexionRecuperada);
        const auto textos = [&] {
            return b.oficina.dialogos.textos();
        };
        const QString login = u"Usuario o Contraseña no válido"_s;
        b.servidor.rechazaLogin();
        b.tick();
        b.tick();
        QCOMPARE(textos(), QStringList {login});
        // Another failure: the response is there, its reception folder is gone.
        b.servidor.rechazaLogin(false);
        b.servidor.escribe(u"/ag0123/M0123001.err"_s, kM);
        const QString carpeta = b.oficina.carpeta(u"val_rec"_s);
        QVERIFY(QDir(carpeta).removeRecursively());
        b.tick();
        b.tick();
        QCOMPARE(textos().size(), 2);
        QVERIFY(textos().last().startsWith(u"Error No. 76"_s));
        QCOMPARE(recuperada.size(), 0);
        QVERIFY(QDir().mkpath(carpeta));
        b.tick();
        QCOMPARE(recuperada.size(), 1);
        QCOMPARE(textos().size(), 2);
        b.servidor.rechazaLogin();
        b.tick();
        QCOMPARE(textos().size(), 3);
        QCOMPARE(textos().last(), login);
        QCOMPARE(recepcion(b.p()), QStringList {u"M0123001.045||X"_s});
    }

    // A restart between two responses: what was received stays received and
    // listed, and is not fetched a second time.
    void reinicioEnMedioDeLaEspera()
    {
        Banco b;
        b.envia({u"M0123001.045"_s, u"S0123005.045"_s});
        b.servidor.escribe(u"/ag0123/k0123001.045"_s, kK);
        b.tick();
        QCOMPARE(envio(b.p()), QStringList {u"k0123001.045 K 1"_s});

        b.reinicia();
        QCOMPARE(envio(b.p()), QStringList {u"k0123001.045 K 1"_s});
        QCOMPARE(recepcion(b.p()), (QStringList {u"M0123001.045|X|"_s, u"S0123005.045|X|"_s}));
        b.tick();
        QCOMPARE(envio(b.p()), QStringList {u"k0123001.045 K 1"_s});

        b.servidor.escribe(u"/ag0123/M0123001.err"_s, kM);
        b.servidor.escribe(u"/sagarpaout/x0123005.045"_s, "R|0123|77|S0123005.045|ACEPTADO\r\n");
        b.tick();
        QCOMPARE(envio(b.p()), (QStringList {u"k0123001.045 K 1"_s, u"M0123001.err R 2"_s, u"x0123005.045 R 8"_s}));
        QCOMPARE(b.p().listaRecepcion().cuenta(), 0);
    }

    // A download that breaks leaves no partial file anywhere, and the
    // response is fetched whole on a later tick.
    void descargaCortadaNoDejaParcial()
    {
        Banco b;
        b.envia({u"S0123005.045"_s});
        QByteArray grande;
        for (int i = 0; i < 20000; ++i)
            grande += "E|1|10|" + QByteArray::number(i) + "|501|\r\n";
        b.servidor.escribe(u"/sagarpaout/x0123005.045"_s, grande);
        b.servidor.cortaTras(4096);
        b.tick();
        QCOMPARE(b.p().listaEnvio().cuenta(), 0);
        QCOMPARE(recepcion(b.p()), QStringList {u"S0123005.045|X|"_s});
        QCOMPARE(archivos(b.p().carpetas().temporal()), QStringList());
        QCOMPARE(archivos(b.oficina.carpeta(u"sag_rec"_s)), QStringList());
        QVERIFY(!b.ciclo->enCurso());

        b.servidor.cortaTras(0);
        b.oficina.dialogos.mensajes.clear();
        b.tick();
        QCOMPARE(envio(b.p()), QStringList {u"x0123005.045 R 8"_s});
        QCOMPARE(lee(b.oficina.carpeta(u"sag_rec"_s) + u"/x0123005.045"_s), grande);
        QCOMPARE(archivos(b.p().carpetas().temporal()), QStringList());
    }

    // A program killed at any step of storing its responses leaves each
    // one either unrecorded, and the next tick (after a restart) fetches it
    // again, or recorded and whole in its reception folder.
    void muerteAlGuardar_data()
    {
        QTest::addColumn<int>("paso");
        QTest::newRow("copiadas y sincronizadas") << int(AlmacenRespuesta::Paso::Copiadas);
        QTest::newRow("renombradas, sin confirmar") << int(AlmacenRespuesta::Paso::Renombradas);
        QTest::newRow("confirmadas") << int(AlmacenRespuesta::Paso::Confirmadas);
    }
    void muerteAlGuardar()
    {
        QFETCH(int, paso);
        Banco b;
        b.envia({u"M0123001.045"_s, u"S0123005.045"_s});
        const QByteArray kX = "R|0123|77|S0123005.045|ACEPTADO\r\n";
        b.servidor.escribe(u"/ag0123/k0123001.045"_s, kK);
        b.servidor.escribe(u"/sagarpaout/x0123005.045"_s, kX);
        const QString val = b.oficina.carpeta(u"val_rec"_s);
        const QString sag = b.oficina.carpeta(u"sag_rec"_s);

        QProcess hijo;
        hijo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        hijo.start(QStringLiteral(HIJO_RECEPCION), {b.oficina.trabajo(), b.oficina.ini(), QString::number(paso)});
        QVERIFY(hijo.waitForReadyRead(30000));
        QCOMPARE(hijo.readLine().trimmed(), "pausa " + QByteArray::number(paso));
        ::kill(pid_t(hijo.processId()), SIGKILL);
        QVERIFY(hijo.waitForFinished(10000));

        b.reinicia();
        // Recorded means whole on the disk, and its bytes in the journal.
        for (int i = 0; i < b.p().listaEnvio().cuenta(); ++i) {
            const auto e = b.p().listaEnvio().entrada(i);
            QCOMPARE(lee(e.ruta), e.nombre.startsWith(u'k') ? kK : kX);
            QCOMPARE(HistorialDiario(b.p().conexion()).contenido(b.p().listaEnvio().respuesta(i)), lee(e.ruta));
        }
        const bool confirmadas = paso == int(AlmacenRespuesta::Paso::Confirmadas);
        QCOMPARE(b.p().listaEnvio().cuenta(), confirmadas ? 2 : 0);
        // What the killed program left goes once it is an hour old; a copy
        // another program may still be storing stays.
        const QString temporal = b.p().carpetas().temporal();
        QStringList restos;
        for (const QString &carpeta : {temporal, val, sag})
            for (const QString &n : archivos(carpeta))
                if (n.contains(u'-'))
                    restos << QDir(carpeta).filePath(n);
        // Its downloads at least, until the store that recorded them
        // deleted them.
        QVERIFY(confirmadas || !restos.isEmpty());
        for (const QString &r : std::as_const(restos)) {
            QFile f(r);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-3700), QFileDevice::FileModificationTime));
        }
        const QString reciente = QDir(val).filePath(u"k0123009.045.4242-1.parte"_s);
        {
            QFile f(reciente);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(kK);
        }
        // What was not recorded is fetched again, and nothing is lost.
        b.tick();
        for (const QString &r : std::as_const(restos))
            QVERIFY2(!QFileInfo::exists(r), qPrintable(r));
        QVERIFY(QFileInfo::exists(reciente));
        QCOMPARE(envio(b.p()), (QStringList {u"k0123001.045 K 1"_s, u"x0123005.045 R 8"_s}));
        QCOMPARE(recepcion(b.p()), QStringList {u"M0123001.045|X|"_s});
        QCOMPARE(lee(QDir(val).filePath(u"k0123001.045"_s)), kK);
        QCOMPARE(lee(QDir(sag).filePath(u"x0123005.045"_s)), kX);
        QCOMPARE(HistorialDiario(b.p().conexion()).contenido(b.p().listaEnvio().respuesta(1)), kX);
        QCOMPARE(b.oficina.dialogos.textos(), QStringList());
    }

    // The lists change while a tick waits on the server (a send adds an
    // entry, the person removes one): the tick follows each entry by what it
    // is, and leaves alone the entries it did not see when it began.
    void listasCambianDuranteElTick()
    {
        Banco b;
        b.envia({u"M0123001.045"_s, u"M0123002.045"_s});
        for (const char *n : {"001", "002", "003"})
            b.servidor.escribe(u"/ag0123/M0123"_s + QLatin1StringView(n) + u".err"_s, kM);
        bool primera = true;
        connect(b.ciclo.get(), &CicloRecepcion::respuestaRecibida, this, [&] {
            if (!primera)
                return;
            primera = false;
            b.p().listaRecepcion().agrega(enviado(b.oficina, u"M0123003.045"_s));
            b.p().listaRecepcion().quita(0); // M0123002 moves up
        });
        b.tick();
        QCOMPARE(envio(b.p()), (QStringList {u"M0123001.err R 2"_s, u"M0123002.err R 2"_s}));
        QCOMPARE(recepcion(b.p()), (QStringList {u"M0123002.045||X"_s, u"M0123003.045||"_s}));
    }

    // Timer and guard: 2000 ms until the first tick, 5000 ms after it for the
    // rest of the run; a tick asked for while one runs does nothing.
    void temporizadorYGuarda()
    {
        Banco b;
        b.envia({u"M0123001.045"_s});
        QCOMPARE(b.ciclo->intervalo(), 2000);
        QSignalSpy estado(b.ciclo.get(), &CicloRecepcion::estadoCambiado);
        b.ciclo->habilita();
        QCOMPARE(estado.size(), 1);
        QSignalSpy terminados(b.ciclo.get(), &CicloRecepcion::tickTerminado);
        QVERIFY(terminados.wait(4000)); // the timer's own first tick
        QCOMPARE(b.ciclo->intervalo(), 5000);
        b.ciclo->deshabilita();
        b.ciclo->habilita();
        QCOMPARE(b.ciclo->intervalo(), 5000);
        b.ciclo->deshabilita();

        const int antes = int(b.servidor.usuarios().size());
        auto primero = b.ciclo->tick();
        QVERIFY(b.ciclo->enCurso());
        QCoro::waitFor(b.ciclo->tick()); // returns at once
        QVERIFY(b.ciclo->enCurso());
        QCoro::waitFor(std::move(primero));
        QVERIFY(!b.ciclo->enCurso());
        QCOMPARE(b.servidor.usuarios().size(), antes + 1);
    }

    // The reception ends only where something was awaited: the cycle a
    // send starts with nothing sent (its password prompt cancelled) stops at
    // its first tick without saying so; the last response in does.
    void terminaSoloSiEsperaba()
    {
        Banco b;
        QSignalSpy terminada(b.ciclo.get(), &CicloRecepcion::recepcionTerminada);
        b.ciclo->habilita();
        b.tick();
        QVERIFY(!b.ciclo->habilitado());
        QCOMPARE(terminada.size(), 0);

        b.envia({u"S0123001.045"_s});
        b.servidor.escribe(u"/sagarpaout/x0123001.045"_s, kM);
        b.ciclo->habilita();
        b.tick();
        QVERIFY(!b.ciclo->habilitado());
        QCOMPARE(terminada.size(), 1);
    }

    // "Detener" while a tick downloads: when the stop is over no tick runs,
    // the session is closed, the timer is off and no file is awaited.
    void detenerDuranteUnTick()
    {
        Banco b;
        b.envia({u"S0123005.045"_s});
        b.servidor.escribe(u"/sagarpaout/x0123005.045"_s, QByteArray(256 * 1024, 'x'));
        b.servidor.lento(256 * 1024); // about a second
        b.ciclo->habilita();
        auto tick = b.ciclo->tick();
        QVERIFY(b.ciclo->enCurso());
        QCoro::waitFor(b.ciclo->detiene());
        QVERIFY(tick.isReady());
        QVERIFY(!b.ciclo->enCurso());
        QVERIFY(!b.ciclo->habilitado());
        QVERIFY(!b.ciclo->ftp().conectado());
        QCOMPARE(b.p().listaRecepcion().cuenta(), 0);
        QCOMPARE(archivos(b.p().carpetas().temporal()), QStringList());
    }

    // "Detener" while the server accepts the connection and never answers:
    // the tick ends at once, and no failure is reported for the stop.
    void detenerConServidorMudo()
    {
        Banco b;
        b.envia({u"M0123001.045"_s});
        b.servidor.detieneSaludo();
        b.ciclo->habilita();
        auto tick = b.ciclo->tick();
        // Connected, waiting for the greeting.
        QTRY_VERIFY_WITH_TIMEOUT(b.servidor.conexionesMudas() > 0, 30000);
        QVERIFY(b.ciclo->enCurso());
        QSignalSpy detenido(b.ciclo.get(), &CicloRecepcion::detenido);
        QElapsedTimer cronometro;
        cronometro.start();
        QCoro::waitFor(b.ciclo->detiene());
        QVERIFY2(cronometro.elapsed() < 3000, "la detención esperó al servidor");
        QVERIFY(tick.isReady());
        QCOMPARE(detenido.size(), 1);
        QCOMPARE(b.oficina.dialogos.textos(), QStringList());
        QCOMPARE(b.p().listaRecepcion().cuenta(), 0);
        QVERIFY(!b.ciclo->ftp().conectado());
    }

    // The wait of the command line: it ends when the last response is in,
    // or when its time is up with the files still awaited; either way the
    // timer is off and no tick runs.
    void esperaRespuestas_data()
    {
        QTest::addColumn<bool>("respondida");
        QTest::addColumn<int>("limite");
        QTest::addColumn<QStringList>("quedan");
        QTest::newRow("respondida") << true << 20000 << QStringList();
        QTest::newRow("tiempo agotado") << false << 300 << QStringList {u"M0123001.045||"_s};
    }
    void esperaRespuestas()
    {
        QFETCH(bool, respondida);
        QFETCH(int, limite);
        QFETCH(QStringList, quedan);
        Banco b;
        b.envia({u"M0123001.045"_s});
        if (respondida) {
            b.servidor.escribe(u"/ag0123/k0123001.045"_s, kK);
            b.servidor.escribe(u"/ag0123/M0123001.err"_s, kM);
        }
        QElapsedTimer cronometro;
        cronometro.start();
        QCoro::waitFor(b.ciclo->esperaRespuestas(std::chrono::milliseconds(limite)));
        QVERIFY(cronometro.elapsed() < 15000);
        QCOMPARE(recepcion(b.p()), quedan);
        QVERIFY(!b.ciclo->habilitado());
        QVERIFY(!b.ciclo->enCurso());
    }
};

QTEST_GUILESS_MAIN(PruebaCicloRecepcion)
#include "PruebaCicloRecepcion.moc"
