#include "core/recepcion/AlmacenRespuesta.h"

#include "core/base/CopiaBloques.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Huella.h"
#include "core/base/Reloj.h"
#include "core/db/Conexion.h"
#include "core/db/HorasServidor.h"
#include "core/oficina/Programa.h"

#include <QCoro/QCoroFuture>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>

#include <QtConcurrent/QtConcurrentRun>

#include <cerrno>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Files a program killed while storing its responses leaves behind: its
// download in TendalTmp (NAME.PID-N) and its copy in the reception folder
// (NAME.PID-N.parte), never under the response's own name. A program that is
// storing takes seconds from its download to its rename, and may run on
// another workstation that shares the folder (its PID means nothing here),
// so only those untouched for an hour go.
void borraRestosViejos(const QString &carpeta)
{
    static const QRegularExpression resto(QStringLiteral("^.+\\.\\d+-\\d+(\\.parte)?$"));
    const QDateTime limite = QDateTime::currentDateTimeUtc().addSecs(-3600);
    QDirIterator it(carpeta, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        const QFileInfo f = it.nextFileInfo();
        if (resto.match(f.fileName()).hasMatch() && f.lastModified() < limite)
            QFile::remove(f.filePath());
    }
}

// Makes the names given in a folder (the renames into it) durable.
void sincronizaCarpeta(const QString &carpeta)
{
    const int fd = ::open(QFile::encodeName(carpeta).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        if (CopiaBloques::esDiscoLleno(error))
            throw CopiaBloques::errorDeEscritura(error, QFileInfo(carpeta).fileName(), carpeta);
        throw ErrorTendal::conNumero(ErrorTendal::AccesoRutaArchivo, QDir::toNativeSeparators(carpeta));
    }
    ::close(fd);
}

// A file already under the response's name (an earlier response of the same
// name: another file sent that expects it, or the same file sent again) is
// never overwritten: it moves to the folder "anteriores" beside it as
// NOMBRE.1, NOMBRE.2, ..., and the journal follows it there.
void apartaAnterior(const QString &destino, Diario &diario)
{
    if (!QFileInfo::exists(destino))
        return;
    const QFileInfo info(destino);
    const QDir anteriores(info.dir().filePath(QStringLiteral("anteriores")));
    if (!anteriores.exists() && !QDir().mkpath(anteriores.path()))
        throw ErrorTendal::conNumero(ErrorTendal::PermisoDenegado, QDir::toNativeSeparators(anteriores.path()));
    int n = 1;
    while (QFileInfo::exists(anteriores.filePath(info.fileName() + u'.' + QString::number(n))))
        ++n;
    const QString aparte = anteriores.filePath(info.fileName() + u'.' + QString::number(n));
    if (!QFile::rename(destino, aparte))
        throw ErrorTendal::conNumero(ErrorTendal::PermisoDenegado, QDir::toNativeSeparators(destino));
    diario.mueveRuta(destino, aparte);
}

// The copies of a tick: one per response, or the failure of its copy.
struct Copias {
    QList<std::optional<AlmacenRespuesta::Copia>> hechas;
    std::optional<ErrorTendal> fallo; // the first copy that failed
};

} // namespace

AlmacenRespuesta::AlmacenRespuesta(Programa &programa)
    : m_programa(programa)
{
    m_disco.setMaxThreadCount(1);
}

AlmacenRespuesta::~AlmacenRespuesta()
{
    m_disco.waitForDone();
}

AlmacenRespuesta::Copia AlmacenRespuesta::copia(const QString &origen, const QString &parte, const QString &archivo,
                                                bool sincroniza)
{
    const QString carpeta = QFileInfo(parte).absolutePath();
    if (!QFileInfo(carpeta).isDir())
        throw ErrorTendal::conNumero(ErrorTendal::RutaNoEncontrada, QDir::toNativeSeparators(carpeta));
    QFile entrada(origen);
    if (!entrada.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw ErrorTendal::conNumero(ErrorTendal::AccesoRutaArchivo, QDir::toNativeSeparators(origen));
    QFile salida(parte);
    if (!salida.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw ErrorTendal::conNumero(ErrorTendal::PermisoDenegado, QDir::toNativeSeparators(parte));
    // The bytes are kept for the journal only while they fit in it: a larger
    // response is copied with one block in memory.
    const qint64 maximo = Diario::contenidoMaximo();
    Huella huella;
    std::optional<QByteArray> contenido;
    if (entrada.size() <= maximo) {
        contenido.emplace();
        contenido->reserve(entrada.size());
    }
    CopiaBloques bloques(salida);
    const bool hecho = bloques.copia(entrada, [&](const char *datos, qint64 largo) {
        huella.agrega(datos, largo);
        if (contenido && contenido->size() + largo > maximo)
            contenido.reset(); // it grew while it was copied
        if (contenido)
            contenido->append(datos, largo);
    }) && (!sincroniza || bloques.sincroniza(salida));
    if (!hecho) {
        CopiaBloques::descarta(salida);
        throw bloques.error(archivo, bloques.falloDeLectura() ? QFileInfo(origen).absolutePath() : carpeta);
    }
    salida.close();
    return {parte, huella.tamano(), huella.sha256(), std::move(contenido)};
}

QCoro::Task<AlmacenRespuesta::Resultado> AlmacenRespuesta::guarda(QList<Pendiente> pendientes,
                                                                  std::function<bool(qsizetype)> sigueEsperada)
{
    // The leftovers of killed programs go from TendalTmp at the first store
    // of the run, and from a reception folder the first time a response is
    // stored there.
    QStringList barrer;
    const auto barre = [&](const QString &carpeta) {
        if (!m_barridas.contains(carpeta)) {
            m_barridas.insert(carpeta);
            barrer.append(carpeta);
        }
    };
    barre(m_programa.carpetas().temporal());
    for (const Pendiente &p : std::as_const(pendientes))
        barre(p.carpetaLocal);
    Resultado resultado;
    resultado.guardados.resize(pendientes.size());
    if (pendientes.isEmpty() && barrer.isEmpty())
        co_return resultado;

    // Copied to the reception folders and synced, off the owner's thread.
    // Awaited as a named future, as everywhere here: with this compiler,
    // awaiting the temporary in place freed the captured list twice (the
    // address sanitizer saw it).
    QFuture<Copias> futuro = QtConcurrent::run(&m_disco, [pendientes, barrer] {
        for (const QString &c : barrer)
            borraRestosViejos(c);
        Copias copias;
        for (const Pendiente &p : pendientes) {
            const QString parte
                = QDir(p.carpetaLocal).filePath(QFileInfo(p.temporal).fileName() + QStringLiteral(".parte"));
            try {
                copias.hechas.append(copia(p.temporal, parte, p.archivo, false));
            } catch (const ErrorTendal &e) {
                // The others are stored all the same; this one is fetched
                // again.
                copias.hechas.append(std::nullopt);
                if (!copias.fallo)
                    copias.fallo = e;
            }
        }
        // All written, then all synced: one sync of the file system for
        // the tick. A copy that does not reach the disk goes,
        // like one that failed to be written.
        QStringList escritas;
        QList<qsizetype> cuales;
        for (qsizetype i = 0; i < copias.hechas.size(); ++i)
            if (copias.hechas.at(i)) {
                escritas.append(copias.hechas.at(i)->parte);
                cuales.append(i);
            }
        const QList<int> errores = CopiaBloques::sincronizaJuntos(escritas);
        for (qsizetype k = 0; k < cuales.size(); ++k) {
            if (errores.at(k) == 0)
                continue;
            const Pendiente &p = pendientes.at(cuales.at(k));
            QFile::remove(escritas.at(k));
            copias.hechas[cuales.at(k)].reset();
            if (!copias.fallo)
                copias.fallo = CopiaBloques::errorDeEscritura(errores.at(k), p.archivo, p.carpetaLocal);
        }
        return copias;
    });
    const Copias copias = co_await futuro;
    if (pendientes.isEmpty())
        co_return resultado;
    if (trasPaso)
        trasPaso(Paso::Copiadas);

    // The ones still awaited.
    Registro registro;
    registro.base = m_programa.conexion().ruta();
    registro.momento = m_programa.reloj().ahora();
    registro.trasPaso = trasPaso;
    QList<qsizetype> cuales;
    for (qsizetype i = 0; i < pendientes.size(); ++i) {
        const Pendiente &p = pendientes.at(i);
        const auto &c = copias.hechas.at(i);
        if (c)
            registro.sobrantes.append(c->parte);
        registro.descargas.append(p.temporal);
        if (!c || !sigueEsperada(i))
            continue;
        cuales.append(i);
        registro.nuevas.append({p.transmision, p.clase, p.archivo, p.icono, c->tamano, c->sha256,
                                c->contenido.value_or(QByteArray()), !c->contenido.has_value()});
        registro.destinos.append({c->parte, p.carpetaLocal, p.archivo, p.horaServidor});
    }

    // Recorded on the worker, on a connection of its own: the journal's
    // transaction, the renames, the folders' syncs and the commit never hold
    // the owner's thread (the window's), however many responses a tick
    // brings.
    QFuture<Registrado> enDisco = QtConcurrent::run(&m_disco, [registro] { return registra(registro); });
    const Registrado registrado = co_await enDisco;
    if (registrado.error)
        std::rethrow_exception(registrado.error);
    if (trasPaso)
        trasPaso(Paso::Confirmadas);

    const Diario::Lote &lote = registrado.lote;
    for (qsizetype k = 0; k < lote.guardados.size(); ++k) {
        const auto &g = lote.guardados.at(k);
        if (g)
            resultado.guardados[cuales.at(k)] = g;
        else if (!lote.fallo)
            resultado.deOtro = true;
    }
    if (lote.fallo)
        resultado.fallo = lote.fallo;
    else if (copias.fallo)
        resultado.fallo = std::make_exception_ptr(*copias.fallo);
    co_return resultado;
}

AlmacenRespuesta::Registrado AlmacenRespuesta::registra(const Registro &registro)
{
    Registrado registrado;
    // What is not stored goes, whatever happens below: a copy not renamed
    // into place, and every download (a response not stored is fetched
    // again).
    const auto limpia = qScopeGuard([&] {
        for (const QString &parte : registro.sobrantes)
            QFile::remove(parte);
        for (const QString &descarga : registro.descargas)
            QFile::remove(descarga);
    });
    try {
        // Stored once: the journal marks each response received only if no
        // other program did, and in the same transaction its file takes its
        // name (an earlier file of that name kept aside) and it is recorded.
        // The folders are synced before the commit, so a response marked
        // received is whole on the disk; a failure leaves it unmarked, and
        // it is fetched again on the next tick.
        const auto conexion = Conexion::abreArchivo(registro.base);
        Diario diario(*conexion);
        QStringList carpetas;
        registrado.lote = diario.guardaRespuestas(
            registro.nuevas, registro.momento,
            [&](qsizetype k) {
                const Destino &d = registro.destinos.at(k);
                const QString destino = QDir(d.carpeta).filePath(d.archivo);
                if (QFileInfo::exists(destino)) {
                    apartaAnterior(destino, diario);
                    carpetas.append(QDir(d.carpeta).filePath(QStringLiteral("anteriores")));
                }
                std::error_code fallo;
                std::filesystem::rename(d.parte.toStdU16String(), destino.toStdU16String(), fallo);
                if (fallo)
                    throw ErrorTendal::conNumero(ErrorTendal::PermisoDenegado, QDir::toNativeSeparators(destino));
                carpetas.append(d.carpeta);
                return destino;
            },
            [&] {
                if (registro.trasPaso)
                    registro.trasPaso(Paso::Renombradas);
                carpetas.removeDuplicates();
                for (const QString &c : std::as_const(carpetas))
                    sincronizaCarpeta(c);
            });
        // The server's times of the responses, after the commit and in one
        // transaction of their own: only the history's detail, the
        // responses are stored.
        try {
            const HorasServidor horas(*conexion);
            conexion->enTransaccion([&] {
                for (qsizetype k = 0; k < registrado.lote.guardados.size(); ++k)
                    if (const auto &g = registrado.lote.guardados.at(k); g && registro.destinos.at(k).hora)
                        horas.anotaRespuesta(g->respuesta, *registro.destinos.at(k).hora);
            });
        } catch (const ErrorTendal &) {
            // Only the history's detail: the responses are stored.
        }
    } catch (...) {
        registrado.error = std::current_exception();
    }
    return registrado;
}
