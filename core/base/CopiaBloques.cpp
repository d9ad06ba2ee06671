#include "core/base/CopiaBloques.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QIODevice>
#include <QMap>
#include <QSaveFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Why a write failed, in the person's words, for the errors a file system
// gives.
QString porque(int errorSistema)
{
    switch (errorSistema) {
    case EFBIG:
        return QStringLiteral("el archivo excede el tamaño que el sistema permite");
    case EIO:
        return QStringLiteral("error de entrada o salida del disco");
    case EROFS:
        return QStringLiteral("el disco es de solo lectura");
    case EACCES:
    case EPERM:
        return QStringLiteral("permiso denegado");
    case 0:
        return QStringLiteral("el sistema no dijo por qué");
    default:
        return QStringLiteral("error %1 del sistema").arg(errorSistema);
    }
}

} // namespace

CopiaBloques::CopiaBloques(QIODevice &destino)
    : m_destino(destino)
{
}

bool CopiaBloques::escribe(const char *datos, qint64 largo)
{
    for (qint64 hecho = 0; hecho < largo;) {
        errno = 0;
        const qint64 n = m_destino.write(datos + hecho, largo - hecho);
        const int error = errno;
        if (n <= 0) {
            m_fallo = Fallo::Escritura;
            m_errorSistema = error;
            // Qt tells a full disk apart even when errno was lost on the way.
            const auto *archivo = qobject_cast<const QFileDevice *>(&m_destino);
            if (archivo && archivo->error() == QFileDevice::ResourceError && !esDiscoLleno(error))
                m_errorSistema = ENOSPC;
            return false;
        }
        hecho += n;
        m_escritos += n;
    }
    return true;
}

bool CopiaBloques::copia(QIODevice &origen, const std::function<void(const char *, qint64)> &cadaBloque)
{
    QByteArray bloque(kBloque, Qt::Uninitialized);
    for (;;) {
        const qint64 n = origen.read(bloque.data(), kBloque);
        if (n < 0) {
            m_fallo = Fallo::Lectura;
            return false;
        }
        if (n == 0)
            return true;
        if (cadaBloque)
            cadaBloque(bloque.constData(), n);
        if (!escribe(bloque.constData(), n))
            return false;
    }
}

bool CopiaBloques::sincroniza(QFileDevice &archivo)
{
    errno = 0;
    if (!archivo.flush() || ::fsync(archivo.handle()) != 0) {
        m_fallo = Fallo::Escritura;
        m_errorSistema = errno;
        return false;
    }
    return true;
}

namespace {

// Each file forced to the disk on its own: 0 or the errno of its failure.
int sincronizaUno(const QString &ruta)
{
    const int fd = ::open(QFile::encodeName(ruta).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

} // namespace

QList<int> CopiaBloques::sincronizaJuntos(const QStringList &rutas)
{
    QList<int> errores(rutas.size(), 0);
    // The files of each file system. Every fsync ends with a flush of the
    // disk's cache (a few milliseconds even when the file system's journal
    // holds nothing new), so several files on one file system are synced by
    // one syncfs: their data and the journal written, one flush. It may
    // also write what other programs left in memory for that file system,
    // and it reports a failure for the file system, not the file: then each
    // is synced on its own, to know which.
    QMap<quint64, QList<qsizetype>> porSistema;
    for (qsizetype i = 0; i < rutas.size(); ++i) {
        struct stat datos {
        };
        if (::stat(QFile::encodeName(rutas.at(i)).constData(), &datos) != 0)
            errores[i] = errno;
        else
            porSistema[quint64(datos.st_dev)].append(i);
    }
    for (const QList<qsizetype> &cuales : std::as_const(porSistema)) {
#ifdef __linux__
        if (cuales.size() > 1) {
            const int fd = ::open(QFile::encodeName(rutas.at(cuales.first())).constData(), O_RDONLY | O_CLOEXEC);
            const bool hecho = fd >= 0 && ::syncfs(fd) == 0;
            if (fd >= 0)
                ::close(fd);
            if (hecho)
                continue;
        }
#endif
        for (const qsizetype i : cuales)
            errores[i] = sincronizaUno(rutas.at(i));
    }
    return errores;
}

ErrorTendal CopiaBloques::error(const QString &nombre, const QString &carpeta) const
{
    if (m_fallo == Fallo::Lectura)
        return ErrorTendal::conNumero(ErrorTendal::AccesoRutaArchivo,
                                      QStringLiteral("no se pudo leer el archivo %1 de la carpeta %2")
                                          .arg(nombre, QDir::toNativeSeparators(carpeta)));
    return errorDeEscritura(m_errorSistema, nombre, carpeta);
}

bool CopiaBloques::esDiscoLleno(int errorSistema)
{
    return errorSistema == ENOSPC || errorSistema == EDQUOT;
}

ErrorTendal CopiaBloques::errorDeEscritura(int errorSistema, const QString &nombre, const QString &carpeta)
{
    const QString donde = QDir::toNativeSeparators(carpeta);
    if (errorSistema == ENOSPC)
        return ErrorTendal::conNumero(
            ErrorTendal::DiscoLleno,
            QStringLiteral("no hay espacio para el archivo %1 en la carpeta %2").arg(nombre, donde));
    if (errorSistema == EDQUOT)
        return ErrorTendal::conNumero(
            ErrorTendal::DiscoLleno,
            QStringLiteral(
                "no hay espacio para el archivo %1 en la carpeta %2 (se agotó la cuota de disco del usuario)")
                .arg(nombre, donde));
    return ErrorTendal::conNumero(ErrorTendal::AccesoRutaArchivo,
                                  QStringLiteral("no se pudo escribir el archivo %1 en la carpeta %2 (%3)")
                                      .arg(nombre, donde, porque(errorSistema)));
}

void CopiaBloques::descarta(QFileDevice &archivo)
{
    if (auto *guardado = qobject_cast<QSaveFile *>(&archivo)) {
        // A commit after cancelWriting() deletes the temporary file and never
        // touches the target.
        if (guardado->isOpen()) {
            guardado->cancelWriting();
            guardado->commit();
        }
        return;
    }
    const QString ruta = archivo.fileName();
    archivo.close();
    QFile::remove(ruta);
}
