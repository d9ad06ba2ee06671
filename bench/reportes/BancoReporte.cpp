// The report builder on a generated M response of 100,000 error lines
// against a catalogue of 20,000 ERRORESM rows. The baseline, measured in the
// same run, reads the same file line by line and runs the same number of
// bound lookups directly; the figure that matters is the ratio.

#include "core/oficina/CamposConfiguracion.h"
#include "core/db/Conexion.h"
#include "core/db/NuevaOficina.h"
#include "core/base/Reloj.h"
#include "core/db/RsParametros.h"
#include "core/reportes/DestinoTexto.h"
#include "core/reportes/GeneradorReporte.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

namespace {

constexpr int kLineas = 100000;
constexpr int kFilasCatalogo = 20000;
constexpr int kRepeticiones = 3;

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
QByteArray generaRespuesta()
{
    QByteArray bytes;
    bytes.reserve(kLineas * 22);
    for (int i = 0; i < kLineas; ++i) {
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
// with the same query, reading the same columns.
qint64 base(const Conexion &conexion, const QString &ruta, qint64 &encontradas)
{
    QElapsedTimer reloj;
    reloj.start();
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
    return reloj.nsecsElapsed();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
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
        f.write(generaRespuesta());
    }

    CamposConfiguracion campos;
    campos.Imprime_Datos(RsParametros(*conexion));
    RelojSistema reloj;
    GeneradorReporte generador(*conexion, campos, reloj);

    qint64 mejorBase = std::numeric_limits<qint64>::max();
    qint64 mejorGenerador = std::numeric_limits<qint64>::max();
    qint64 encontradas = 0;
    qsizetype largoReporte = 0;
    long crecimientoKb = 0;
    for (int i = 0; i < kRepeticiones; ++i) {
        mejorBase = std::min(mejorBase, base(*conexion, ruta, encontradas));

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
    out << "Crecimiento de la memoria residente máxima durante un reporte: " << crecimientoKb << " KB\n";
    out.flush();
    return 0;
}
