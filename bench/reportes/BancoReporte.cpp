// The report builder on a generated M response of 100,000 error lines
// against a catalogue of 20,000 ERRORESM rows. The baseline, measured in the
// same run, reads the same file line by line and runs the same number of
// bound lookups directly; the figure that matters is the ratio. Since the
// builder reads a report's catalogue in one read transaction, the baseline
// is also run that way, which shows the builder's own cost.
//
// Then the command line, `tendal reporte`, on a response of 1,000,000 lines
// written to /dev/null: the peak memory of that process and its time
// against the baseline on the same file (the process start included). The
// process is this program started again with "--comando reporte ...", which
// runs the command line exactly as the tendal executable's main() does,
// without the windows library to build.

#include "cli/LineaComandos.h"
#include "core/oficina/CamposConfiguracion.h"
#include "core/db/Conexion.h"
#include "core/db/NuevaOficina.h"
#include "core/db/RsParametros.h"
#include "core/reportes/DestinoTexto.h"
#include "core/reportes/GeneradorReporte.h"
#include "core/reportes/TipoRespuesta.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kLineas = 100000;
constexpr int kFilasCatalogo = 20000;
constexpr int kRepeticiones = 3;
constexpr int kLineasComando = 1000000;

long maximoResidenteKb()
{
    rusage uso {};
    getrusage(RUSAGE_SELF, &uso);
    return uso.ru_maxrss;
}

// 20,000 rows: types 1 to 6, numbers 0 to 99, record types and fields
// spread so that the types 3, 4 and 6 lookups find their rows.
void llenaCatalogo(const Conexion &conexion)
{
    conexion.enTransaccion([&] {
        for (int t = 1; t <= 6; ++t)
            conexion.ejecuta(QStringLiteral("INSERT INTO TIPO_ERRORES VALUES (?, ?)"),
                             {t, QStringLiteral("TIPO %1").arg(t)});
        QSqlQuery q(conexion.db());
        q.prepare(QStringLiteral("INSERT INTO ERRORESM VALUES (?, ?, ?, ?, ?, ?)"));
        for (int i = 0; i < kFilasCatalogo; ++i) {
            q.addBindValue(i);
            q.addBindValue(500 + i % 40);
            q.addBindValue(i % 50);
            q.addBindValue(1 + i % 6);
            q.addBindValue((i / 6) % 100);
            q.addBindValue(QStringLiteral("DESCRIPCION DEL ERROR NUMERO %1 DEL CATALOGO").arg(i));
            q.exec();
        }
    });
}

// Error lines of 20 characters: pedimento, record type, line, type, field, number.
QByteArray generaRespuesta(int lineas)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(lineas) * 22);
    for (int i = 0; i < lineas; ++i) {
        const int fila = (i * 7) % kFilasCatalogo;
        const int registro = 500 + fila % 40;
        const int campo = fila % 50;
        const int tipo = 1 + fila % 6;
        const int numero = (fila / 6) % 100;
        bytes += QStringLiteral("E%1%2%3%4%5%6\r\n")
                     .arg(3000000 + i % 1000000, 7, 10, QLatin1Char('0'))
                     .arg(registro, 3, 10, QLatin1Char('0'))
                     .arg(1 + i % 9999, 4, 10, QLatin1Char('0'))
                     .arg(tipo)
                     .arg(campo, 2, 10, QLatin1Char('0'))
                     .arg(numero, 2, 10, QLatin1Char('0'))
                     .toLatin1();
    }
    return bytes;
}

// The baseline: the file read line by line, and one bound lookup per line
// with the same query, reading the same columns; each lookup its own read
// of the database, or (enUnaLectura) all of them in one read transaction,
// as the builder reads the catalogue of a report.
qint64 base(const Conexion &conexion, const QString &ruta, qint64 &encontradas, bool enUnaLectura = false)
{
    QElapsedTimer reloj;
    reloj.start();
    QSqlDatabase db = conexion.db();
    const bool lectura = enUnaLectura && db.transaction();
    QSqlQuery simple(conexion.db());
    simple.setForwardOnly(true);
    simple.prepare(
        QStringLiteral("SELECT tipo_errores.tipo_error AS Nombre_te, erroresm.descripcion FROM erroresm, tipo_errores "
                       "WHERE erroresm.tipo_error = ? AND erroresm.num_error = ? "
                       "AND erroresm.tipo_error = tipo_errores.num_error LIMIT 1"));
    QSqlQuery conRegistro(conexion.db());
    conRegistro.setForwardOnly(true);
    conRegistro.prepare(QStringLiteral(
        "SELECT tipo_errores.tipo_error AS Nombre_te, erroresm.descripcion FROM erroresm, tipo_errores "
        "WHERE erroresm.tipo_error = ? AND erroresm.num_error = ? AND erroresm.reg = ? AND erroresm.campo = ? "
        "AND erroresm.tipo_error = tipo_errores.num_error LIMIT 1"));
    QFile archivo(ruta);
    archivo.open(QIODevice::ReadOnly);
    encontradas = 0;
    while (!archivo.atEnd()) {
        const QByteArray linea = archivo.readLine();
        const int tipo = linea.mid(15, 1).toInt();
        QSqlQuery &q = (tipo == 3 || tipo == 4 || tipo == 6) ? conRegistro : simple;
        q.bindValue(0, tipo);
        q.bindValue(1, linea.mid(18, 2).toInt());
        if (&q == &conRegistro) {
            q.bindValue(2, linea.mid(8, 3).toInt());
            q.bindValue(3, linea.mid(16, 2).toInt());
        }
        q.exec();
        if (q.next()) {
            encontradas += q.value(0).toString().size() + q.value(1).toString().size() > 0;
        }
        q.finish();
    }
    if (lectura)
        db.rollback();
    return reloj.nsecsElapsed();
}

// Runs the program with the arguments, its output to /dev/null. Returns
// its exit status; tiempoNs and picoKb take its time and peak memory.
int ejecuta(const QStringList &argumentos, qint64 &tiempoNs, long &picoKb)
{
    QList<QByteArray> bytes;
    for (const QString &a : argumentos)
        bytes << QFile::encodeName(a);
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    QElapsedTimer reloj;
    reloj.start();
    const pid_t hijo = fork();
    if (hijo == 0) {
        if (FILE *nulo = std::freopen("/dev/null", "w", stdout); !nulo)
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int estado = 0;
    rusage uso {};
    wait4(hijo, &estado, 0, &uso);
    tiempoNs = reloj.nsecsElapsed();
    picoKb = uso.ru_maxrss;
    return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--comando") == 0) {
        QStringList args = app.arguments().mid(2);
        QTextStream salida(stdout);
        QTextStream errores(stderr);
        return LineaComandos(salida, errores).ejecuta(args);
    }
    QTextStream out(stdout);
    QTemporaryDir dir;
    NuevaOficina oficina;
    oficina.patente = 123;
    oficina.agente = QStringLiteral("BANCO");
    oficina.carpetaDatos = dir.filePath(QStringLiteral("datos"));
    oficina.crea(dir.filePath(QStringLiteral("Tendal.ini")));
    auto conexion = Conexion::abre(oficina.carpetaDatos);
    llenaCatalogo(*conexion);

    const QString carpeta = NuevaOficina::carpetaLocal(oficina.carpetaDatos, QStringLiteral("val_rec"));
    const QString nombre = QStringLiteral("M3001234.err");
    const QString ruta = QDir(carpeta).filePath(nombre);
    {
        QFile f(ruta);
        f.open(QIODevice::WriteOnly);
        f.write(generaRespuesta(kLineas));
    }

    CamposConfiguracion campos;
    campos.Imprime_Datos(RsParametros(*conexion));
    GeneradorReporte generador(*conexion, campos.texto(TipoRespuesta::kCampoSinCambios), QDateTime::currentDateTime());

    qint64 mejorBase = std::numeric_limits<qint64>::max();
    qint64 mejorUnaLectura = mejorBase;
    qint64 mejorGenerador = std::numeric_limits<qint64>::max();
    qint64 encontradas = 0;
    qsizetype largoReporte = 0;
    long crecimientoKb = 0;
    for (int i = 0; i < kRepeticiones; ++i) {
        mejorBase = std::min(mejorBase, base(*conexion, ruta, encontradas));
        mejorUnaLectura = std::min(mejorUnaLectura, base(*conexion, ruta, encontradas, true));

        const long antes = maximoResidenteKb();
        QElapsedTimer t;
        t.start();
        DestinoTexto destino;
        if (!generador.Genera_Reporte(GeneradorReporte::tituloRevision(), nombre, destino)) {
            out << "el reporte no se completó: " << destino.texto().right(300) << Qt::endl;
            return 1;
        }
        mejorGenerador = std::min(mejorGenerador, t.nsecsElapsed());
        largoReporte = destino.texto().size();
        crecimientoKb = std::max(crecimientoKb, maximoResidenteKb() - antes);
    }

    const double msBase = mejorBase / 1e6;
    const double msGenerador = mejorGenerador / 1e6;
    out << "Respuesta M: " << kLineas << " líneas de error, catálogo de " << kFilasCatalogo << " filas ("
        << QFileInfo(ruta).size() / 1024 << " KB)\n";
    out << "Base (lectura por líneas y " << kLineas << " búsquedas enlazadas): " << QString::number(msBase, 'f', 1)
        << " ms, filas encontradas " << encontradas << "\n";
    out << "Genera_Reporte: " << QString::number(msGenerador, 'f', 1) << " ms, reporte de " << largoReporte
        << " caracteres (" << largoReporte * 2 / 1024 << " KB)\n";
    out << "Proporción Genera_Reporte / base: " << QString::number(msGenerador / msBase, 'f', 2)
        << " (meta: 1.50 o menos)\n";
    out << "Base con sus búsquedas en una transacción de lectura, como el generador: "
        << QString::number(mejorUnaLectura / 1e6, 'f', 1) << " ms; proporción Genera_Reporte / esa base: "
        << QString::number(mejorGenerador / double(mejorUnaLectura), 'f', 2) << "\n";
    out << "Crecimiento de la memoria residente máxima durante un reporte: " << crecimientoKb << " KB\n";
    out.flush();

    // The command line on a response ten times as long.
    {
        QFile f(ruta);
        f.open(QIODevice::WriteOnly);
        f.write(generaRespuesta(kLineasComando));
    }
    qint64 baseComando = std::numeric_limits<qint64>::max();
    qint64 unaLecturaComando = baseComando;
    qint64 mejorComando = baseComando;
    long picoKb = 0;
    for (int i = 0; i < kRepeticiones; ++i) {
        baseComando = std::min(baseComando, base(*conexion, ruta, encontradas));
        unaLecturaComando = std::min(unaLecturaComando, base(*conexion, ruta, encontradas, true));
        qint64 ns = 0;
        long kb = 0;
        const int estado
            = ejecuta({QCoreApplication::applicationFilePath(), QStringLiteral("--comando"), QStringLiteral("reporte"),
                       QStringLiteral("--ini"), dir.filePath(QStringLiteral("Tendal.ini")), nombre},
                      ns, kb);
        if (estado != 0) {
            out << "tendal reporte terminó con " << estado << Qt::endl;
            return 1;
        }
        mejorComando = std::min(mejorComando, ns);
        picoKb = std::max(picoKb, kb);
    }
    out << "tendal reporte, respuesta M de " << kLineasComando << " líneas (" << QFileInfo(ruta).size() / (1024 * 1024)
        << " MB):\n";
    out << "  base: " << QString::number(baseComando / 1e6, 'f', 1)
        << " ms; tendal reporte: " << QString::number(mejorComando / 1e6, 'f', 1) << " ms; proporción "
        << QString::number(double(mejorComando) / double(baseComando), 'f', 2) << " (meta: 1.20 o menos)\n";
    out << "  base en una transacción de lectura: " << QString::number(unaLecturaComando / 1e6, 'f', 1)
        << " ms; proporción " << QString::number(double(mejorComando) / double(unaLecturaComando), 'f', 2) << "\n";
    out << "  memoria residente máxima del proceso: " << picoKb / 1024 << " MB (meta: menos de 100 MB)\n";
    out.flush();
    return 0;
}
