// The memory a response costs: the peak resident size of a `tendal recibir`
// of its own (the kernel's ru_maxrss of the child, its VmHWM when it ended)
// that receives one response of a given size from a pyftpdlib server on the
// loopback interface and stores it, against the same for a small response,
// measured in the same run. A response is copied block by block and the
// journal keeps the bytes of small ones only, so the peak must not grow
// with the response.
//
// Then the copy of a file to send into TendalTmp with its SHA-256, in one
// pass, for a 100 MB file, against the copy as the program made it before
// (buffered, with Qt's SHA-256), measured in turns.
//
//   banco_memoria [MIB]    the large response's size (2048 by default)

#include "core/base/CopiaBloques.h"
#include "core/base/Huella.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/ServidorFtp.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char **environ;

namespace {

struct Medida {
    long picoKiB = 0;
    qint64 ms = 0;
    int estado = -1;
};

// One `tendal recibir` for one response of `tamano` bytes.
Medida recibe(qint64 tamano)
{
    ServidorFtp servidor;
    Oficina oficina;
    servidor.apunta(oficina);
    const QString sagarpa = oficina.carpeta(QStringLiteral("sag_rec"));
    oficina.carga().listaRecepcion().agrega({QStringLiteral("S0123005.045"), QStringLiteral("X"), QString(),
                                             QStringLiteral("10:30 a. m."), QString(), QStringLiteral("/sagarpaout"),
                                             QString(), QStringLiteral("x0123005.045"), sagarpa, QStringLiteral("8")});
    {
        // Written in blocks: the benchmark holds no more of it than the program.
        QFile f(servidor.ruta(QStringLiteral("/sagarpaout/x0123005.045")));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("no se pudo escribir la respuesta");
        QByteArray bloque(1 << 20, 'R');
        for (qint64 hecho = 0; hecho < tamano; hecho += bloque.size())
            f.write(bloque.constData(), qMin<qint64>(bloque.size(), tamano - hecho));
    }
    const QByteArray programa = QByteArrayLiteral(TENDAL);
    const QByteArray ini = QFile::encodeName(oficina.ini());
    const QByteArray trabajo = QFile::encodeName(oficina.trabajo());
    const char *argv[] = {programa.constData(), "--ini", ini.constData(), "--workdir", trabajo.constData(), "recibir",
                          "--espera",           "900",   nullptr};
    QElapsedTimer reloj;
    reloj.start();
    pid_t pid = 0;
    posix_spawn_file_actions_t acciones;
    posix_spawn_file_actions_init(&acciones);
    posix_spawn_file_actions_addopen(&acciones, 1, "/dev/null", O_WRONLY, 0);
    const int r = posix_spawn(&pid, programa.constData(), &acciones, nullptr, const_cast<char **>(argv), environ);
    posix_spawn_file_actions_destroy(&acciones);
    if (r != 0)
        qFatal("no arrancó tendal");
    int estado = 0;
    rusage uso {};
    if (wait4(pid, &estado, 0, &uso) != pid)
        qFatal("no se pudo esperar a tendal");
    Medida m;
    m.ms = reloj.elapsed();
    m.picoKiB = uso.ru_maxrss;
    m.estado = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
    if (QFileInfo(QDir(sagarpa).filePath(QStringLiteral("x0123005.045"))).size() != tamano)
        qFatal("la respuesta no quedó guardada entera");
    return m;
}

// The copy of a file to send with its print, as the send makes it, in ms.
qint64 copiaConHuella(const QString &origen, const QString &destino)
{
    QElapsedTimer reloj;
    reloj.start();
    QFile entrada(origen);
    entrada.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    QSaveFile salida(destino);
    salida.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    Huella huella;
    CopiaBloques copia(salida);
    if (!copia.copia(entrada, [&](const char *d, qint64 n) { huella.agrega(d, n); }) || !salida.commit()
        || huella.sha256().isEmpty())
        qFatal("falló la copia");
    return reloj.elapsed();
}

// The same copy as the program made it before: buffered reads and writes,
// and Qt's SHA-256.
qint64 copiaComoAntes(const QString &origen, const QString &destino)
{
    QElapsedTimer reloj;
    reloj.start();
    QFile entrada(origen);
    entrada.open(QIODevice::ReadOnly);
    QSaveFile salida(destino);
    salida.open(QIODevice::WriteOnly);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    while (!entrada.atEnd()) {
        const QByteArray bloque = entrada.read(1 << 20);
        salida.write(bloque);
        hash.addData(bloque);
    }
    if (!salida.commit() || hash.result().isEmpty())
        qFatal("falló la copia");
    return reloj.elapsed();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 2048;
    QTextStream out(stdout);

    const Medida pequena = recibe(4096);
    const Medida grande = recibe(mib << 20);
    out << "tendal recibir, una respuesta (pico de memoria residente del proceso):\n";
    out << QStringLiteral("  4 KiB      %1 MiB  %2 ms  (salida %3)\n")
               .arg(pequena.picoKiB / 1024.0, 0, 'f', 1)
               .arg(pequena.ms)
               .arg(pequena.estado);
    out << QStringLiteral("  %1 MiB  %2 MiB  %3 ms  (salida %4)\n")
               .arg(mib)
               .arg(grande.picoKiB / 1024.0, 0, 'f', 1)
               .arg(grande.ms)
               .arg(grande.estado);
    out << QStringLiteral("  razón %1x (meta: que no crezca con la respuesta)\n")
               .arg(double(grande.picoKiB) / double(pequena.picoKiB), 0, 'f', 2);
    out.flush();

    QTemporaryDir dir;
    const QString origen = dir.filePath(QStringLiteral("M0123001.045"));
    {
        QFile f(origen);
        f.open(QIODevice::WriteOnly);
        QByteArray bloque(1 << 20, Qt::Uninitialized);
        for (int i = 0; i < bloque.size(); ++i)
            bloque[i] = char(i * 31);
        for (int i = 0; i < 100; ++i)
            f.write(bloque);
    }
    QList<qint64> ahora;
    QList<qint64> antes;
    for (int i = 0; i < 7; ++i) {
        antes << copiaComoAntes(origen, dir.filePath(QStringLiteral("copia")));
        ahora << copiaConHuella(origen, dir.filePath(QStringLiteral("copia")));
    }
    std::sort(ahora.begin(), ahora.end());
    std::sort(antes.begin(), antes.end());
    out << QStringLiteral("copia de 100 MB a enviar con su SHA-256: %1 ms; como antes (Qt): %2 ms; razón %3x "
                          "(medianas de 7, en turnos)\n")
               .arg(ahora.at(3))
               .arg(antes.at(3))
               .arg(double(ahora.at(3)) / double(antes.at(3)), 0, 'f', 2);
    return 0;
}
