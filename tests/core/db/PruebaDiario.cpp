// The office's journal: the lists as its views, the migration of the lists
// kept by earlier versions, two programs on one office, responses stored
// once and never overwritten, the claim before an upload and the question
// before sending the same bytes again; each response's bytes recorded with
// it, and nothing half-recorded when a program dies while storing one. A
// real SQLite file (or a PostgreSQL cluster of the test's own), a real FTP
// server.

#include "core/base/Dialogos.h"
#include "core/base/Huella.h"
#include "core/db/Conexion.h"
#include "core/db/Diario.h"
#include "core/db/Dialecto.h"
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
#include <QSysInfo>
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

qint64 valor(Programa &p, const QString &sql, const QVariantList &valores = {})
{
    QSqlQuery q = p.conexion().ejecuta(sql, valores);
    return q.next() ? q.value(0).toLongLong() : -1;
}

// A process id that no process of this machine has any more.
qint64 pidTerminado()
{
    QProcess p;
    p.start(u"true"_s, {});
    if (!p.waitForStarted())
        qFatal("no arrancó true");
    const qint64 pid = p.processId();
    p.waitForFinished();
    return pid;
}

// The claim a program left on a queued name: a transmission "ENVIANDO" of
// that program and workstation whose lease ends vence seconds from now on
// the database's clock (none: a claim without lease), with the bytes it
// had started to upload when given. Returns its id.
qint64 dejaReclamo(Programa &p, const QString &nombre, const QString &programa, const QString &equipo,
                   std::optional<int> vence, const std::optional<Diario::Subida> &subida = std::nullopt)
{
    const QString ahora = p.conexion().dialecto().segundosServidor;
    const qint64 id = p.conexion().inserta(
        u"INSERT INTO TRANSMISION (NOMBRE, TIPO, ESTADO, PROGRAMA, EQUIPO, VENCE, CARPETA_SERVIDOR, TAMANO, SHA256) "
        "VALUES (?, 'M', 'ENVIANDO', ?, ?, %1, ?, ?, ?)"_s.arg(vence ? ahora + u" + "_s + QString::number(*vence)
                                                                     : u"NULL"_s),
        {nombre, programa, equipo, subida ? subida->carpetaServidor : u""_s,
         subida ? QVariant(subida->tamano) : QVariant(QMetaType::fromType<qint64>()),
         subida ? QVariant(subida->sha256) : QVariant(QMetaType::fromType<QString>())});
    p.conexion().ejecuta(u"UPDATE COLA_ENVIO SET TRANSMISION = ? WHERE NOMBRE = ?"_s, {id, nombre});
    return id;
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
                 u"DROP TABLE NOMBRE_PARTE"_s,
                 u"DROP TABLE NOMBRE_POSICION"_s,
                 u"DROP VIEW VISTA_ENVIO"_s,
                 u"DROP VIEW VISTA_RECEPCION"_s,
                 u"DROP TABLE RESPUESTA_PASADA"_s,
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
        QCOMPARE(cuenta(p, u"PRAGMA user_version"_s), 11);
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
        // and without the steps that came after it
        const QStringList partes
            = oficina.enServidor()
                  ? QStringList {u"DROP TRIGGER DIARIO_PARTES_NOMBRE ON TRANSMISION"_s,
                                 u"DROP FUNCTION DIARIO_PARTES_NOMBRE()"_s}
                  : QStringList {u"DROP TRIGGER DIARIO_PARTES_ALTA"_s, u"DROP TRIGGER DIARIO_PARTES_BAJA"_s,
                                 u"DROP TRIGGER DIARIO_PARTES_CAMBIO"_s, u"DROP TABLE NOMBRE_POSICION"_s};
        for (const QString &sql : partes + QStringList {u"DROP TABLE NOMBRE_PARTE"_s})
            p.conexion().ejecuta(sql);
        p.conexion().ejecuta(u"DROP TABLE RESPUESTA_PASADA"_s);
        for (const QString &columna :
             {u"TRANSMISION DROP COLUMN HORA_SERVIDOR"_s, u"RESPUESTA DROP COLUMN HORA_SERVIDOR"_s,
              u"TRANSMISION DROP COLUMN VENCE"_s, u"TRANSMISION DROP COLUMN EQUIPO"_s,
              u"COLA_ENVIO DROP COLUMN VISTO"_s, u"TRANSMISION DROP COLUMN CONTROL_CIFRADO"_s,
              u"TRANSMISION DROP COLUMN DATOS_CIFRADOS"_s, u"RESPUESTA DROP COLUMN ILEGIBLE"_s})
            p.conexion().ejecuta(u"ALTER TABLE "_s + columna);
        for (const QString &indice : {u"DIARIO_TRANSMISION_MAYUSCULAS"_s, u"DIARIO_RESPUESTA_MAYUSCULAS"_s,
                                      u"DIARIO_TRANSMISION_MOMENTO"_s, u"DIARIO_TRANSMISION_ESTADO"_s})
            p.conexion().ejecuta(u"DROP INDEX "_s + indice);
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
        // Its responses no longer awaited (while they are, a file awaiting
        // the same names is not sent at all).
        p.listaRecepcion().quita(0);

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

    // A claim lives while its program does: a lease on the database's clock
    // that it renews, and on this workstation its process. A live claim
    // (another workstation's within its lease, this program's own) holds
    // the file; a dead one (lease run out, no lease, its process gone here)
    // is taken over by the next send in its own row, which the queue row
    // keeps pointing to, and nothing is left half-recorded.
    void reclamoMuertoSeRetoma_data()
    {
        QTest::addColumn<bool>("propio");
        QTest::addColumn<bool>("esteEquipo");
        QTest::addColumn<std::optional<int>>("vence");
        QTest::addColumn<bool>("seEnvia");
        QTest::newRow("otro equipo, en su plazo") << false << false << std::optional<int>(200) << false;
        QTest::newRow("otro equipo, plazo vencido") << false << false << std::optional<int>(-1) << true;
        QTest::newRow("sin plazo") << false << false << std::optional<int>() << true;
        QTest::newRow("este equipo, proceso terminado") << false << true << std::optional<int>(200) << true;
        QTest::newRow("este programa, en su plazo") << true << true << std::optional<int>(200) << false;
    }
    void reclamoMuertoSeRetoma()
    {
        QFETCH(bool, propio);
        QFETCH(bool, esteEquipo);
        QFETCH(std::optional<int>, vence);
        QFETCH(bool, seEnvia);
        Escena e;
        e.archivo(u"val_env"_s, u"M0123001.045"_s);
        e.archivo(u"val_env"_s, u"M0123002.045"_s);
        Programa &p = e.carga();
        e.enLista(u"M0123001.045"_s, u"2"_s, AG, AG);
        e.enLista(u"M0123002.045"_s, u"2"_s, AG, AG);
        const QString programa = propio       ? Diario::programa()
                                 : esteEquipo ? QSysInfo::machineHostName() + u':' + QString::number(pidTerminado())
                                              : u"otra-caja:4242"_s;
        const qint64 id = dejaReclamo(p, u"M0123001.045"_s, programa,
                                      esteEquipo ? Diario::equipo() : u"otra-caja/abc/def"_s, vence);

        e.ejecuta(u"enviar"_s);

        QCOMPARE(e.persona().textos(), QStringList());
        QCOMPARE(e.servidor.existe(AG + u"/M0123001.045"_s), seEnvia);
        QVERIFY(e.servidor.existe(AG + u"/M0123002.045"_s));
        if (seEnvia) {
            QCOMPARE(valor(p, u"SELECT ID FROM TRANSMISION WHERE NOMBRE = 'M0123001.045'"_s), id);
            QCOMPARE(valor(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE ESTADO = 'ENVIADO'"_s), 2);
            QCOMPARE(valor(p, u"SELECT COUNT(*) FROM COLA_ENVIO"_s), 0);
            QCOMPARE(e.nombresRecepcion(), (QStringList {u"M0123001.045"_s, u"M0123002.045"_s}));
        } else {
            QCOMPARE(valor(p,
                           u"SELECT COUNT(*) FROM TRANSMISION WHERE ID = ? AND ESTADO = 'ENVIANDO' AND PROGRAMA = ?"_s,
                           {id, programa}),
                     1);
            QCOMPARE(valor(p, u"SELECT TRANSMISION FROM COLA_ENVIO"_s), id);
        }
        // A removed name takes its dead claim along; a live one stays for
        // its program to record.
        p.listaEnvio().limpia();
        QCOMPARE(valor(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE ESTADO = 'ENVIANDO'"_s), seEnvia ? 0 : 1);
    }

    // A claim taken over whose program had started to upload the same
    // bytes: when the server holds the file at their size, the upload
    // reached it whole and is recorded without uploading again; a short
    // file, or other bytes, are uploaded.
    void subidaCortadaSeCompruebaEnElServidor_data()
    {
        QTest::addColumn<QByteArray>("enServidor");
        QTest::addColumn<bool>("mismosBytes");
        QTest::addColumn<bool>("sube");
        const QByteArray datos(40000, 'd');
        QTest::newRow("completo") << datos << true << false;
        QTest::newRow("a medias") << datos.left(16384) << true << true;
        QTest::newRow("no llegó") << QByteArray() << true << true;
        QTest::newRow("otros bytes") << datos << false << true;
    }
    void subidaCortadaSeCompruebaEnElServidor()
    {
        QFETCH(QByteArray, enServidor);
        QFETCH(bool, mismosBytes);
        QFETCH(bool, sube);
        const QByteArray datos(40000, 'd');
        Escena e;
        const QString ruta = e.archivo(u"val_env"_s, u"M0123001.045"_s, datos);
        Programa &p = e.carga();
        e.enLista(u"M0123001.045"_s, u"2"_s, AG, AG);
        const Huella huella = Huella::deArchivo(ruta);
        dejaReclamo(p, u"M0123001.045"_s, u"otra-caja:4242"_s, u"otra-caja/abc/def"_s, -1,
                    Diario::Subida {AG, huella.tamano(), mismosBytes ? huella.sha256() : QString(64, u'0')});
        if (!enServidor.isNull())
            e.servidor.escribe(AG + u"/M0123001.045"_s, enServidor);

        e.ejecuta(u"enviar"_s);

        QVERIFY2(e.persona().textos().isEmpty(), qPrintable(e.persona().textos().join(u"\n"_s)));
        QCOMPARE(e.servidor.transferencias().contains(u"STOR /ag0123/M0123001.045"_s), sube);
        QCOMPARE(e.servidor.lee(AG + u"/M0123001.045"_s), datos);
        QCOMPARE(valor(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE ESTADO = 'ENVIADO' AND TAMANO = ? AND SHA256 = ?"_s,
                       {huella.tamano(), huella.sha256()}),
                 1);
        QCOMPARE(e.nombresEnvio(), QStringList());
        QCOMPARE(e.nombresRecepcion(), QStringList {u"M0123001.045"_s});
    }

    // Two programs queue the same file; the second one queued it without
    // having read that the first had sent it meanwhile. Its send finds the
    // same bytes accepted after what it had read: the upload it asked for
    // was made, and the name leaves its send list without a second upload
    // or a question. A program that had read the acceptance asks first
    // (reenvioPregunta).
    void encoladoSinSaberQueOtroLoEnvio()
    {
        Escena e;
        e.archivo(u"val_env"_s, u"M0123001.045"_s, "PEDIMENTO\r\n");
        Programa &b = e.carga();
        Otro a(e.oficina);
        a.programa.listaEnvio().agrega({u"M0123001.045"_s, u"E"_s, u"2"_s, AG, AG});
        ComandosBarra comandosA(a.programa, *a.ciclo);
        QCoro::waitFor(comandosA.Ejecuta_Comando(u"enviar"_s));
        QCOMPARE(a.dialogos.textos(), QStringList());

        e.enLista(u"M0123001.045"_s, u"2"_s, AG, AG); // b has not read the journal since
        e.ejecuta(u"enviar"_s);

        QCOMPARE(e.persona().textos(), QStringList());
        QCOMPARE(e.servidor.transferencias().count(u"STOR /ag0123/M0123001.045"_s), 1);
        QCOMPARE(valor(b, u"SELECT COUNT(*) FROM TRANSMISION"_s), 1);
        QCOMPARE(valor(b, u"SELECT COUNT(*) FROM COLA_ENVIO"_s), 0);
        b.refrescaListas();
        QCOMPARE(e.nombresEnvio(), QStringList());
        QCOMPARE(e.nombresRecepcion(), QStringList {u"M0123001.045"_s});
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
