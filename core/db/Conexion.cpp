#include "core/db/Conexion.h"

#include "core/base/CopiaBloques.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Permisos.h"
#include "core/db/Dialecto.h"
#include "core/db/Esquema.h"
#include "core/db/SondeoServidor.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QTimeZone>
#include <QUrl>
#include <QUrlQuery>

#include <sqlite3.h>
#include <unistd.h>

namespace {

// How long a server is asked whether it answers: on the calling thread (the
// window's: a server on the office's network answers well within it), and on
// a worker when that got no answer.
constexpr int kSondeoInmediatoMs = 100;
constexpr int kSondeoMs = 10000;

QAtomicInt g_contador;

// The shared memory of a write-ahead log in use holds at least one region of
// this size; a smaller file is what a failed open left.
constexpr qint64 kMemoriaDelLog = 32768;

// A server's address as a message shows it: never with a password, also
// when the address is malformed (Qt's own reading of it is not used then).
QString sinClave(const QString &direccion)
{
    QString texto = direccion;
    static const QRegularExpression usuario(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*://[^:@/?]*):.*@"));
    texto.replace(usuario, QStringLiteral("\\1@"));
    static const QRegularExpression opcion(QStringLiteral("([?&;][^=&;]*password[^=&;]*=)[^&;]*"),
                                           QRegularExpression::CaseInsensitiveOption);
    texto.replace(opcion, QStringLiteral("\\1***"));
    return texto;
}

// The connection options an address may carry besides host, port, user and
// dbname: an unknown one is refused by name before the driver sees it (its
// own error would quote the whole address), and none of them is a secret.
const QStringList &opcionesConocidas()
{
    static const QStringList opciones = {QStringLiteral("hostaddr"),
                                         QStringLiteral("passfile"),
                                         QStringLiteral("channel_binding"),
                                         QStringLiteral("connect_timeout"),
                                         QStringLiteral("client_encoding"),
                                         QStringLiteral("options"),
                                         QStringLiteral("application_name"),
                                         QStringLiteral("fallback_application_name"),
                                         QStringLiteral("keepalives"),
                                         QStringLiteral("keepalives_idle"),
                                         QStringLiteral("keepalives_interval"),
                                         QStringLiteral("keepalives_count"),
                                         QStringLiteral("tcp_user_timeout"),
                                         QStringLiteral("gssencmode"),
                                         QStringLiteral("sslmode"),
                                         QStringLiteral("sslcompression"),
                                         QStringLiteral("sslcert"),
                                         QStringLiteral("sslkey"),
                                         QStringLiteral("sslrootcert"),
                                         QStringLiteral("sslcrl"),
                                         QStringLiteral("sslcrldir"),
                                         QStringLiteral("sslsni"),
                                         QStringLiteral("requirepeer"),
                                         QStringLiteral("ssl_min_protocol_version"),
                                         QStringLiteral("ssl_max_protocol_version"),
                                         QStringLiteral("krbsrvname"),
                                         QStringLiteral("gsslib"),
                                         QStringLiteral("service"),
                                         QStringLiteral("target_session_attrs")};
    return opciones;
}

ErrorTendal errorBase(const QString &ruta, const QString &motivo)
{
    return ErrorTendal(ErrorTendal::BaseDeDatos,
                       QStringLiteral("No se pudo abrir la base de datos %1: %2")
                           .arg(Conexion::esServidor(ruta) ? sinClave(ruta) : QDir::toNativeSeparators(ruta), motivo));
}

QString nuevoNombre()
{
    return QStringLiteral("Conexion%1").arg(g_contador.fetchAndAddRelaxed(1));
}

// The server does not answer: the same text for the whole outage, so that a
// caller that repeats its work shows it once.
ErrorTendal errorSinConexion(const QString &ruta)
{
    return ErrorTendal(ErrorTendal::BaseDeDatosSinConexion,
                       QStringLiteral("Se perdió la conexión con el servidor de la base de datos %1; se vuelve a "
                                      "conectar en el siguiente intento")
                           .arg(sinClave(ruta)));
}

// The system's errno of the last failed read or write of a file's
// connection (0 when unknown): read at once after the failure, before
// another statement runs on it.
int errorSistema(const QSqlDatabase &db)
{
    if (!db.isOpen() || !db.driver())
        return 0;
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return 0;
    sqlite3 *manejador = *static_cast<sqlite3 *const *>(h.constData());
    return manejador ? sqlite3_system_errno(manejador) : 0;
}

// What went wrong in a statement or a transaction, in Spanish, naming the
// database; the driver's own text follows in parentheses. The number stays
// the database's (-2147217865 for a missing table, -2147467259 otherwise).
// sistema is the errno of a file's failed write: a full disk gives SQLite's
// "disk I/O error" as well as "database or disk is full" (the log's shared
// memory that cannot grow, a write of the log), and both say disk full.
ErrorTendal errorDe(const QString &ruta, const QSqlError &error, int sistema = 0)
{
    const QString driver = error.text().trimmed();
    const QString minusculas = driver.toLower();
    // A server's codes are SQLSTATEs ("42P01"); the file's, SQLite's numbers.
    const bool servidor = Conexion::esServidor(ruta);
    const QString estado = servidor ? error.nativeErrorCode() : QString();
    const int codigo = servidor ? -1 : error.nativeErrorCode().toInt() & 0xff;
    const QString base = servidor ? sinClave(ruta) : QDir::toNativeSeparators(ruta);
    const auto es = [&](int c, const char *texto) {
        return codigo == c || minusculas.contains(QLatin1StringView(texto));
    };
    int numero = ErrorTendal::BaseDeDatos;
    QString que;
    if (estado == u"42P01") {
        numero = ErrorTendal::TablaNoEncontrada;
        que = QStringLiteral("A la base de datos %1 le falta una tabla");
    } else if (estado == u"55P03" || estado == u"40P01") {
        que = QStringLiteral("La base de datos %1 está ocupada por otro programa, que no la liberó a tiempo");
    } else if (estado == u"53100") {
        que = QStringLiteral("No hay espacio en el disco del servidor de la base de datos %1");
    } else if (estado.startsWith(u"23")) {
        que = QStringLiteral("La base de datos %1 no aceptó el cambio: contradice sus reglas");
    } else if (estado.startsWith(u"08") || estado.startsWith(u"57P")) {
        return errorSinConexion(ruta);
    } else if (minusculas.contains(QLatin1StringView("no such table"))) {
        numero = ErrorTendal::TablaNoEncontrada;
        que = QStringLiteral("A la base de datos %1 le falta una tabla");
    } else if (es(5, "database is locked") || es(6, "table is locked")) {
        que = QStringLiteral("La base de datos %1 está ocupada por otro programa, que no la liberó a tiempo");
    } else if (es(8, "readonly") || minusculas.contains(QLatin1StringView("read-only"))) {
        que = QStringLiteral("La base de datos %1 no se puede modificar: el archivo o su carpeta son de sólo lectura");
    } else if (es(13, "disk is full") || (es(10, "disk i/o error") && CopiaBloques::esDiscoLleno(sistema))) {
        que = QStringLiteral("No hay espacio en el disco para la base de datos %1");
    } else if (es(10, "disk i/o error") && sistema == EFBIG) {
        que = QStringLiteral("No hay espacio para la base de datos %1: el archivo excede el tamaño que el sistema "
                             "permite");
    } else if (es(10, "disk i/o error")) {
        que = QStringLiteral("Falló la lectura o la escritura del archivo de la base de datos %1");
    } else if (es(11, "malformed") || es(26, "not a database")) {
        que = QStringLiteral("La base de datos %1 está dañada");
    } else if (es(14, "unable to open")) {
        que = QStringLiteral("No se pudo abrir el archivo de la base de datos %1");
    } else if (es(19, "constraint")) {
        que = QStringLiteral("La base de datos %1 no aceptó el cambio: contradice sus reglas");
    } else {
        que = QStringLiteral("Falló una consulta a la base de datos %1");
    }
    QString texto = que.arg(base);
    if (!driver.isEmpty())
        texto += QStringLiteral(" (%1)").arg(driver);
    return ErrorTendal(numero, texto);
}

} // namespace

Conexion::Conexion(QString nombre, QString ruta, const Dialecto &dialecto)
    : m_nombre(std::move(nombre))
    , m_ruta(std::move(ruta))
    , m_dialecto(&dialecto)
{
}

Conexion::~Conexion()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_nombre, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_nombre);
}

bool Conexion::esServidor(const QString &texto)
{
    return texto.startsWith(QLatin1StringView("postgresql://"), Qt::CaseInsensitive)
           || texto.startsWith(QLatin1StringView("postgres://"), Qt::CaseInsensitive);
}

bool Conexion::enServidor() const
{
    return m_dialecto->motor == Dialecto::Motor::Postgresql;
}

std::unique_ptr<Conexion> Conexion::conecta(const QString &ruta, int *sistema)
{
    if (esServidor(ruta))
        return conectaServidor(ruta);
    const QString nombre = nuevoNombre();
    std::unique_ptr<Conexion> conexion(new Conexion(nombre, ruta, Dialecto::sqlite()));
    QSqlDatabase db = QSqlDatabase::addDatabase(Dialecto::sqlite().driver, nombre);
    db.setDatabaseName(ruta);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        throw errorBase(ruta, db.lastError().text());
    QSqlQuery q(db);
    // The first read makes the log's shared memory: a full disk, or a file
    // it cannot create, is told here as what it is.
    for (const QString &sql :
         Dialecto::sqlite().alAbrir + QStringList {QStringLiteral("SELECT COUNT(*) FROM sqlite_master")}) {
        if (!q.exec(sql)) {
            const int falla = errorSistema(db);
            if (sistema)
                *sistema = falla;
            throw errorDe(ruta, q.lastError(), falla);
        }
    }
    return conexion;
}

std::unique_ptr<Conexion> Conexion::conectaLectura(const QString &ruta, bool inmutable)
{
    const QString nombre = nuevoNombre();
    std::unique_ptr<Conexion> conexion(new Conexion(nombre, ruta, Dialecto::sqlite()));
    conexion->m_soloLectura = true;
    QSqlDatabase db = QSqlDatabase::addDatabase(Dialecto::sqlite().driver, nombre);
    if (inmutable) {
        db.setDatabaseName(QUrl::fromLocalFile(ruta).toString(QUrl::FullyEncoded) + QStringLiteral("?immutable=1"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
    } else {
        db.setDatabaseName(ruta);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
    }
    if (!db.open())
        throw errorBase(ruta, db.lastError().text());
    // Only what changes nothing: the log's mode stays the file's.
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA foreign_keys = ON")))
        throw errorDe(ruta, q.lastError(), errorSistema(db));
    return conexion;
}

// The address in libpq's URI form: postgresql://user@host:port/dbname, with
// libpq's own parameters after '?' (host=/a/socket/folder, sslmode=...,
// service=...). A password in it is refused: it would be written in the
// start-up file for anyone who reads it.
std::unique_ptr<Conexion> Conexion::conectaServidor(const QString &direccion)
{
    const QUrl url(direccion, QUrl::StrictMode);
    // Qt's reason for a malformed address quotes it whole, password included:
    // it is not shown.
    if (!url.isValid())
        throw errorBase(direccion, QStringLiteral("la dirección no es válida: se escribe "
                                                  "postgresql://usuario@servidor:puerto/base"));
    if (!url.password().isEmpty())
        throw errorBase(direccion,
                        QStringLiteral("la dirección lleva una contraseña. La contraseña no se escribe en la "
                                       "dirección: va en el archivo de contraseñas de PostgreSQL (~/.pgpass) o en "
                                       "su archivo de servicios"));
    const Dialecto &dialecto = Dialecto::postgresql();
    const QString nombre = nuevoNombre();
    std::unique_ptr<Conexion> conexion(new Conexion(nombre, direccion, dialecto));
    QSqlDatabase db = QSqlDatabase::addDatabase(dialecto.driver, nombre);
    if (!db.isValid())
        throw errorBase(direccion,
                        QStringLiteral("falta el controlador de PostgreSQL de Qt (%1)").arg(dialecto.driver));
    QString base = url.path();
    if (base.startsWith(u'/'))
        base.remove(0, 1);
    db.setDatabaseName(base);
    db.setHostName(url.host());
    if (url.port() > 0)
        db.setPort(url.port());
    db.setUserName(url.userName());
    QStringList opciones;
    bool espera = false;
    for (const auto &[clave, valor] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
        if (clave.contains(QLatin1StringView("password"), Qt::CaseInsensitive))
            throw errorBase(direccion, QStringLiteral("la dirección lleva una contraseña. La contraseña no se "
                                                      "escribe en la dirección: va en el archivo de contraseñas de "
                                                      "PostgreSQL (~/.pgpass) o en su archivo de servicios"));
        if (clave == u"host")
            db.setHostName(valor);
        else if (clave == u"port")
            db.setPort(valor.toInt());
        else if (clave == u"user")
            db.setUserName(valor);
        else if (clave == u"dbname")
            db.setDatabaseName(valor);
        else if (opcionesConocidas().contains(clave))
            opciones << clave + u'=' + valor;
        else
            // The value of a mistyped option may well be a secret: not shown.
            throw errorBase(
                QString(direccion).replace(
                    QRegularExpression(QStringLiteral("([?&;]%1=)[^&;]*").arg(QRegularExpression::escape(clave))),
                    QStringLiteral("\\1***")),
                QStringLiteral("la dirección lleva la opción «%1», que no es una opción de conexión "
                               "de PostgreSQL")
                    .arg(clave));
        espera = espera || clave == u"connect_timeout";
    }
    if (!espera)
        opciones << QStringLiteral("connect_timeout=10");
    // A server named by a service file or a numeric address of its own is
    // found by libpq alone; any other is asked before it is opened again.
    if (!opciones.filter(QRegularExpression(QStringLiteral("^(service|hostaddr)="))).isEmpty())
        conexion->m_host.clear();
    else
        conexion->m_host = db.hostName();
    if (db.port() > 0)
        conexion->m_puerto = db.port();
    opciones << QStringLiteral("application_name=Tendal");
    db.setConnectOptions(opciones.join(u';'));
    if (!db.open())
        throw errorBase(direccion, db.lastError().text().trimmed());
    QSqlQuery q(db);
    for (const QString &sql : dialecto.alAbrir)
        if (!q.exec(sql))
            throw errorBase(direccion, q.lastError().text());
    return conexion;
}

void Conexion::verificaOficina() const
{
    QSqlQuery q(db());
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM PARAMETROS"))) {
        // Only a missing table means this is no office's database; a server
        // shutting down (or any other failure) is told as what it is.
        const ErrorTendal error = falla(q.lastError(), errorSistema(db()));
        if (error.numero() != ErrorTendal::TablaNoEncontrada)
            throw error;
        throw errorBase(m_ruta, QStringLiteral("falta la tabla PARAMETROS"));
    }
    if (!q.next())
        throw errorBase(m_ruta, QStringLiteral("falta la tabla PARAMETROS"));
    if (q.value(0).toInt() < 1)
        throw errorBase(m_ruta, QStringLiteral("la tabla PARAMETROS no tiene el registro de configuración"));
}

std::unique_ptr<Conexion> Conexion::abre(const QString &carpeta)
{
    if (esServidor(carpeta)) {
        auto conexion = conectaServidor(carpeta);
        conexion->verificaOficina();
        Esquema::actualiza(*conexion);
        return conexion;
    }
    const QString ruta = QDir(carpeta).filePath(nombreArchivo());
    QFileInfo info(ruta);
    if (!info.exists())
        throw errorBase(ruta, QStringLiteral("el archivo no existe"));
    if (!info.isFile() || !info.isReadable())
        throw errorBase(ruta, QStringLiteral("el archivo no se puede leer"));
    QFile cabecera(ruta);
    if (!cabecera.open(QIODevice::ReadOnly) || !cabecera.read(16).startsWith("SQLite format 3"))
        throw errorBase(ruta, QStringLiteral("el archivo no es una base de datos de Tendal"));
    cabecera.close();

    auto conexion = conectaArchivo(ruta);
    conexion->verificaOficina(); // its statement is done: a step of the schema may drop a table
    Esquema::actualiza(*conexion);
    return conexion;
}

std::unique_ptr<Conexion> Conexion::conectaArchivo(const QString &ruta)
{
    // A file this program cannot write, or one on a full disk, is read
    // only. Without the shared memory of a write-ahead log beside it (a
    // program that has it open) in a folder that cannot be written, or on a
    // full disk, no program is writing it and none can start: it is read as
    // it stands (SQLite could make no shared memory for the log there).
    const QString carpetaArchivo = QFileInfo(ruta).absolutePath();
    const auto puedeEscribir = [](const QString &r) {
        return ::access(QFile::encodeName(r).constData(), W_OK) == 0;
    };
    const auto lectura = [&](bool lleno) {
        const bool inmutable = (lleno || !puedeEscribir(carpetaArchivo))
                               && QFileInfo(ruta + QStringLiteral("-shm")).size() < kMemoriaDelLog;
        return conectaLectura(ruta, inmutable);
    };
    std::unique_ptr<Conexion> conexion;
    if (!puedeEscribir(ruta) || !puedeEscribir(carpetaArchivo)) {
        conexion = lectura(false);
        conexion->m_motivoLectura = MotivoLectura::Permisos;
    } else {
        int sistema = 0;
        try {
            conexion = conecta(ruta, &sistema);
        } catch (const ErrorTendal &) {
            if (!CopiaBloques::esDiscoLleno(sistema) && sistema != EFBIG)
                throw;
            conexion = lectura(true);
            conexion->m_motivoLectura = MotivoLectura::DiscoLleno;
        }
    }
    return conexion;
}

std::unique_ptr<Conexion> Conexion::abreArchivo(const QString &ruta)
{
    if (!esServidor(ruta) && !QFileInfo(ruta).isFile())
        throw errorBase(ruta, QStringLiteral("el archivo no existe"));
    return esServidor(ruta) ? conecta(ruta) : conectaArchivo(ruta);
}

std::unique_ptr<Conexion> Conexion::abreLectura(const QString &ruta)
{
    const QString nombre = nuevoNombre();
    std::unique_ptr<Conexion> conexion(new Conexion(nombre, ruta, Dialecto::sqlite()));
    QSqlDatabase db = QSqlDatabase::addDatabase(Dialecto::sqlite().driver, nombre);
    db.setDatabaseName(ruta);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.open())
        throw errorBase(ruta, db.lastError().text());
    return conexion;
}

std::unique_ptr<Conexion> Conexion::crea(const QString &carpeta)
{
    if (esServidor(carpeta)) {
        auto conexion = conectaServidor(carpeta);
        QSqlQuery q(conexion->db());
        if (q.exec(QStringLiteral("SELECT COUNT(*) FROM PARAMETROS")) && q.next() && q.value(0).toLongLong() > 0)
            throw errorBase(carpeta, QStringLiteral("ya tiene una oficina; no se sobrescribe"));
        q.finish();
        Esquema::actualiza(*conexion);
        return conexion;
    }
    const QString ruta = QDir(carpeta).filePath(nombreArchivo());
    if (!QFileInfo(carpeta).isDir())
        throw errorBase(ruta, QStringLiteral("la carpeta no existe"));
    if (QFileInfo::exists(ruta))
        throw errorBase(ruta, QStringLiteral("ya existe una base de datos; no se sobrescribe"));
    auto conexion = conecta(ruta);
    Esquema::actualiza(*conexion);
    Permisos::soloDueno(ruta); // it holds the passwords
    return conexion;
}

ErrorTendal Conexion::errorSoloLectura() const
{
    const QString archivo = QDir::toNativeSeparators(m_ruta);
    const QString que = m_motivoLectura == MotivoLectura::DiscoLleno
                            ? QStringLiteral("No hay espacio en el disco para la base de datos %1")
                            : QStringLiteral("La base de datos %1 es de sólo lectura: el archivo o su carpeta no se "
                                             "pueden escribir");
    return ErrorTendal(ErrorTendal::BaseDeDatos,
                       que.arg(archivo)
                           + QStringLiteral(". Se pueden consultar las listas, el historial, los acuses y los "
                                            "reportes, pero no enviar, recibir ni cambiar nada."));
}

ErrorTendal Conexion::falla(const QSqlError &error, int sistema) const
{
    // A change refused on a file opened to be read only says why it was
    // opened so (its permissions, or a full disk).
    if (m_soloLectura && (error.nativeErrorCode().toInt() & 0xff) == SQLITE_READONLY)
        return errorSoloLectura();
    return errorDe(m_ruta, error, sistema);
}

void Conexion::exigeEscritura() const
{
    if (m_soloLectura)
        throw errorSoloLectura();
}

QSqlDatabase Conexion::db() const
{
    return QSqlDatabase::database(m_nombre, false);
}

bool Conexion::esSinConexion(const ErrorTendal &error)
{
    return error.numero() == ErrorTendal::BaseDeDatosSinConexion;
}

ErrorTendal Conexion::sinConexion() const
{
    return errorSinConexion(m_ruta);
}

bool Conexion::perdida() const
{
    if (!enServidor())
        return false;
    if (!m_perdida) {
        // A statement fails for many reasons; the session is gone only when
        // a trivial one fails too (one refused because the transaction
        // already failed still has its session).
        QSqlDatabase d = db();
        bool viva = d.isOpen();
        if (viva) {
            QSqlQuery prueba(d);
            viva = prueba.exec(QStringLiteral("SELECT 1")) || prueba.lastError().nativeErrorCode() == u"25P02";
        }
        m_perdida = !viva;
    }
    if (m_perdida && !m_perdidaDesde.isValid())
        m_perdidaDesde = QDateTime::currentDateTimeUtc();
    return m_perdida;
}

void Conexion::notaSesionCerrada() const
{
    if (m_perdida || !enServidor() || db().isOpen())
        return;
    m_perdida = true;
    if (!m_perdidaDesde.isValid())
        m_perdidaDesde = QDateTime::currentDateTimeUtc();
}

void Conexion::asegura() const
{
    notaSesionCerrada();
    if (!m_perdida)
        return;
    if (m_enTransaccion)
        throw sinConexion();
    reconecta();
}

bool Conexion::sesionTerminada() const
{
    return perdida();
}

void Conexion::reconecta() const
{
    if (!m_host.isEmpty()) {
        // A question on a worker still unanswered: not yet. One answered
        // yes: open. Otherwise ask now, briefly (a server that is back, or
        // restarted, or only ended the session, answers at once), and when
        // that gets no answer ask on a worker for the next attempt.
        if (m_sondeo && !m_sondeo->isFinished())
            throw sinConexion();
        const bool responde
            = (m_sondeo && m_sondeo->result()) || SondeoServidor::responde(m_host, m_puerto, kSondeoInmediatoMs);
        m_sondeo.reset();
        if (!responde) {
            m_perdida = true;
            if (!m_perdidaDesde.isValid())
                m_perdidaDesde = QDateTime::currentDateTimeUtc();
            m_sondeo = SondeoServidor::inicia(m_host, m_puerto, kSondeoMs);
            throw sinConexion();
        }
    }
    QSqlDatabase d = db();
    d.close();
    m_enTransaccion = false;
    ++m_sesion;
    if (d.open()) {
        QSqlQuery q(d);
        bool listo = true;
        for (const QString &sql : m_dialecto->alAbrir)
            listo = listo && q.exec(sql);
        if (listo) {
            m_perdida = false;
            m_perdidaDesde = QDateTime();
            return;
        }
        q.finish();
        d.close();
    }
    m_perdida = true;
    if (!m_perdidaDesde.isValid())
        m_perdidaDesde = QDateTime::currentDateTimeUtc();
    throw sinConexion();
}

QSqlQuery Conexion::ejecuta(const QString &sql, const QVariantList &valores) const
{
    notaSesionCerrada();
    if (m_perdida && !m_enTransaccion)
        reconecta();
    for (int intento = 0;; ++intento) {
        if (m_perdida)
            throw sinConexion(); // inside a transaction that lost its session
        QSqlQuery q(db());
        q.setForwardOnly(!enServidor());
        bool ok = false;
        if (valores.isEmpty()) {
            ok = q.exec(sql); // a server prepares no schema statement
        } else {
            ok = q.prepare(sql);
            if (ok) {
                for (const QVariant &v : valores)
                    q.addBindValue(v);
                ok = q.exec();
            }
        }
        if (ok)
            return q;
        const QSqlError error = q.lastError();
        const int sistema = errorSistema(db());
        q.finish();
        if (!perdida())
            throw falla(error, sistema);
        // Outside a transaction the statement did not run on the session
        // that ended: it runs once more on a new one.
        if (m_enTransaccion || intento > 0)
            throw sinConexion();
        reconecta();
    }
}

qint64 Conexion::inserta(const QString &sql, const QVariantList &valores) const
{
    QSqlQuery q = ejecuta(sql + QStringLiteral(" RETURNING ID"), valores);
    const qint64 id = q.next() ? q.value(0).toLongLong() : 0;
    q.finish(); // the statement ends here: a transaction never commits with it open
    return id;
}

void Conexion::comienza() const
{
    notaSesionCerrada();
    if (m_perdida)
        reconecta();
    QSqlDatabase d = db();
    if (!d.transaction()) {
        const QSqlError error = d.lastError();
        if (!perdida())
            throw falla(error, errorSistema(d));
        reconecta();
        if (!d.transaction()) {
            if (perdida())
                throw sinConexion();
            throw falla(d.lastError(), errorSistema(d));
        }
    }
    m_enTransaccion = true;
}

void Conexion::confirma() const
{
    notaSesionCerrada();
    if (m_perdida) {
        m_enTransaccion = false;
        throw sinConexion(); // the transaction ended with its session
    }
    QSqlDatabase d = db();
    const bool ok = d.commit();
    m_enTransaccion = false;
    if (!ok) {
        const ErrorTendal error = falla(d.lastError(), errorSistema(d));
        if (perdida())
            throw sinConexion();
        d.rollback();
        throw error;
    }
}

void Conexion::deshace() const
{
    m_enTransaccion = false;
    notaSesionCerrada();
    if (m_perdida)
        return; // the server ended the transaction with its session
    QSqlDatabase d = db();
    d.rollback();
}

std::optional<QDateTime> Conexion::ahoraServidor() const
{
    if (m_dialecto->ahora.isEmpty())
        return std::nullopt;
    QSqlQuery q = ejecuta(QStringLiteral("SELECT ") + m_dialecto->ahora);
    if (!q.next())
        return std::nullopt;
    QDateTime t = QDateTime::fromString(q.value(0).toString(), Qt::ISODateWithMs);
    t.setTimeZone(QTimeZone::utc());
    return t.isValid() ? std::optional<QDateTime>(t) : std::nullopt;
}
