// Any workstation of an office shows any response's report: a response
// received by one `tendal` process, and its report printed by another
// process whose reception folder does not hold the file, read from the
// office's journal. A real SQLite file (or the test's own PostgreSQL
// cluster), a real FTP server, the built `tendal`.

#include "core/db/HistorialDiario.h"
#include "core/reportes/PedimentosRespuesta.h"
#include "tests/soporte/Escena.h"
#include "tests/soporte/ProcesoTendal.h"

#include <QDir>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString AG = u"/ag0123"_s;

struct Salida {
    int estado = -1;
    QString out;
};

Salida tendal(const Oficina &oficina, const QStringList &argumentos)
{
    ProcesoTendal p(oficina, argumentos);
    const int estado = p.termina();
    return {estado, p.salida()};
}

QByteArray fixture(const char *nombre)
{
    QFile f(QDir(u"" TENDAL_DIR_DATOS_PRUEBA "/reportes"_s).filePath(QString::fromLatin1(nombre)));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("falta %s", nombre);
    return f.readAll();
}

// The report without its first line (the moment it was built).
QString cuerpo(const QString &reporte)
{
    return reporte.section(u'\n', 1);
}

} // namespace

class PruebaRespuestaOtroEquipo : public QObject
{
    Q_OBJECT

private slots:
    void otroEquipoMuestraElReporte()
    {
        Escena e;
        Programa &p = e.carga();
        const QByteArray prev = "PREVALIDADO M0123001.045\r\n";
        const QByteArray val = fixture("M3001234.err");
        ListaRecepcion::Entrada r;
        r.nombre = u"M0123001.045"_s;
        r.hora = u"10:30 a. m."_s;
        r.rutaPrev = r.rutaVal = AG;
        r.archivoPrev = u"k0123001.045"_s;
        r.archivoVal = u"M0123001.err"_s;
        r.rutaDest = e.oficina.carpeta(u"val_rec"_s);
        r.icono = u"2"_s;
        p.listaRecepcion().agrega(r);
        e.servidor.escribe(AG + u"/k0123001.045"_s, prev);
        e.servidor.escribe(AG + u"/M0123001.err"_s, val);

        // The workstation that receives them.
        const Salida recibe = tendal(e.oficina, {u"recibir"_s, u"--espera"_s, u"60"_s});
        QCOMPARE(recibe.estado, 0);
        const Salida desdeArchivo = tendal(e.oficina, {u"reporte"_s, u"M0123001.err"_s});
        QCOMPARE(desdeArchivo.estado, 0);
        QVERIFY(cuerpo(desdeArchivo.out).size() > 100);
        const auto guardada = HistorialDiario(p.conexion()).ultimaRespuesta(u"M0123001.err"_s);
        QVERIFY(guardada);
        const PedimentosRespuesta lector(p.conexion());
        const auto numeros = lector.lee(u"M0123001.err"_s, guardada->ruta);
        QVERIFY(numeros && !numeros->isEmpty());

        // Another workstation: its reception folder holds none of them.
        const QString carpeta = e.oficina.carpeta(u"val_rec"_s);
        QVERIFY(QDir(carpeta).exists(u"M0123001.err"_s));
        QVERIFY(QDir(carpeta).removeRecursively());
        QVERIFY(QDir().mkpath(carpeta));
        const Salida otro = tendal(e.oficina, {u"reporte"_s, u"M0123001.err"_s});
        QVERIFY2(otro.estado == 0, qPrintable(otro.out));
        QCOMPARE(cuerpo(otro.out), cuerpo(desdeArchivo.out));
        const Salida previo = tendal(e.oficina, {u"reporte"_s, u"k0123001.045"_s});
        QCOMPARE(previo.estado, 0);
        QVERIFY2(previo.out.contains(u"PREVALIDADO M0123001.045"_s), qPrintable(previo.out));

        // The history's way: by the response's id in the journal; the
        // pedimento numbers are read from the bytes as from the file.
        QCOMPARE(lector.lee(u"M0123001.err"_s, guardada->ruta, guardada->id), numeros);
        QVERIFY(!lector.lee(u"M0123001.err"_s, guardada->ruta));
        const auto historia = HistorialDiario(p.conexion()).consulta({});
        QCOMPARE(historia.size(), 1);
        QCOMPARE(historia.first().respuestas.size(), 2);
        for (const auto &respuesta : historia.first().respuestas) {
            const auto bytes = HistorialDiario(p.conexion()).contenido(respuesta.id);
            QVERIFY(bytes);
            QCOMPARE(*bytes, respuesta.clase == u"K" ? prev : val);
        }

        // Neither the file nor its bytes: the report says so in Spanish.
        p.conexion().ejecuta(u"DELETE FROM RESPUESTA_CONTENIDO"_s);
        const Salida nada = tendal(e.oficina, {u"reporte"_s, u"M0123001.err"_s});
        QCOMPARE(nada.estado, 1);
        QVERIFY2(nada.out.contains(u"no está en este equipo, y la base de datos de la oficina no guarda su "
                                   u"contenido"_s),
                 qPrintable(nada.out));
    }
};

QTEST_GUILESS_MAIN(PruebaRespuestaOtroEquipo)
#include "PruebaRespuestaOtroEquipo.moc"
