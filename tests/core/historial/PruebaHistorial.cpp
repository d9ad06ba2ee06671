// The office's history read back from the journal: newest first, the
// filters (local dates, kinds, name, pedimento numbers read from the stored
// responses), late files, CSV and the sending receipt. A real SQLite file
// and real response files in temporary folders.

#include "core/db/Conexion.h"
#include "core/historial/Acuse.h"
#include "core/historial/EsperaRespuesta.h"
#include "core/historial/ModeloHistorial.h"
#include "core/oficina/ListaRecepcion.h"
#include "core/oficina/Programa.h"
#include "tests/soporte/ClusterPostgres.h"
#include "tests/soporte/HistorialPrueba.h"
#include "tests/soporte/Oficina.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QTest>
#include <QTimeZone>

#include <functional>
#include <sqlite3.h>

using namespace Qt::StringLiterals;
using namespace HistorialPrueba;

namespace {

QDateTime local(int dia, int hora, int minuto)
{
    return QDateTime(QDate(2026, 2, dia), QTime(hora, minuto));
}

QStringList nombres(const ModeloHistorial &m)
{
    QStringList n;
    for (const auto &t : m.transmisiones())
        n << t.nombre;
    return n;
}

// A payment response line that names a pedimento at positions 37 to 43.
QByteArray lineaPago(const char *pedimento)
{
    QByteArray l(120, ' ');
    l.replace(36, 7, pedimento);
    return l + "\r\n";
}

// The office of the tests (now: 14/02/2026 10:30 local): four files sent.
struct Historia {
    Historia()
    {
        Programa &p = oficina.carga();
        const QString val = oficina.carpeta(u"val_rec"_s);
        m1 = envia(p, u"M0123001.045"_s, local(10, 9, 0), "uno");
        responde(p, m1, u"K"_s, u"k0123001.045"_s, "PREVALIDADO\r\n", local(10, 9, 2), val);
        responde(p, m1, u"R"_s, u"M0123001.err"_s, "F3001234ABCDEFGH\r\n", local(10, 9, 5), val);
        p.diario().quitaRecepcion({m1});
        // Late in the evening of the 12th: already the 13th in UTC.
        e2 = envia(p, u"E0123002.045"_s, local(12, 23, 30), "dos");
        responde(p, e2, u"R"_s, u"a0123002.045"_s, lineaPago("3005555"), local(12, 23, 40),
                 oficina.carpeta(u"pag_rec"_s));
        s3 = envia(p, u"S0123003.045"_s, local(14, 10, 5), "tres");
        m4 = envia(p, u"M0123004.045"_s, local(14, 9, 59), "cuatro");
    }
    Oficina oficina;
    qint64 m1 = 0, e2 = 0, s3 = 0, m4 = 0;

    // On a database server the office's now is the server's clock, not the
    // test's: the acceptance times of the files still awaited move with it,
    // so that each one's age (which decides lateness) stays what the test
    // says.
    void alRelojDeLaOficina()
    {
        Programa &p = oficina.programa();
        const qint64 ms = p.reloj().ahora().msecsTo(p.ahoraOficina());
        if (qAbs(ms) < 1000)
            return;
        QList<QPair<qint64, QString>> filas;
        QSqlQuery q
            = p.conexion().ejecuta(u"SELECT ID, ACEPTADO FROM TRANSMISION WHERE ID IN (?, ?, ?)"_s, {e2, s3, m4});
        while (q.next())
            filas << qMakePair(q.value(0).toLongLong(), q.value(1).toString());
        q = QSqlQuery();
        for (const auto &[id, aceptado] : std::as_const(filas))
            p.conexion().ejecuta(
                u"UPDATE TRANSMISION SET ACEPTADO = ? WHERE ID = ?"_s,
                {QDateTime::fromString(aceptado, Qt::ISODateWithMs).addMSecs(ms).toUTC().toString(Qt::ISODateWithMs),
                 id});
    }
};

// The plans the engine chose for the statements a call made whose text has
// marca, one text per statement: on the file, EXPLAIN QUERY PLAN of each
// statement traced with its values; on a server, auto_explain's log of each
// (sequential scans off, so that a table of a few rows shows the plan an
// index can give, as on a large one).
int rastrea(unsigned, void *lista, void *sentencia, void *)
{
    if (char *sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt *>(sentencia))) {
        *static_cast<QStringList *>(lista) << QString::fromUtf8(sql);
        sqlite3_free(sql);
    }
    return 0;
}

QStringList planes(Oficina &oficina, const QString &marca, const std::function<void()> &llamada)
{
    const Conexion &c = oficina.programa().conexion();
    QStringList encontrados;
    if (c.enServidor()) {
        const auto cluster = ClusterPostgres::compartido();
        const qsizetype desde = cluster->log().size();
        c.ejecuta(u"LOAD 'auto_explain'"_s);
        c.ejecuta(u"SET auto_explain.log_min_duration = 0"_s);
        c.ejecuta(u"SET enable_seqscan = off"_s);
        llamada();
        c.ejecuta(u"SELECT 'fin de los planes'"_s);
        c.ejecuta(u"SET auto_explain.log_min_duration = -1"_s);
        c.ejecuta(u"RESET enable_seqscan"_s);
        // The log is the server's error output: wait for the plan after them.
        if (!QTest::qWaitFor([&] { return cluster->log().mid(desde).contains(u"fin de los planes"_s); }))
            return {};
        for (const QString &entrada : cluster->log().mid(desde).split(u"LOG:"_s))
            if (entrada.contains(u"Query Text:"_s) && entrada.contains(marca))
                encontrados << entrada;
        return encontrados;
    }
    const QVariant h = c.db().driver()->handle();
    sqlite3 *db = *static_cast<sqlite3 *const *>(h.constData());
    QStringList sentencias;
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, rastrea, &sentencias);
    llamada();
    sqlite3_trace_v2(db, 0, nullptr, nullptr);
    for (const QString &sql : std::as_const(sentencias)) {
        if (!sql.contains(marca))
            continue;
        QSqlQuery q = c.ejecuta(u"EXPLAIN QUERY PLAN "_s + sql);
        QString plan = sql + u'\n';
        while (q.next())
            plan += q.value(3).toString() + u'\n';
        encontrados << plan;
    }
    return encontrados;
}

// Whether a plan reads the whole table TRANSMISION.
bool recorreTransmisiones(const QString &plan)
{
    static const QRegularExpression sqlite(u"SCAN (TABLE )?(TRANSMISION|T)\\b"_s);
    return plan.contains(sqlite) || plan.contains(u"Seq Scan on transmision"_s, Qt::CaseInsensitive);
}

} // namespace

class PruebaHistorial : public QObject
{
    Q_OBJECT

private slots:
    void listaYFiltra_data()
    {
        QTest::addColumn<QDate>("desde");
        QTest::addColumn<QDate>("hasta");
        QTest::addColumn<QStringList>("tipos");
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("pedimento");
        QTest::addColumn<QStringList>("esperados");
        const QStringList todos = {u"M0123004.045"_s, u"S0123003.045"_s, u"E0123002.045"_s, u"M0123001.045"_s};
        QTest::newRow("todo, del más reciente")
            << QDate() << QDate() << QStringList() << QString() << QString() << todos;
        QTest::newRow("un día local (el 13 en UTC)") << QDate(2026, 2, 12) << QDate(2026, 2, 12) << QStringList()
                                                     << QString() << QString() << QStringList {u"E0123002.045"_s};
        QTest::newRow("desde") << QDate(2026, 2, 13) << QDate() << QStringList() << QString() << QString()
                               << todos.mid(0, 2);
        QTest::newRow("hasta") << QDate() << QDate(2026, 2, 11) << QStringList() << QString() << QString()
                               << QStringList {u"M0123001.045"_s};
        QTest::newRow("tipo") << QDate() << QDate() << QStringList {u"m"_s} << QString() << QString()
                              << QStringList {u"M0123004.045"_s, u"M0123001.045"_s};
        QTest::newRow("tipos") << QDate() << QDate() << QStringList {u"E"_s, u"S"_s} << QString() << QString()
                               << QStringList {u"S0123003.045"_s, u"E0123002.045"_s};
        QTest::newRow("nombre, sin distinguir mayúsculas")
            << QDate() << QDate() << QStringList() << u"s0123"_s << QString() << QStringList {u"S0123003.045"_s};
        QTest::newRow("un % es un carácter")
            << QDate() << QDate() << QStringList() << u"%"_s << QString() << QStringList();
        QTest::newRow("pedimento de validación")
            << QDate() << QDate() << QStringList() << QString() << u"3001234"_s << QStringList {u"M0123001.045"_s};
        QTest::newRow("pedimento de pago")
            << QDate() << QDate() << QStringList() << QString() << u" 3005555 "_s << QStringList {u"E0123002.045"_s};
        QTest::newRow("pedimento que nadie nombra")
            << QDate() << QDate() << QStringList() << QString() << u"300123"_s << QStringList();
        QTest::newRow("todo a la vez") << QDate(2026, 2, 1) << QDate(2026, 2, 28) << QStringList {u"M"_s} << u"001"_s
                                       << u"3001234"_s << QStringList {u"M0123001.045"_s};
    }
    void listaYFiltra()
    {
        QFETCH(QDate, desde);
        QFETCH(QDate, hasta);
        QFETCH(QStringList, tipos);
        QFETCH(QString, nombre);
        QFETCH(QString, pedimento);
        QFETCH(QStringList, esperados);
        Historia h;
        ModeloHistorial m(h.oficina.programa());
        m.ponFiltro({desde, hasta, tipos, nombre, pedimento});
        QCOMPARE(nombres(m), esperados);
    }

    // Each transmission with its responses as child rows; what the rows say.
    void filasYRespuestas()
    {
        Historia h;
        h.alRelojDeLaOficina();
        ModeloHistorial m(h.oficina.programa());
        m.actualiza();
        QCOMPARE(m.rowCount(), 4);
        const QModelIndex m1 = m.index(3, 0);
        QCOMPARE(m.rowCount(m1), 2);
        QCOMPARE(m.index(0, ModeloHistorial::Archivo, m1).data().toString(), u"k0123001.045"_s);
        QCOMPARE(m.index(0, ModeloHistorial::Tipo, m1).data().toString(), u"Prevalidación"_s);
        QCOMPARE(m.index(1, ModeloHistorial::Archivo, m1).data().toString(), u"M0123001.err"_s);
        QCOMPARE(m.index(1, ModeloHistorial::Momento, m1).data().toString(), u"10/02/2026 09:05:00"_s);
        QVERIFY(m.index(1, 0, m1).data(ModeloHistorial::RolRuta).toString().endsWith(u"/M0123001.err"_s));
        QCOMPARE(m.parent(m.index(1, 0, m1)), m1);
        QCOMPARE(m1.siblingAtColumn(ModeloHistorial::Momento).data().toString(), u"10/02/2026 09:00:00"_s);
        QCOMPARE(m1.siblingAtColumn(ModeloHistorial::Tipo).data().toString(), u"SAAI M3"_s);
        QCOMPARE(m1.siblingAtColumn(ModeloHistorial::Tamano).data().toString(), u"3"_s);
        QCOMPARE(m.respuesta(m1), nullptr);
        QCOMPARE(m.transmision(m.index(0, 0, m1))->nombre, u"M0123001.045"_s);

        // States: both responses in; waiting; late (more than 30 minutes).
        const auto estado = [&](int fila) {
            return m.index(fila, ModeloHistorial::Estado).data().toString();
        };
        QCOMPARE(estado(3), u"Respuestas recibidas"_s);
        QCOMPARE(estado(1), u"En espera de respuesta"_s);
        QCOMPARE(estado(0), u"Sin respuesta después de 30 min"_s);
        QVERIFY(m.index(0, 0).data(ModeloHistorial::RolDemorada).toBool());
        QVERIFY(!m.index(1, 0).data(ModeloHistorial::RolDemorada).toBool());
        QVERIFY(!m.index(3, 0).data(ModeloHistorial::RolDemorada).toBool());
        QVERIFY(m.index(2, 0).data(ModeloHistorial::RolDemorada).toBool()); // waits since the 12th
        QCOMPARE(EsperaRespuesta(h.oficina.programa()).demoradas(), (QSet<qint64> {h.m4, h.e2}));
    }

    // A file passed to the reception list with "Recibir" was not uploaded
    // by this program: its row says so, with no time of sending, size or
    // hash, once its responses are in too.
    void movidoSinEnvio()
    {
        Historia h;
        Programa &p = h.oficina.programa();
        ListaRecepcion::Entrada e;
        e.nombre = u"M0123009.045"_s;
        e.hora = u"10:30 a. m."_s;
        e.archivoPrev = u"k0123009.045"_s;
        e.archivoVal = u"M0123009.err"_s;
        e.rutaDest = h.oficina.carpeta(u"val_rec"_s);
        qint64 id = 0;
        p.diario().agregaRecepcion(ListaRecepcion::filaDiario(0, e), &id);
        ModeloHistorial m(p);
        m.ponFiltro({{}, {}, {}, u"M0123009"_s, {}});
        QCOMPARE(m.rowCount(), 1);
        const auto celda = [&](int columna) {
            return m.index(0, columna).data().toString();
        };
        QCOMPARE(celda(ModeloHistorial::Estado), u"En espera de respuesta (pasó con «Recibir», sin envío)"_s);
        responde(p, id, u"K"_s, e.archivoPrev, "PREVALIDADO\r\n", local(14, 10, 31), e.rutaDest);
        responde(p, id, u"R"_s, e.archivoVal, "F3001234ABCDEFGH\r\n", local(14, 10, 32), e.rutaDest);
        p.diario().quitaRecepcion({id});
        m.actualiza();
        QCOMPARE(celda(ModeloHistorial::Estado), u"Respuestas recibidas (pasó con «Recibir», sin envío)"_s);
        QCOMPARE(celda(ModeloHistorial::Momento), u"(sin envío)"_s);
        QCOMPARE(celda(ModeloHistorial::Tamano), QString());
        QCOMPARE(celda(ModeloHistorial::Sha256), QString());
    }

    // The configured minutes decide which files are late; a value out of
    // range counts as the default.
    void esperaConfigurada_data()
    {
        QTest::addColumn<int>("minutos");
        QTest::addColumn<QList<qint64>>("tarde"); // among m4 (31 min) and s3 (25 min), e2
        QTest::newRow("20") << 20 << QList<qint64> {4, 3};
        QTest::newRow("30 por omisión") << 0 << QList<qint64> {4};
        QTest::newRow("31 en punto") << 31 << QList<qint64> {4};
        QTest::newRow("32") << 32 << QList<qint64> {};
    }
    void esperaConfigurada()
    {
        QFETCH(int, minutos);
        QFETCH(QList<qint64>, tarde);
        Historia h;
        h.alRelojDeLaOficina();
        h.oficina.programa().parametros().asigna(u"espera_respuesta"_s, qint16(minutos));
        QSet<qint64> esperadas;
        for (qint64 n : tarde)
            esperadas << (n == 4 ? h.m4 : h.s3);
        // e2 waits since the 12th: late whatever the minutes.
        esperadas << h.e2;
        QCOMPARE(EsperaRespuesta(h.oficina.programa()).demoradas(), esperadas);
    }

    // The pedimento numbers are read once from the files and kept: a
    // response whose file is gone later is still found by them.
    void pedimentosSeGuardan()
    {
        Historia h;
        ModeloHistorial m(h.oficina.programa());
        m.actualiza();
        QVERIFY(QFile::remove(QDir(h.oficina.carpeta(u"val_rec"_s)).filePath(u"M0123001.err"_s)));
        m.ponFiltro({{}, {}, {}, {}, u"3001234"_s});
        QCOMPARE(nombres(m), QStringList {u"M0123001.045"_s});
    }

    // For a window the numbers are read on the model's worker: a journal
    // another program holds for writing keeps the numbers waiting, never the
    // list; the list shows them once they are in.
    void pedimentosEnTrabajador()
    {
        Historia h;
        Programa &p = h.oficina.programa();
        ModeloHistorial m(p, ModeloHistorial::Pedimentos::EnTrabajador);
        QSignalSpy leidos(&m, &ModeloHistorial::pedimentosLeidos);
        {
            const auto otra = Conexion::abreArchivo(p.conexion().ruta());
            otra->comienza();
            otra->ejecuta(otra->enServidor() ? u"LOCK TABLE RESPUESTA IN EXCLUSIVE MODE"_s
                                             : u"UPDATE RESPUESTA SET PEDIMENTOS = PEDIMENTOS"_s);
            // The window's query runs on a worker of its own too.
            m.ponFiltro({{}, {}, {}, {}, u"3001234"_s});
            QTRY_VERIFY(!m.consultando());
            QCOMPARE(nombres(m), QStringList());
            m.ponFiltro({{}, {}, {}, u"M0123001"_s, {}});
            QTRY_VERIFY(!m.consultando());
            QCOMPARE(nombres(m), QStringList {u"M0123001.045"_s});
            QCOMPARE(leidos.count(), 0);
            otra->deshace();
        }
        m.ponFiltro({{}, {}, {}, {}, u"3001234"_s});
        QTRY_COMPARE(nombres(m), QStringList {u"M0123001.045"_s});
        QTRY_VERIFY(leidos.count() >= 1);
    }

    // A response that cannot be read here (no file, no bytes: stored by an
    // earlier version, its file gone) is recorded so with the reason and is
    // not read again at each query; a window's first reading tries it again,
    // and reads it once its file is back.
    void pedimentosIlegibles()
    {
        Historia h;
        Programa &p = h.oficina.programa();
        const QString ruta = QDir(h.oficina.carpeta(u"val_rec"_s)).filePath(u"M0123001.err"_s);
        QVERIFY(QFile::rename(ruta, ruta + u".aparte"_s));
        p.conexion().ejecuta(u"DELETE FROM RESPUESTA_CONTENIDO WHERE RESPUESTA IN (SELECT ID FROM RESPUESTA WHERE "
                             u"NOMBRE = 'M0123001.err')"_s);
        const auto estado = [&] {
            QSqlQuery q
                = p.conexion().ejecuta(u"SELECT PEDIMENTOS, ILEGIBLE FROM RESPUESTA WHERE NOMBRE = 'M0123001.err'"_s);
            return q.next() ? std::pair(q.value(0).toInt(), q.value(1).toString()) : std::pair(-1, QString());
        };
        ModeloHistorial m(p);
        m.ponFiltro({{}, {}, {}, {}, u"3001234"_s});
        QCOMPARE(nombres(m), QStringList());
        const auto [marca, motivo] = estado();
        QCOMPARE(marca, 2);
        QVERIFY2(motivo.contains(ruta) && motivo.contains(u"no está en este equipo"_s), qPrintable(motivo));

        QVERIFY(QFile::rename(ruta + u".aparte"_s, ruta));
        m.actualiza();
        QCOMPARE(nombres(m), QStringList());
        QCOMPARE(estado().first, 2);

        ModeloHistorial ventana(p, ModeloHistorial::Pedimentos::EnTrabajador);
        ventana.ponFiltro({{}, {}, {}, {}, u"3001234"_s});
        QTRY_COMPARE(nombres(ventana), QStringList {u"M0123001.045"_s});
        QCOMPARE(estado(), std::pair(1, QString()));
        m.actualiza();
        QCOMPARE(nombres(m), QStringList {u"M0123001.045"_s});
    }

    // The day of a file listed without an upload is the moment it was
    // listed; a transmission kept from an earlier version, with neither
    // moment, is in no range of days.
    void diaDeUnArchivoListado()
    {
        Historia h;
        Programa &p = h.oficina.programa();
        qint64 cola = 0;
        p.diario().encola(
            {Diario::Origen::Cola, 0, u"M0123009.045"_s, u"E"_s, u"2"_s, u"/ag0123"_s, u"/ag0123"_s, QString()}, &cola);
        Diario::FilaRecepcion r;
        r.nombre = u"M0123009.045"_s;
        QVERIFY(p.diario().mueve(cola, u"M"_s, r));
        p.conexion().ejecuta(u"INSERT INTO TRANSMISION (NOMBRE, TIPO, ESTADO, EN_RECEPCION) VALUES ('M0123008.045', "
                             u"'M', 'ENVIADO', 1)"_s);
        const QDate hoy = QDate::currentDate();
        ModeloHistorial m(p);
        m.ponFiltro({hoy, hoy, {}, {}, {}});
        QCOMPARE(nombres(m), QStringList {u"M0123009.045"_s});
        m.ponFiltro({hoy, {}, {}, {}, {}});
        QCOMPARE(nombres(m), QStringList {u"M0123009.045"_s});
        m.ponFiltro({{}, QDate(2026, 2, 12), {}, {}, {}});
        QCOMPARE(nombres(m), (QStringList {u"E0123002.045"_s, u"M0123001.045"_s}));
        m.ponFiltro({});
        QCOMPARE(nombres(m).size(), 6);
    }

    // The lookups by name (any case) and the history of a day are served by
    // the journal's indexes, on the file and on a server: their cost does
    // not grow with the journal.
    void indicesSirvenConsultas()
    {
        Historia h;
        Programa &p = h.oficina.programa();
        const QString sha = QString::fromLatin1(QCryptographicHash::hash("uno", QCryptographicHash::Sha256).toHex());
        const QStringList porNombre
            = planes(h.oficina, u"SHA256"_s, [&] { QVERIFY(p.diario().aceptadoAntes(u"m0123001.045"_s, sha)); });
        QCOMPARE(porNombre.size(), 1);
        QVERIFY2(porNombre[0].contains(u"DIARIO_TRANSMISION_MAYUSCULAS"_s, Qt::CaseInsensitive),
                 qPrintable(porNombre[0]));

        const QStringList acuse = planes(h.oficina, u"ORDER BY ACEPTADO DESC"_s, [&] {
            QVERIFY(HistorialDiario(p.conexion()).ultimaAceptada(u"m0123001.045"_s));
        });
        QCOMPARE(acuse.size(), 1);
        QVERIFY2(acuse[0].contains(u"DIARIO_TRANSMISION_MAYUSCULAS"_s, Qt::CaseInsensitive), qPrintable(acuse[0]));

        ModeloHistorial m(p);
        const QStringList dia = planes(h.oficina, u"LEFT JOIN RESPUESTA"_s, [&] {
            m.ponFiltro({QDate(2026, 2, 12), QDate(2026, 2, 12), {}, {}, {}});
        });
        QCOMPARE(nombres(m), QStringList {u"E0123002.045"_s});
        QCOMPARE(dia.size(), 1);
        QVERIFY2(!recorreTransmisiones(dia[0]) && dia[0].contains(u"DIARIO_TRANSMISION_MOMENTO"_s, Qt::CaseInsensitive),
                 qPrintable(dia[0]));
    }

    // A search for a part of a name finds exactly what a LIKE over every
    // name of the journal finds (any case, % and _ plain, a search longer
    // than the parts kept, a name that repeats a part, letters outside
    // ASCII), also after names change and transmissions go; and it reads
    // the names that match through NOMBRE_PARTE, not the whole journal.
    void nombreComoLike()
    {
        Oficina oficina;
        Programa &p = oficina.carga();
        QList<qint64> ids;
        for (const QString &n : {u"M0123001.045"_s, u"m0123002.045"_s, u"E0123101.123"_s, u"AAAAAAAAAAAAAAAAAAAA.txt"_s,
                                 u"Pago_100%.txt"_s, u"ñandú.045"_s, u"X.1"_s, u"k0123001.345"_s})
            ids << envia(p, n, local(10, 9, 0), n.toUtf8());
        const QStringList busquedas = {u"001"_s,
                                       u"m0123"_s,
                                       u".045"_s,
                                       u"0"_s,
                                       u"1.3"_s,
                                       u"AAAAAAAAAAAAAAAA"_s,
                                       u"AAAAAAAAAAAAAAAAAAAAA"_s,
                                       u"aaaaaaaaaaaaa.T"_s,
                                       u"_"_s,
                                       u"%"_s,
                                       u"_100%"_s,
                                       u"ñ"_s,
                                       u"Ñ"_s,
                                       u"ú.0"_s,
                                       u"x.1"_s,
                                       u"M0123001.0456"_s,
                                       u"\\"_s,
                                       u"z"_s};
        // The journal's own LIKE over the whole table, as the search was made
        // before NOMBRE_PARTE.
        const auto comoLike = [&](const QString &b) {
            QString patron = b.toUpper();
            patron.replace(u'\\', u"\\\\"_s).replace(u'%', u"\\%"_s).replace(u'_', u"\\_"_s);
            QSqlQuery q = p.conexion().ejecuta(u"SELECT NOMBRE FROM TRANSMISION WHERE UPPER(NOMBRE) LIKE ? ESCAPE "
                                               "'\\' ORDER BY ORDEN DESC, ID DESC"_s,
                                               {u'%' + patron + u'%'});
            QStringList n;
            while (q.next())
                n << q.value(0).toString();
            return n;
        };
        const auto compara = [&](const char *cuando) {
            ModeloHistorial m(p);
            for (const QString &b : busquedas) {
                m.ponFiltro({{}, {}, {}, b, {}});
                QVERIFY2(nombres(m) == comoLike(b),
                         qPrintable(u"%1, «%2»: %3 / %4"_s.arg(QLatin1StringView(cuando), b, nombres(m).join(u' '),
                                                               comoLike(b).join(u' '))));
            }
        };
        compara("al enviar");
        // Renamed (the journal's own updates of a name) and deleted.
        p.conexion().ejecuta(u"UPDATE TRANSMISION SET NOMBRE = ? WHERE ID = ?"_s, {u"S0123777.200"_s, ids[0]});
        p.conexion().ejecuta(u"UPDATE TRANSMISION SET NOMBRE = NOMBRE WHERE ID = ?"_s, {ids[1]});
        p.conexion().ejecuta(u"DELETE FROM COLA_ENVIO WHERE TRANSMISION = ?"_s, {ids[3]});
        p.conexion().ejecuta(u"DELETE FROM TRANSMISION WHERE ID = ?"_s, {ids[3]});
        compara("tras cambiar y borrar");
        QSqlQuery cuenta = p.conexion().ejecuta(u"SELECT COUNT(*) FROM NOMBRE_PARTE WHERE TRANSMISION IN (?, ?)"_s,
                                                {ids[0], ids[3]});
        QVERIFY(cuenta.next());
        QCOMPARE(cuenta.value(0).toInt(), 12); // S0123777.200's twelve parts, none of the deleted one

        ModeloHistorial m(p);
        const QStringList plan = planes(oficina, u"NOMBRE_PARTE"_s, [&] {
            m.ponFiltro({{}, {}, {}, u"0123777"_s, {}});
        });
        QCOMPARE(nombres(m), QStringList {u"S0123777.200"_s});
        QVERIFY(!plan.isEmpty());
        for (const QString &un : plan)
            QVERIFY2(!recorreTransmisiones(un) && !un.contains(u"SCAN N"_s)
                         && !un.contains(u"Seq Scan on nombre_parte"_s, Qt::CaseInsensitive),
                     qPrintable(un));
    }

    // CSV per RFC 4180: a header, one record per transmission with its
    // responses' names, moments (UTC) and hashes and whether its channels
    // were protected, fields quoted when they hold a comma or a quote, CR LF
    // line ends.
    void csv()
    {
        Oficina oficina;
        Programa &p = oficina.carga();
        const qint64 t = envia(p, u"M0123001.045"_s, local(10, 9, 0), "uno", u"/ag0123,\"b\""_s);
        responde(p, t, u"K"_s, u"k0123001.045"_s, "K", local(10, 9, 2), oficina.carpeta(u"val_rec"_s));
        p.diario().anotaProteccion(t, true, false);
        ModeloHistorial m(p);
        m.actualiza();
        QCOMPARE(m.index(0, ModeloHistorial::Cifrado).data().toString(), u"TLS solo en el control"_s);
        const QStringList lineas = m.csv().split(u"\r\n"_s);
        QCOMPARE(lineas.size(), 3);
        QCOMPARE(lineas[2], QString());
        QCOMPARE(lineas[0], u"archivo,tipo,estado,carpeta_servidor,tamano,sha256,aceptado_utc,prevalidacion,"
                            "prevalidacion_utc,prevalidacion_sha256,validacion,validacion_utc,validacion_sha256,"
                            "control_cifrado,datos_cifrados"_s);
        const QString shaUno = QString::fromLatin1(QCryptographicHash::hash("uno", QCryptographicHash::Sha256).toHex());
        const QString shaK = QString::fromLatin1(QCryptographicHash::hash("K", QCryptographicHash::Sha256).toHex());
        QCOMPARE(lineas[1], u"M0123001.045,M,Sin respuesta después de 30 min,\"/ag0123,\"\"b\"\"\",3,%1,"
                            "2026-02-10T15:00:00Z,k0123001.045,2026-02-10T15:02:00Z,%2,,,,si,no"_s.arg(shaUno, shaK));
    }

    // The receipt: what was uploaded, when the server accepted it (local
    // and UTC), each response with its moment and hash.
    void acuse()
    {
        Historia h;
        const auto t = HistorialDiario(h.oficina.programa().conexion()).ultimaAceptada(u"m0123001.045"_s);
        QVERIFY(t);
        const QString a = Acuse::texto(*t);
        const QString sha = QString::fromLatin1(QCryptographicHash::hash("uno", QCryptographicHash::Sha256).toHex());
        for (const QString &parte :
             {u"Acuse de envío\n"_s, u"Archivo:                  M0123001.045 (SAAI M3)\n"_s,
              u"Tamaño:                   3 bytes\n"_s, u"SHA-256:                  %1\n"_s.arg(sha),
              u"Carpeta del servidor:     /ag0123\n"_s,
              u"Aceptado por el servidor: 10/02/2026 09:00:00 (hora local)  /  10/02/2026 15:00:00 UTC\n"_s,
              u"  M0123001.err (Validación)\n    Guardada: 10/02/2026 09:05:00 (hora local)  /  10/02/2026 "
              "15:05:00 UTC\n    Tamaño:   18 bytes\n"_s})
            QVERIFY2(a.contains(parte), qPrintable(a + u"\nno tiene:\n"_s + parte));
        QVERIFY(a.indexOf(u"k0123001.045"_s) < a.indexOf(u"M0123001.err"_s));

        // The latest upload of the name is the one a receipt is about.
        const qint64 otra = envia(h.oficina.programa(), u"M0123001.045"_s, local(14, 10, 0), "otra vez");
        QCOMPARE(HistorialDiario(h.oficina.programa().conexion()).ultimaAceptada(u"M0123001.045"_s)->id, otra);
        QVERIFY(!HistorialDiario(h.oficina.programa().conexion()).ultimaAceptada(u"M0123009.045"_s));
    }
};

QTEST_GUILESS_MAIN(PruebaHistorial)
#include "PruebaHistorial.moc"
