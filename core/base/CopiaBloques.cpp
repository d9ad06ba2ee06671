#include "core/base/CopiaBloques.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QIODevice>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
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

QList<int> CopiaBloques::sincronizaJuntos(const QStringList &rutas)
{
    QList<int> errores(rutas.size(), 0);
    // In groups, so that a tick with thousands of responses keeps few files
    // open.
    constexpr qsizetype kGrupo = 256;
    for (qsizetype inicio = 0; inicio < rutas.size(); inicio += kGrupo) {
        const qsizetype fin = std::min(rutas.size(), inicio + kGrupo);
        QList<int> fds;
        for (qsizetype i = inicio; i < fin; ++i) {
            const int fd = ::open(QFile::encodeName(rutas.at(i)).constData(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                errores[i] = errno;
#ifdef __linux__
            // Starts the writing of its blocks without waiting for it.
            else
                ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
            fds.append(fd);
        }
        for (qsizetype i = inicio; i < fin; ++i) {
            const int fd = fds.at(i - inicio);
            if (fd < 0)
                continue;
            if (::fsync(fd) != 0)
                errores[i] = errno;
            ::close(fd);
        }
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
