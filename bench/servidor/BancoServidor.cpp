// The office on a PostgreSQL server (a cluster of the benchmark's own,
// tests/soporte/ClusterPostgres) against the office on its SQLite file.
//
// 1. The receive tick with 300 awaited files and 10 responses ready, on one
//    office on the file and one on the server, against one pyftpdlib server
//    on the loopback interface, rounds taken in turns. The baseline is the
//    tick on the file; the goal is the tick on the server within 1.5x.
// 2. Three workstations on the server office polling together: three
//    programs whose ticks run at once, round after round, until every
//    response is in. From the server's log: each response downloaded once,
//    and each tick of each workstation lists the server folder once.
//
//   banco_servidor [RONDAS]

#include "bench/soporte/RecepcionBanco.h"
#include "core/oficina/Programa.h"
#include "core/recepcion/CicloRecepcion.h"
#include "tests/soporte/ClusterPostgres.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/ServidorFtp.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <vector>

namespace {

using namespace RecepcionBanco;

constexpr int kArchivos = 300;
constexpr int kListas = 10;

// One office (file or server) with its 300 awaited files and its cycle.
struct Puesto {
    explicit Puesto(ServidorFtp &servidor)
    {
        servidor.apunta(oficina);
        programa = &oficina.carga();
        for (int i = 1; i <= kArchivos; ++i)
            programa->listaRecepcion().agrega(entrada(nombre(i), oficina.carpeta(QStringLiteral("val_rec")), false));
        ciclo = std::make_unique<CicloRecepcion>(*programa);
    }
    // Back to 300 awaited files and nothing received.
    void reinicia()
    {
        Programa &p = *programa;
        p.listaEnvio().limpia();
        // Stored once: the journal forgets them (their bytes first).
        p.conexion().ejecuta(QStringLiteral("DELETE FROM RESPUESTA_CONTENIDO"));
        p.conexion().ejecuta(QStringLiteral("DELETE FROM RESPUESTA"));
        for (int i = 0; i < p.listaRecepcion().cuenta(); ++i)
            if (!p.listaRecepcion().celda(i, ListaRecepcion::Val).isEmpty())
                p.listaRecepcion().cambiaCelda(i, ListaRecepcion::Val, QString());
        QDir recepcion(oficina.carpeta(QStringLiteral("val_rec")));
        for (const QString &n : recepcion.entryList(QDir::Files))
            recepcion.remove(n);
    }
    double tick()
    {
        reinicia();
        QElapsedTimer t;
        t.start();
        QCoro::waitFor(ciclo->tick());
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (programa->listaEnvio().cuenta() != kListas)
            qFatal("el tick recibió %d respuestas en vez de %d (%s)", programa->listaEnvio().cuenta(), kListas,
                   qPrintable(oficina.dialogos.textos().join(u'|')));
        return ms;
    }
    Oficina oficina;
    Programa *programa = nullptr;
    std::unique_ptr<CicloRecepcion> ciclo;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    if (const QString no = ClusterPostgres::noDisponible(); !no.isEmpty()) {
        out << "banco_servidor: " << no << Qt::endl;
        return 1;
    }
    const int rondas = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 7;

    ServidorFtp servidor;
    const QByteArray respuesta = RecepcionBanco::respuesta();
    for (int i = kArchivos / kListas; i <= kArchivos; i += kArchivos / kListas)
        servidor.escribe(kCarpeta + u'/' + validacion(i), respuesta);

    // 1. The same tick on the file and on the server.
    qunsetenv("TENDAL_PRUEBA_BASE");
    Puesto archivo(servidor);
    qputenv("TENDAL_PRUEBA_BASE", "postgresql");
    Puesto enServidor(servidor);
    archivo.tick(); // warm-up
    enServidor.tick();
    QList<double> enArchivo, enPostgres;
    for (int r = 0; r < rondas; ++r) {
        enArchivo << archivo.tick();
        enPostgres << enServidor.tick();
    }
    const double a = mediana(enArchivo);
    const double s = mediana(enPostgres);
    out << QStringLiteral("Tick de recepción: %1 archivos en espera, %2 respuestas listas, %3 rondas\n")
               .arg(kArchivos)
               .arg(kListas)
               .arg(rondas);
    out << QStringLiteral("  oficina en el archivo SQLite (línea base): mediana %1 ms\n").arg(a, 0, 'f', 1);
    out << QStringLiteral("  oficina en PostgreSQL:                     mediana %1 ms\n").arg(s, 0, 'f', 1);
    out << QStringLiteral("  PostgreSQL / archivo: %1x; objetivo <= 1.5x\n").arg(s / a, 0, 'f', 2);

    // 2. Three workstations on one server office, polling together.
    Oficina oficina;
    servidor.apunta(oficina);
    {
        Programa &p = oficina.carga();
        for (int i = 1; i <= kArchivos; ++i)
            p.listaRecepcion().agrega(entrada(nombre(i), oficina.carpeta(QStringLiteral("val_rec")), false));
    }
    struct Equipo {
        DialogosGuion dialogos;
        std::unique_ptr<Programa> programa;
        std::unique_ptr<CicloRecepcion> ciclo;
    };
    std::array<Equipo, 3> equipos;
    for (Equipo &e : equipos) {
        e.programa = std::make_unique<Programa>(Carpetas(oficina.trabajo(), oficina.ini()), oficina.reloj, e.dialogos,
                                                oficina.limitesFtp);
        e.programa->carga();
        e.ciclo = std::make_unique<CicloRecepcion>(*e.programa);
    }
    const qsizetype antes = servidor.transferencias().size();
    int ticks = 0;
    QElapsedTimer t;
    t.start();
    for (int vuelta = 0; vuelta < 5; ++vuelta) {
        std::vector<QCoro::Task<>> corriendo;
        for (Equipo &e : equipos)
            corriendo.push_back(e.ciclo->tick());
        for (auto &tarea : corriendo)
            QCoro::waitFor(std::move(tarea));
        ticks += int(equipos.size());
    }
    const double ms = double(t.nsecsElapsed()) / 1e6;
    const QStringList log = servidor.transferencias().mid(antes);
    QHash<QString, int> bajadas;
    int listados = 0;
    for (const QString &linea : log) {
        if (linea.startsWith(QStringLiteral("RETR ")))
            ++bajadas[linea.mid(5)];
        else if (linea.startsWith(QStringLiteral("NLST ")))
            ++listados;
    }
    int repetidas = 0;
    for (int n : std::as_const(bajadas))
        repetidas += n - 1;
    QSqlQuery q = oficina.programa().conexion().ejecuta(QStringLiteral("SELECT COUNT(*) FROM RESPUESTA"));
    const int guardadas = q.next() ? q.value(0).toInt() : -1;
    out << QStringLiteral("Tres equipos a la vez en la oficina en PostgreSQL: %1 ticks en %2 ms\n")
               .arg(ticks)
               .arg(ms, 0, 'f', 0);
    out << QStringLiteral("  respuestas descargadas: %1 (%2 repetidas), guardadas: %3 de %4\n")
               .arg(bajadas.size())
               .arg(repetidas)
               .arg(guardadas)
               .arg(kListas);
    out << QStringLiteral("  listados de la carpeta: %1 en %2 ticks (%3 por tick)\n")
               .arg(listados)
               .arg(ticks)
               .arg(double(listados) / ticks, 0, 'f', 2);
    out.flush();
    return 0;
}
