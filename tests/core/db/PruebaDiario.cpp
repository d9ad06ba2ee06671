// The office's journal: the lists as its views, the migration of the lists
// kept by earlier versions, two programs on one office, responses stored
// once and never overwritten, the claim before an upload and the question
// before sending the same bytes again; each response's bytes recorded with
// it, and nothing half-recorded when a program dies while storing one. A
// real SQLite file (or a PostgreSQL cluster of the test's own), a real FTP
// server.

#include "core/base/Dialogos.h"
#include "core/db/Conexion.h"
#include "core/db/Diario.h"
#include "core/db/HistorialDiario.h"
#include "core/reportes/DestinoTexto.h"
#include "core/reportes/GeneradorReporte.h"
#include "core/oficina/Programa.h"
#include "core/recepcion/CicloRecepcion.h"
#include "tests/soporte/Escena.h"
#include "tests/soporte/HistorialPrueba.h"

#include <QCoro/QCoroTask>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QCryptographicHash>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString AG = u"/ag0123"_s;

QStringList nombres(const ListaArchivos &lista)
{
    return Escena::nombres(lista);
}

QByteArray lee(const QString &ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no existe)");
}

int cuenta(Programa &p, const QString &sql)
{
    QSqlQuery q = p.conexion().ejecuta(sql);
    return q.next() ? q.value(0).toInt() : -1;
}

// A second program on the same office (another window, or the command line).
struct Otro {
    explicit Otro(Oficina &oficina)
        : programa(Carpetas(oficina.trabajo(), oficina.ini()), oficina.reloj, dialogos, oficina.limitesFtp)
    {
        programa.carga();
        ciclo = std::make_unique<CicloRecepcion>(programa);
    }
    DialogosGuion dialogos;
    Programa programa;
    std::unique_ptr<CicloRecepcion> ciclo;
};

ListaRecepcion::Entrada saai(Oficina &oficina, const QString &nombre)
{
    ListaRecepcion::Entrada e;
    e.nombre = nombre;
    e.hora = u"10:30 a. m."_s;
    e.rutaPrev = e.rutaVal = AG;
    e.archivoPrev = u"k"_s + nombre.mid(1);
    e.archivoVal = nombre.left(nombre.size() - 3) + u"err"_s;
    e.rutaDest = oficina.carpeta(u"val_rec"_s);
    e.icono = u"2"_s;
    return e;
}

} // namespace

class PruebaDiario : public QObject
{
    Q_OBJECT

private slots:
    // A database kept by the earlier version (numbered list rows) opens with
    // every pending entry, in its order; emptied rows and files whose two
    // responses were in are not brought back.
    void migraLasListasAnteriores()
    {
        if (Oficina::pruebaEnServidor())
            QSKIP("las listas de versiones anteriores solo existieron en el archivo");
        Oficina oficina;
        oficina.carga();
        const QString val = oficina.carpeta(u"val_rec"_s);
        for (const QString &sql : {
                 u"DROP VIEW VISTA_ENVIO"_s,
                 u"DROP VIEW VISTA_RECEPCION"_s,
                 u"DROP TABLE RESPUESTA_CONTENIDO"_s,
                 u"DROP TABLE PEDIMENTO"_s,
                 u"DROP TABLE COLA_ENVIO"_s,
                 u"DROP TABLE RESPUESTA"_s,
                 u"DROP TABLE TRANSMISION"_s,
                 u"DROP TABLE DIARIO_VERSION"_s,
                 u"ALTER TABLE PARAMETROS DROP COLUMN cifrado"_s,
                 u"ALTER TABLE PARAMETROS DROP COLUMN certificado"_s,
                 u"ALTER TABLE PARAMETROS DROP COLUMN espera_respuesta"_s,
                 u"CREATE TABLE IF NOT EXISTS LISTA_ENVIO (POSICION INTEGER NOT NULL, NOMBRE TEXT NOT NULL DEFAULT '', "
                 u"ESTADO TEXT NOT NULL DEFAULT '', ICONO TEXT NOT NULL DEFAULT '', RUTA_PRE TEXT NOT NULL DEFAULT '', "
                 u"RUTA_VAL TEXT NOT NULL DEFAULT '')"_s,
                 u"CREATE TABLE IF NOT EXISTS LISTA_RECEPCION (POSICION INTEGER NOT NULL, NOMBRE TEXT NOT NULL DEFAULT "
                 u"'', PREV TEXT NOT NULL DEFAULT '', VAL TEXT NOT NULL DEFAULT '', HORA TEXT NOT NULL DEFAULT '', "
                 u"RUTA_PREV TEXT NOT NULL DEFAULT '', RUTA_VAL TEXT NOT NULL DEFAULT '', ARCHIVO_PREV TEXT NOT NULL "
                 u"DEFAULT '', ARCHIVO_VAL TEXT NOT NULL DEFAULT '', RUTA_DEST TEXT NOT NULL DEFAULT '', ICONO TEXT "
                 u"NOT "
                 u"NULL DEFAULT '')"_s,
                 u"INSERT INTO LISTA_ENVIO VALUES (0, 'M0123007.045', 'E', '2', '/ag0123', '/ag0123')"_s,
                 u"INSERT INTO LISTA_ENVIO VALUES (1, 'k0123001.045', 'K', '1', '', '')"_s,
                 u"INSERT INTO LISTA_ENVIO VALUES (2, '', 'E', '2', '', '')"_s,
                 u"INSERT INTO LISTA_ENVIO VALUES (3, 'S0123008.045', 'E', '8', '', '/sagarpaout')"_s,
                 u"PRAGMA user_version = 2"_s,
             })
            oficina.sql(sql);
        const QString fila = u"INSERT INTO LISTA_RECEPCION VALUES (?, ?, ?, ?, '10:30 a. m.', '/ag0123', '/ag0123', "
                             u"?, ?, ?, '2')"_s;
        oficina.sql(fila, {0, u"M0123001.045"_s, u"X"_s, u""_s, u"k0123001.045"_s, u"M0123001.err"_s, val});
        oficina.sql(fila, {1, u"M0123002.045"_s, u"X"_s, u"X"_s, u"k0123002.045"_s, u"M0123002.err"_s, val});
        oficina.sql(fila, {2, u"M0123003.045"_s, u""_s, u""_s, u"k0123003.045"_s, u"M0123003.err"_s, val});

        Programa &p = oficina.carga();
        QCOMPARE(nombres(p.listaEnvio()), (QStringList {u"M0123007.045"_s, u"k0123001.045"_s, u"S0123008.045"_s}));
        QCOMPARE(p.listaEnvio().entrada(0).rutaVal, AG);
        QCOMPARE(p.listaEnvio().entrada(1).estado, u"K"_s);
        QCOMPARE(p.listaEnvio().entrada(2).icono, u"8"_s);
        QCOMPARE(nombres(p.listaRecepcion()), (QStringList {u"M0123001.045"_s, u"M0123003.045"_s}));
        const auto e = p.listaRecepcion().entrada(0);
        QCOMPARE(e.prev + e.val + e.archivoVal + e.rutaDest, u"XM0123001.err"_s + val);
        QVERIFY(!p.conexion().db().tables().contains(u"LISTA_ENVIO"_s));
        QCOMPARE(cuenta(p, u"PRAGMA user_version"_s), 6);
        QSqlQuery modo = p.conexion().ejecuta(u"PRAGMA journal_mode"_s);
        QVERIFY(modo.next());
        QCOMPARE(modo.value(0).toString().toLower(), u"wal"_s);
    }

    // The lost entry: one program lists files, the other lists its own and
    // removes it when its responses are in. Entries are rows with ids: the
    // first program's files stay, and each program sees the other's changes.
    void dosProgramasNoSePierdenEntradas()
    {
        Oficina oficina;
        Programa &a = oficina.carga();
        for (int i = 1; i <= 5; ++i)
            a.listaRecepcion().agrega(saai(oficina, u"M012300%1.045"_s.arg(i)));
        Otro b(oficina);
        QCOMPARE(b.programa.listaRecepcion().cuenta(), 5);
        b.programa.listaRecepcion().agrega(saai(oficina, u"M0123009.045"_s));
        QVERIFY(a.refrescaListas());
        QCOMPARE(a.listaRecepcion().cuenta(), 6);
        a.listaRecepcion().quita(5); // a removes b's entry
        b.programa.listaRecepcion().quita(0); // b removes M0123001 meanwhile
        QVERIFY(a.refrescaListas());
        QVERIFY(b.programa.refrescaListas());
        const QStringList quedan {u"M0123002.045"_s, u"M0123003.045"_s, u"M0123004.045"_s, u"M0123005.045"_s};
        QCOMPARE(nombres(a.listaRecepcion()), quedan);
        QCOMPARE(nombres(b.programa.listaRecepcion()), quedan);
        QVERIFY(!a.refrescaListas()); // nothing new: nothing read
        Programa &despues = oficina.carga();
        QCOMPARE(nombres(despues.listaRecepcion()), quedan);
    }

    // Two files awaiting a response of the same name, and the same response
    // fetched by two programs: each stored once, none overwritten, and each
    // send-list entry shows its own.
    void respuestasGuardadasUnaVez()
    {
        Escena e;
        Programa &a = e.carga();
        auto pago = [&](const QString &nombre) {
            ListaRecepcion::Entrada r;
            r.nombre = nombre;
            r.prev = u""_s;
            r.rutaPrev = r.rutaVal = u"/yexout"_s;
            r.archivoPrev = u"ke012301.045"_s; // both expect this name
            r.archivoVal = u"a"_s + nombre.mid(1);
            r.rutaDest = e.oficina.carpeta(u"pag_rec"_s);
            r.icono = u"5"_s;
            return r;
        };
        a.listaRecepcion().agrega(pago(u"E0123001.045"_s));
        Otro b(e.oficina);

        e.servidor.escribe(u"/yexout/ke012301.045"_s, "PRIMERA\r\n");
        QCoro::waitFor(e.ciclo->tick());
        QCoro::waitFor(b.ciclo->tick()); // already in: not stored again
        const QString val = e.oficina.carpeta(u"val_rec"_s);
        QCOMPARE(lee(QDir(val).filePath(u"ke012301.045"_s)), QByteArray("PRIMERA\r\n"));
        QVERIFY(!QDir(val).exists(u"anteriores"_s));
        QCOMPARE(cuenta(a, u"SELECT COUNT(*) FROM RESPUESTA"_s), 1);
        QCOMPARE(nombres(b.programa.listaEnvio()), QStringList {u"ke012301.045"_s});

        a.listaRecepcion().agrega(pago(u"E0123101.045"_s));
        e.servidor.escribe(u"/yexout/ke012301.045"_s, "SEGUNDA\r\n");
        QCoro::waitFor(b.ciclo->tick());
        QCOMPARE(lee(QDir(val).filePath(u"ke012301.045"_s)), QByteArray("SEGUNDA\r\n"));
        QCOMPARE(lee(QDir(val).filePath(u"anteriores/ke012301.045.1"_s)), QByteArray("PRIMERA\r\n"));

        a.refrescaListas();
        QCOMPARE(nombres(a.listaEnvio()), (QStringList {u"ke012301.045"_s, u"ke012301.045"_s}));
        QCOMPARE(a.listaEnvio().entrada(0).ruta, QDir(val).filePath(u"anteriores/ke012301.045.1"_s));
        QCOMPARE(a.listaEnvio().entrada(1).ruta, QDir(val).filePath(u"ke012301.045"_s));
        QCOMPARE(cuenta(a, u"SELECT COUNT(*) FROM RESPUESTA"_s), 2);
        // Each one's own bytes are in the journal with it.
        QCOMPARE(HistorialDiario(a.conexion()).contenido(a.listaEnvio().respuesta(0)), QByteArray("PRIMERA\r\n"));
        QCOMPARE(HistorialDiario(a.conexion()).contenido(a.listaEnvio().respuesta(1)), QByteArray("SEGUNDA\r\n"));
    }

    // A program killed after it wrote a response's file and before the
    // journal recorded it leaves nothing half-recorded: no response, no
    // bytes, the response still awaited; the next one stores it whole.
    void muertoAlGuardarNoDejaNadaAMedias()
    {
        Oficina oficina;
        Programa &p = oficina.carga();
        const qint64 t = HistorialPrueba::envia(p, u"M0123001.045"_s, QDateTime::currentDateTimeUtc());
        const QString val = oficina.carpeta(u"val_rec"_s);
        QProcess hijo;
        hijo.start(u"" HIJO_RESPUESTA ""_s, {oficina.base(), QString::number(t), val, u"M0123001.err"_s});
        QVERIFY(hijo.waitForStarted());
        QByteArray salida;
        while (!salida.contains("escrito") && hijo.waitForReadyRead(30000))
            salida += hijo.readAllStandardOutput();
        QVERIFY2(salida.contains("escrito"), hijo.readAllStandardError().constData());
        QVERIFY(QFile::exists(QDir(val).filePath(u"M0123001.err"_s)));
        hijo.kill();
        QVERIFY(hijo.waitForFinished());

        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM RESPUESTA"_s), 0);
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM RESPUESTA_CONTENIDO"_s), 0);
        QTRY_COMPARE_WITH_TIMEOUT(cuenta(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE VAL = ''"_s), 1, 10000);
        const QString ruta = HistorialPrueba::responde(p, t, u"R"_s, u"M0123001.err"_s, "ENTERA\r\n",
                                                       QDateTime::currentDateTimeUtc(), val);
        QCOMPARE(ruta, QDir(val).filePath(u"M0123001.err"_s));
        const auto r = HistorialDiario(p.conexion()).ultimaRespuesta(u"M0123001.err"_s);
        QVERIFY(r);
        QCOMPARE(HistorialDiario(p.conexion()).contenido(r->id), QByteArray("ENTERA\r\n"));
    }

    // An office of the step before the responses' bytes: the step adds
    // their table; the responses stored before keep being read from their
    // files, with a clear message where the file is gone too; the responses
    // stored after carry their bytes.
    void anterioresSinContenido()
    {
        Oficina oficina;
        Programa &p = oficina.carga();
        const QString val = oficina.carpeta(u"val_rec"_s);
        const QDateTime ahora = QDateTime::currentDateTimeUtc();
        const qint64 t1 = HistorialPrueba::envia(p, u"M0123001.045"_s, ahora);
        const QString vieja = HistorialPrueba::responde(p, t1, u"K"_s, u"k0123001.045"_s, "VIEJA\r\n", ahora, val);
        const QString perdida = HistorialPrueba::responde(p, t1, u"R"_s, u"M0123001.err"_s, "PERDIDA\r\n", ahora, val);
        p.conexion().ejecuta(u"DROP TABLE RESPUESTA_CONTENIDO"_s);
        p.conexion().ejecuta(oficina.enServidor() ? u"UPDATE ESQUEMA_VERSION SET NUMERO = 5"_s
                                                  : u"PRAGMA user_version = 5"_s);
        QFile::remove(perdida);

        Otro b(oficina); // opens the office: the step runs
        QCOMPARE(cuenta(b.programa, u"SELECT COUNT(*) FROM RESPUESTA_CONTENIDO"_s), 0);
        const auto r = HistorialDiario(b.programa.conexion()).consulta({});
        QCOMPARE(r.size(), 1);
        QCOMPARE(r.first().respuestas.size(), 2);
        DestinoTexto texto;
        GeneradorReporte generador(b.programa);
        QVERIFY(generador.Genera_Reporte(u"T"_s, u"k0123001.045"_s, texto, vieja, r.first().respuestas[0].id));
        QCOMPARE(texto.texto(), u"VIEJA\r\n"_s);
        QVERIFY(!generador.Genera_Reporte(u"T"_s, u"M0123001.err"_s, texto, perdida, r.first().respuestas[1].id));
        QVERIFY2(texto.texto().contains(u"no está en este equipo, y la base de datos de la oficina no guarda su "
                                        u"contenido"_s),
                 qPrintable(texto.texto()));

        const qint64 t2 = HistorialPrueba::envia(b.programa, u"M0123002.045"_s, ahora);
        HistorialPrueba::responde(b.programa, t2, u"K"_s, u"k0123002.045"_s, "NUEVA\r\n", ahora, val);
        const auto nueva = HistorialDiario(b.programa.conexion()).ultimaRespuesta(u"k0123002.045"_s);
        QVERIFY(nueva);
        QCOMPARE(HistorialDiario(b.programa.conexion()).contenido(nueva->id), QByteArray("NUEVA\r\n"));
    }

    // Bytes the server accepted before are not sent again without a
    // question, whose default is No.
    void reenvioPregunta()
    {
        Escena e;
        e.archivo(u"val_env"_s, u"M0123001.045"_s, "PEDIMENTO\r\n");
        Programa &p = e.carga();
        e.enLista(u"M0123001.045"_s, u"2"_s, AG, AG);
        e.ejecuta(u"enviar"_s);
        QCOMPARE(e.persona().textos(), QStringList());
        QVERIFY(e.servidor.existe(AG + u"/M0123001.045"_s));
        QFile::remove(e.servidor.ruta(AG + u"/M0123001.045"_s));

        e.enLista(u"M0123001.045"_s, u"2"_s, AG, AG);
        e.persona().respuestas.enqueue(Dialogos::Respuesta::No);
        e.ejecuta(u"enviar"_s);
        // The acceptance's time as the journal recorded it (a server's own clock).
        const QDateTime aceptado
            = p.diario()
                  .aceptadoAntes(u"M0123001.045"_s,
                                 QString::fromLatin1(
                                     QCryptographicHash::hash("PEDIMENTO\r\n", QCryptographicHash::Sha256).toHex()))
                  ->toLocalTime();
        QCOMPARE(e.persona().textos(),
                 QStringList {u"El archivo M0123001.045 ya se envió el %1 a las %2. ¿Enviarlo de nuevo?"_s.arg(
                     aceptado.toString(u"dd/MM/yyyy"_s), aceptado.toString(u"hh:mm"_s))});
        QCOMPARE(e.persona().mensajes.at(0).botones, Dialogos::Botones::NoSi);
        QVERIFY(!e.servidor.existe(AG + u"/M0123001.045"_s));
        QCOMPARE(e.nombresEnvio(), QStringList {u"M0123001.045"_s});

        e.persona().respuestas.enqueue(Dialogos::Respuesta::Si);
        e.ejecuta(u"enviar"_s);
        QVERIFY(e.servidor.existe(AG + u"/M0123001.045"_s));
        QCOMPARE(e.nombresEnvio(), QStringList());
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE ACEPTADO IS NOT NULL"_s), 2);
    }

    // Nothing is uploaded unless the journal recorded that it is being sent:
    // with the database locked by another connection the send stops before
    // the upload with a message naming the database and the reason, and the
    // file stays in the send list.
    void sinRegistroNoSeEnvia()
    {
        Escena e;
        e.archivo(u"val_env"_s, u"M0123001.045"_s);
        Programa &p = e.carga();
        e.enLista(u"M0123001.045"_s, u"2"_s, AG, AG);
        const QString ruta = p.conexion().ruta();
        {
            // Another program holds the journal's write lock.
            const auto otra = Conexion::abreArchivo(ruta);
            otra->comienza();
            otra->ejecuta(otra->enServidor() ? u"LOCK TABLE DIARIO_VERSION IN EXCLUSIVE MODE"_s
                                             : u"UPDATE DIARIO_VERSION SET NUMERO = NUMERO"_s);

            e.ejecuta(u"enviar"_s);

            QCOMPARE(e.persona().textos().size(), 1);
            const QString texto = e.persona().textos().at(0);
            QVERIFY2(texto.contains(u"No se envió el archivo M0123001.045"_s)
                         && texto.contains(u"La base de datos "_s + QDir::toNativeSeparators(ruta)
                                           + u" está ocupada por otro programa"_s),
                     qPrintable(texto));
            QVERIFY(!e.servidor.existe(AG + u"/M0123001.045"_s));
            QCOMPARE(e.nombresEnvio(), QStringList {u"M0123001.045"_s});
            QCOMPARE(e.nombresRecepcion(), QStringList());
            otra->deshace();
        }
        // Once the database can be written the file goes.
        e.persona().mensajes.clear();
        e.ejecuta(u"enviar"_s);
        QCOMPARE(e.persona().textos(), QStringList());
        QVERIFY(e.servidor.existe(AG + u"/M0123001.045"_s));
    }
};

QTEST_GUILESS_MAIN(PruebaDiario)
#include "PruebaDiario.moc"
