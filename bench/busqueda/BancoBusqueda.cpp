// The search that fills the agency file list, over a send folder of 50,000
// files, against a plain read of the same folder measured in the same run:
// the figure that matters is the ratio (target: within 2x). Two searches:
// the day's files (one file in ten matches) and every day (all match, so
// every name is sorted and listed).

#include "core/base/Carpetas.h"
#include "core/base/Dialogos.h"
#include "core/db/NuevaOficina.h"
#include "core/oficina/Programa.h"
#include "core/base/Reloj.h"
#include "core/recepcion/CicloRecepcion.h"
#include "core/principal/Principal.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

constexpr int kArchivos = 50000;
constexpr int kRepeticiones = 7;

class DialogosMudos : public Dialogos
{
public:
    Respuesta mensaje(const QString &, const QString &, Icono, Botones) override { return Respuesta::Aceptar; }
    std::optional<QString> pideClave() override { return std::nullopt; }
    std::optional<QString> eligeCarpeta(const QString &) override { return std::nullopt; }
    std::optional<QString> eligeArchivo(const QString &, const QString &) override { return std::nullopt; }
    bool preparaImpresion(QPrinter &) override { return false; }
};

// Julian files of patente 123: days 040 to 049 (one in ten of day 045), a
// few of another patente and other types.
void llenaCarpeta(const QString &carpeta)
{
    for (int i = 0; i < kArchivos; ++i) {
        const int dia = 40 + i % 10;
        const char tipo = i % 50 == 0 ? 'D' : 'M';
        const int patente = i % 97 == 0 ? 124 : 123;
        const QString nombre = QStringLiteral("%1%2%3.%4")
                                   .arg(QLatin1Char(tipo))
                                   .arg(patente, 4, 10, QLatin1Char('0'))
                                   .arg(i, 5, 10, QLatin1Char('0'))
                                   .arg(dia, 3, 10, QLatin1Char('0'));
        QFile f(QDir(carpeta).filePath(nombre));
        f.open(QIODevice::WriteOnly);
    }
}

// The best of several runs, in milliseconds.
double mide(const std::function<void()> &trabajo)
{
    double mejor = 1e18;
    for (int r = 0; r < kRepeticiones; ++r) {
        QElapsedTimer t;
        t.start();
        trabajo();
        mejor = std::min(mejor, t.nsecsElapsed() / 1e6);
    }
    return mejor;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    NuevaOficina nueva;
    nueva.patente = 123;
    nueva.agente = QStringLiteral("BANCO");
    nueva.carpetaDatos = dir.filePath(QStringLiteral("datos"));
    const QString ini = dir.filePath(QStringLiteral("Tendal.ini"));
    nueva.crea(ini);
    const QString envio = NuevaOficina::carpetaLocal(nueva.carpetaDatos, QStringLiteral("val_env"));
    out << "Creando " << kArchivos << " archivos en la carpeta de envío..." << Qt::endl;
    llenaCarpeta(envio);

    RelojFijo reloj(QDateTime(QDate(2026, 2, 14), QTime(10, 30)));
    DialogosMudos dialogos;
    Programa programa(Carpetas(dir.filePath(QStringLiteral("trabajo")), ini), reloj, dialogos);
    programa.carga();
    CicloRecepcion ciclo(programa);
    Principal principal(programa, ciclo);
    principal.inicia();

    qsizetype leidos = 0;
    const double base = mide([&] {
        QStringList nombres;
        QDirIterator it(envio, QDir::Files);
        while (it.hasNext()) {
            it.next();
            nombres.append(it.fileName());
        }
        leidos = nombres.size();
    });
    principal.elige(Principal::Dia, 0);
    const double delDia = mide([&] { principal.busca(); });
    const qsizetype listadosDia = principal.archivos().cuenta();
    principal.elige(Principal::Dia, 1);
    const double todos = mide([&] { principal.busca(); });
    const qsizetype listadosTodos = principal.archivos().cuenta();

    out << Qt::fixed;
    out.setRealNumberPrecision(1);
    out << "Lectura simple de la carpeta (" << leidos << " archivos): " << base << " ms" << Qt::endl;
    out << "Búsqueda del día (" << listadosDia << " listados): " << delDia << " ms, razón ";
    out.setRealNumberPrecision(2);
    out << delDia / base << Qt::endl;
    out.setRealNumberPrecision(1);
    out << "Búsqueda de todos los días (" << listadosTodos << " listados): " << todos << " ms, razón ";
    out.setRealNumberPrecision(2);
    out << todos / base << Qt::endl;
    return 0;
}
