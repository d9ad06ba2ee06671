#include "core/base/Carpetas.h"

#include "core/base/Ansi.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Permisos.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

void creaPrivada(const QString &ruta)
{
    QDir dir;
    if (!dir.exists(ruta) && !dir.mkpath(ruta))
        throw ErrorTendal(ErrorTendal::RutaNoEncontrada,
                          QStringLiteral("No se pudo crear la carpeta %1").arg(QDir::toNativeSeparators(ruta)));
    Permisos::soloDueno(ruta);
}

} // namespace

Carpetas::Carpetas(QString trabajo, QString ini)
    : m_trabajo(std::move(trabajo))
    , m_ini(std::move(ini))
{
}

Carpetas Carpetas::resuelve(const QString &opcionIni, const QString &opcionTrabajo)
{
    QString ini = opcionIni;
    if (ini.isEmpty())
        ini = qEnvironmentVariable("TENDAL_INI");
    if (ini.isEmpty() && QCoreApplication::instance()) {
        const QString junto = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Tendal.ini"));
        if (QFileInfo::exists(junto))
            ini = junto;
    }
    if (ini.isEmpty())
        ini = QDir::home().filePath(QStringLiteral(".config/tendal/Tendal.ini"));

    QString trabajo = opcionTrabajo;
    if (trabajo.isEmpty())
        trabajo = qEnvironmentVariable("TENDAL_WORKDIR");
    if (trabajo.isEmpty())
        trabajo = QDir::home().filePath(QStringLiteral(".local/share/tendal"));
    return Carpetas(QDir(trabajo).absolutePath(), QFileInfo(ini).absoluteFilePath());
}

QString Carpetas::temporal() const
{
    return QDir(m_trabajo).filePath(QStringLiteral("TendalTmp"));
}

void Carpetas::preparaTrabajo() const
{
    creaPrivada(m_trabajo);
    creaPrivada(temporal());
}

QString Carpetas::carpetaBaseDatos() const
{
    const QString nombre = QDir::toNativeSeparators(m_ini);
    if (!QFileInfo(m_ini).isFile())
        throw ErrorTendal(ErrorTendal::ArchivoNoEncontrado,
                          QStringLiteral("No se encontró el archivo de inicio %1").arg(nombre));
    QString linea;
    try {
        linea = Ansi::leePrimeraLinea(m_ini);
    } catch (const ErrorTendal &) {
        throw ErrorTendal(ErrorTendal::AccesoRutaArchivo,
                          QStringLiteral("No se pudo leer el archivo de inicio %1").arg(nombre));
    }
    // A file written on this platform may end its lines with LF alone.
    linea = linea.section(u'\n', 0, 0);
    if (linea.size() < 8)
        throw ErrorTendal(
            ErrorTendal::TiposNoCoinciden,
            QStringLiteral("El archivo de inicio %1 no indica la carpeta de la base de datos: su primera línea "
                           "debe tener ocho caracteres seguidos de la carpeta")
                .arg(nombre));
    const QString carpeta = linea.mid(8).trimmed();
    if (carpeta.isEmpty())
        throw ErrorTendal(
            ErrorTendal::TiposNoCoinciden,
            QStringLiteral("El archivo de inicio %1 no indica la carpeta de la base de datos").arg(nombre));
    // A control character (a NUL left by an editor or a cut copy) is no
    // part of any folder or address.
    for (const QChar c : carpeta)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            throw ErrorTendal(ErrorTendal::TiposNoCoinciden,
                              QStringLiteral("El archivo de inicio %1 tiene un carácter de control (código %2) en "
                                             "la carpeta de la base de datos: su primera línea debe tener ocho "
                                             "caracteres seguidos de la carpeta, sin caracteres de control")
                                  .arg(nombre)
                                  .arg(c.unicode()));
    // The address of a database server (postgresql://...) is no folder.
    if (carpeta.contains(QLatin1StringView("://")))
        return carpeta;
    // A relative folder is taken from the start-up file's own folder.
    return QFileInfo(m_ini).absoluteDir().absoluteFilePath(carpeta);
}

QString Carpetas::enTrabajo(const QString &nombre) const
{
    return QDir(m_trabajo).filePath(nombre);
}

QString Carpetas::enTemporal(const QString &nombre) const
{
    return QDir(temporal()).filePath(nombre);
}
