#include "tests/soporte/ServidorFtp.h"

#include "tests/soporte/Oficina.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr int esperaMs = 15000;

} // namespace

ServidorFtp::ServidorFtp(const QString &raiz, const Cuentas &cuentas)
{
    if (raiz.isEmpty()) {
        m_dirPropio = std::make_unique<QTemporaryDir>();
        if (!m_dirPropio->isValid())
            qFatal("ServidorFtp: no se pudo crear la carpeta temporal del servidor");
        m_raiz = m_dirPropio->path();
    } else {
        m_raiz = QDir(raiz).absolutePath();
        QDir().mkpath(m_raiz);
    }

    QStringList argumentos {QStringLiteral(TENDAL_DIR_FUENTES "/tests/soporte/servidor_ftp.py"), m_raiz};
    for (const auto &[usuario, clave] : cuentas)
        argumentos << QStringLiteral("--cuenta") << usuario + QStringLiteral(":") + clave;
    m_proceso.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_proceso.start(QStringLiteral("/usr/bin/python3"), argumentos);
    if (!m_proceso.waitForStarted(esperaMs))
        qFatal("ServidorFtp: no arrancó /usr/bin/python3: %s", qPrintable(m_proceso.errorString()));

    const QString primera = leeLinea();
    if (!primera.startsWith(QStringLiteral("puerto ")))
        qFatal("ServidorFtp: el servidor no dio su puerto (\"%s\")", qPrintable(primera));
    m_puerto = primera.mid(7).toUShort();
}

ServidorFtp::~ServidorFtp()
{
    if (m_proceso.state() == QProcess::NotRunning)
        return;
    m_proceso.closeWriteChannel(); // the server ends when its stdin closes
    if (!m_proceso.waitForFinished(3000)) {
        m_proceso.kill();
        m_proceso.waitForFinished(3000);
    }
}

QString ServidorFtp::direccion() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_puerto);
}

QString ServidorFtp::ruta(const QString &rutaServidor) const
{
    return QDir::cleanPath(m_raiz + QLatin1Char('/') + rutaServidor);
}

void ServidorFtp::escribe(const QString &rutaServidor, const QByteArray &contenido) const
{
    const QString destino = ruta(rutaServidor);
    QDir().mkpath(QFileInfo(destino).path());
    QFile f(destino);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(contenido) != contenido.size())
        qFatal("ServidorFtp: no se pudo escribir %s", qPrintable(destino));
}

QByteArray ServidorFtp::lee(const QString &rutaServidor) const
{
    QFile f(ruta(rutaServidor));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool ServidorFtp::existe(const QString &rutaServidor) const
{
    return QFileInfo::exists(ruta(rutaServidor));
}

void ServidorFtp::apunta(Oficina &oficina) const
{
    oficina.sql(QStringLiteral("UPDATE PARAMETROS SET Host_Internet = ?, tipo_acceso = 1, proxy = 0"), {direccion()});
}

void ServidorFtp::rechazaLogin(bool si)
{
    orden(QStringLiteral("rechaza_login %1").arg(si ? 1 : 0));
}

void ServidorFtp::ocupado(bool si)
{
    orden(QStringLiteral("ocupado %1").arg(si ? 1 : 0));
}

void ServidorFtp::detieneSaludo(bool si)
{
    orden(si ? QStringLiteral("detiene saludo") : QStringLiteral("detiene no"));
}

void ServidorFtp::detieneDatos(bool si)
{
    orden(si ? QStringLiteral("detiene datos") : QStringLiteral("detiene no"));
}

void ServidorFtp::cortaTras(qint64 bytes)
{
    orden(QStringLiteral("corta %1").arg(bytes));
}

void ServidorFtp::lento(qint64 bytesPorSegundo)
{
    orden(QStringLiteral("lento %1").arg(bytesPorSegundo));
}

void ServidorFtp::rechazaEnvios(int codigo)
{
    orden(QStringLiteral("rechaza_stor %1").arg(codigo));
}

void ServidorFtp::rechazaListados(int codigo)
{
    orden(QStringLiteral("rechaza_nlst %1").arg(codigo));
}

void ServidorFtp::rechazaHoras(int codigo)
{
    orden(QStringLiteral("rechaza_mdtm %1").arg(codigo));
}

void ServidorFtp::restablece()
{
    orden(QStringLiteral("restablece"));
}

QStringList ServidorFtp::usuarios()
{
    const QString respuesta = orden(QStringLiteral("usuarios"));
    return respuesta.mid(QStringLiteral("usuarios ").size()).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

int ServidorFtp::conexionesMudas()
{
    return orden(QStringLiteral("mudas")).mid(QStringLiteral("mudas ").size()).toInt();
}

QStringList ServidorFtp::transferencias()
{
    const QString respuesta = orden(QStringLiteral("transferencias"));
    return respuesta.mid(QStringLiteral("transferencias ").size()).split(QLatin1Char('|'), Qt::SkipEmptyParts);
}

QStringList ServidorFtp::recibidos()
{
    const QString respuesta = orden(QStringLiteral("recibidos"));
    return respuesta.mid(QStringLiteral("recibidos ").size()).split(QLatin1Char('|'), Qt::SkipEmptyParts);
}

QString ServidorFtp::orden(const QString &texto)
{
    m_proceso.write((texto + QLatin1Char('\n')).toUtf8());
    m_proceso.waitForBytesWritten(esperaMs);
    const QString respuesta = leeLinea();
    if (respuesta.isEmpty() || respuesta.startsWith(QStringLiteral("error")))
        qFatal("ServidorFtp: la orden \"%s\" no fue aceptada (\"%s\")", qPrintable(texto), qPrintable(respuesta));
    return respuesta;
}

QString ServidorFtp::leeLinea()
{
    const QDeadlineTimer limite(esperaMs);
    while (!m_proceso.canReadLine()) {
        if (m_proceso.state() == QProcess::NotRunning || limite.hasExpired()
            || !m_proceso.waitForReadyRead(int(qMax<qint64>(1, limite.remainingTime()))))
            return m_proceso.canReadLine() ? QString::fromUtf8(m_proceso.readLine()).trimmed() : QString();
    }
    return QString::fromUtf8(m_proceso.readLine()).trimmed();
}
