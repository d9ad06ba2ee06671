#include "core/db/Diario.h"

#include "core/db/Conexion.h"
#include "core/db/Dialecto.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTimeZone>

#include <atomic>
#include <csignal>
#include <sys/types.h>

namespace {

const QString kEnviando = QStringLiteral("ENVIANDO");
const QString kEnviado = QStringLiteral("ENVIADO");
const QString kMovido = QStringLiteral("MOVIDO");
const QString kMarca = QStringLiteral("X");

QString utc(const QDateTime &momento)
{
    return momento.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime deUtc(const QString &texto)
{
    QDateTime t = QDateTime::fromString(texto, Qt::ISODateWithMs);
    if (!t.isValid())
        t = QDateTime::fromString(texto, Qt::ISODate);
    t.setTimeSpec(Qt::UTC);
    return t;
}

// A bound text is never NULL: the columns are NOT NULL with '' for nothing.
QVariant texto(const QString &t)
{
    return t.isNull() ? QStringLiteral("") : t;
}

const char *const kColumnasRecepcion = "NOMBRE, PREV, VAL, HORA, RUTA_PREV, RUTA_VAL, ARCHIVO_PREV, ARCHIVO_VAL, "
                                       "RUTA_DEST, ICONO";

QVariantList valoresRecepcion(const Diario::FilaRecepcion &f)
{
    return {texto(f.nombre),  texto(f.prev),        texto(f.val),        texto(f.hora),     texto(f.rutaPrev),
            texto(f.rutaVal), texto(f.archivoPrev), texto(f.archivoVal), texto(f.rutaDest), texto(f.icono)};
}

} // namespace

Diario::Diario(const Conexion &conexion)
    : m_conexion(conexion)
{
}

QStringList Diario::pasoEsquema()
{
    const QString t = QStringLiteral(" VARCHAR(255) NOT NULL DEFAULT ''");
    const QString ruta = QStringLiteral(" VARCHAR(1024) NOT NULL DEFAULT ''");
    const QString marca = QStringLiteral(" VARCHAR(1) NOT NULL DEFAULT ''");
    return {
        QStringLiteral("CREATE TABLE DIARIO_VERSION (NUMERO BIGINT NOT NULL)"),
        QStringLiteral("CREATE TABLE TRANSMISION (ID INTEGER PRIMARY KEY, NOMBRE%1, TIPO%3, ESTADO VARCHAR(10) NOT "
                       "NULL, PROGRAMA%1, RECLAMADO%1, CARPETA_SERVIDOR%1, TAMANO BIGINT NULL, SHA256 VARCHAR(64) "
                       "NULL, ACEPTADO VARCHAR(30) NULL, HORA%1, ICONO%1, RUTA_PREV%1, RUTA_VAL%1, ARCHIVO_PREV%1, "
                       "ARCHIVO_VAL%1, RUTA_DEST%2, PREV%3, VAL%3, EN_RECEPCION SMALLINT NOT NULL DEFAULT 0, ORDEN "
                       "BIGINT NOT NULL DEFAULT 0)")
            .arg(t, ruta, marca),
        QStringLiteral("CREATE INDEX DIARIO_TRANSMISION_RECEPCION ON TRANSMISION (EN_RECEPCION, ORDEN)"),
        QStringLiteral("CREATE INDEX DIARIO_TRANSMISION_NOMBRE ON TRANSMISION (NOMBRE)"),
        QStringLiteral("CREATE INDEX DIARIO_TRANSMISION_ACEPTADO ON TRANSMISION (ACEPTADO)"),
        QStringLiteral("CREATE TABLE RESPUESTA (ID INTEGER PRIMARY KEY, TRANSMISION INTEGER NULL REFERENCES "
                       "TRANSMISION (ID), CLASE%3, NOMBRE%1, ICONO%1, TAMANO BIGINT NULL, SHA256 VARCHAR(64) NULL, "
                       "GUARDADO VARCHAR(30) NULL, RUTA%2, EN_ENVIO SMALLINT NOT NULL DEFAULT 0, ORDEN BIGINT NOT NULL "
                       "DEFAULT 0)")
            .arg(t, ruta, marca),
        // One response of each class per transmission (rows without a
        // transmission, kept from earlier versions, are not counted).
        QStringLiteral("CREATE UNIQUE INDEX DIARIO_RESPUESTA_UNICA ON RESPUESTA (TRANSMISION, CLASE)"),
        QStringLiteral("CREATE INDEX DIARIO_RESPUESTA_ENVIO ON RESPUESTA (EN_ENVIO, ORDEN)"),
        QStringLiteral("CREATE TABLE COLA_ENVIO (ID INTEGER PRIMARY KEY, NOMBRE%1, ICONO%1, RUTA_PRE%1, RUTA_VAL%1, "
                       "TRANSMISION INTEGER NULL REFERENCES TRANSMISION (ID), AGREGADO VARCHAR(30) NULL, ORDEN BIGINT "
                       "NOT NULL DEFAULT 0)")
            .arg(t),
        QStringLiteral("CREATE VIEW VISTA_ENVIO AS SELECT 'C' AS ORIGEN, ID, ORDEN, NOMBRE, 'E' AS ESTADO, ICONO, "
                       "RUTA_PRE, RUTA_VAL, '' AS RUTA FROM COLA_ENVIO UNION ALL SELECT 'R' AS ORIGEN, ID, ORDEN, "
                       "NOMBRE, CLASE AS ESTADO, ICONO, '' AS RUTA_PRE, '' AS RUTA_VAL, RUTA FROM RESPUESTA WHERE "
                       "EN_ENVIO = 1"),
        QStringLiteral("CREATE VIEW VISTA_RECEPCION AS SELECT ID, ORDEN, %1 FROM TRANSMISION WHERE EN_RECEPCION = 1")
            .arg(QLatin1StringView(kColumnasRecepcion)),
        // The earlier lists: waiting names queued, responses listed, files
        // awaited kept as transmissions in the reception list, in their order.
        // Emptied send rows (files already moved) are dropped.
        QStringLiteral("INSERT INTO COLA_ENVIO (NOMBRE, ICONO, RUTA_PRE, RUTA_VAL, ORDEN) SELECT NOMBRE, ICONO, "
                       "RUTA_PRE, RUTA_VAL, POSICION + 1 FROM LISTA_ENVIO WHERE ESTADO = 'E' AND NOMBRE <> ''"),
        QStringLiteral("INSERT INTO RESPUESTA (CLASE, NOMBRE, ICONO, EN_ENVIO, ORDEN) SELECT ESTADO, NOMBRE, ICONO, 1, "
                       "POSICION + 1 FROM LISTA_ENVIO WHERE ESTADO <> 'E' AND NOMBRE <> ''"),
        QStringLiteral("INSERT INTO TRANSMISION (ESTADO, TIPO, %1, EN_RECEPCION, ORDEN) SELECT 'ENVIADO', "
                       "UPPER(SUBSTR(NOMBRE, 1, 1)), %1, 1, (SELECT COUNT(*) FROM LISTA_ENVIO) + POSICION + 1 FROM "
                       "LISTA_RECEPCION WHERE NOMBRE <> '' AND NOT (PREV = 'X' AND VAL = 'X')")
            .arg(QLatin1StringView(kColumnasRecepcion)),
        QStringLiteral("INSERT INTO DIARIO_VERSION (NUMERO) SELECT (SELECT COUNT(*) FROM LISTA_ENVIO) + (SELECT "
                       "COUNT(*) FROM LISTA_RECEPCION) + 1"),
        QStringLiteral("DROP TABLE LISTA_ENVIO"),
        QStringLiteral("DROP TABLE LISTA_RECEPCION"),
    };
}

QStringList Diario::pasoContenido()
{
    // A table of its own, so that the lists and the history, which read
    // RESPUESTA often, never carry the bytes along.
    return {QStringLiteral("CREATE TABLE RESPUESTA_CONTENIDO (RESPUESTA BIGINT NOT NULL PRIMARY KEY REFERENCES "
                           "RESPUESTA (ID), CONTENIDO BLOB NOT NULL)")};
}

QStringList Diario::pasoVigencia()
{
    return {QStringLiteral("ALTER TABLE TRANSMISION ADD COLUMN VENCE BIGINT NULL"),
            QStringLiteral("ALTER TABLE TRANSMISION ADD COLUMN EQUIPO VARCHAR(255) NOT NULL DEFAULT ''"),
            QStringLiteral("ALTER TABLE COLA_ENVIO ADD COLUMN VISTO BIGINT NULL")};
}

QString Diario::programa()
{
    return QSysInfo::machineHostName() + u':' + QString::number(QCoreApplication::applicationPid());
}

QString Diario::equipo()
{
    return QSysInfo::machineHostName() + u'/' + QString::fromLatin1(QSysInfo::machineUniqueId()) + u'/'
           + QString::fromLatin1(QSysInfo::bootUniqueId());
}

qint64 Diario::ahoraServidor() const
{
    QSqlQuery q = m_conexion.ejecuta(QStringLiteral("SELECT ") + m_conexion.dialecto().segundosServidor);
    return q.next() ? q.value(0).toLongLong() : 0;
}

qint64 Diario::version() const
{
    QSqlQuery q = m_conexion.ejecuta(QStringLiteral("SELECT NUMERO FROM DIARIO_VERSION"));
    return q.next() ? q.value(0).toLongLong() : 0;
}

// The first statement of every change: it takes the database's write lock
// at once (so the transaction never waits half-way) and gives the new number.
qint64 Diario::sube() const
{
    m_conexion.ejecuta(QStringLiteral("UPDATE DIARIO_VERSION SET NUMERO = NUMERO + 1"));
    return version();
}

QList<Diario::FilaEnvio> Diario::listaEnvio() const
{
    QSqlQuery q = m_conexion.ejecuta(QStringLiteral(
        "SELECT ORIGEN, ID, NOMBRE, ESTADO, ICONO, RUTA_PRE, RUTA_VAL, RUTA FROM VISTA_ENVIO ORDER BY ORDEN, ID"));
    QList<FilaEnvio> filas;
    while (q.next())
        filas.append({q.value(0).toString() == u"C" ? Origen::Cola : Origen::Respuesta, q.value(1).toLongLong(),
                      q.value(2).toString(), q.value(3).toString(), q.value(4).toString(), q.value(5).toString(),
                      q.value(6).toString(), q.value(7).toString()});
    return filas;
}

QList<Diario::FilaRecepcion> Diario::listaRecepcion() const
{
    QSqlQuery q = m_conexion.ejecuta(QStringLiteral("SELECT ID, %1 FROM VISTA_RECEPCION ORDER BY ORDEN, ID")
                                         .arg(QLatin1StringView(kColumnasRecepcion)));
    QList<FilaRecepcion> filas;
    while (q.next()) {
        FilaRecepcion f;
        f.id = q.value(0).toLongLong();
        QString *campos[] = {&f.nombre,  &f.prev,        &f.val,        &f.hora,     &f.rutaPrev,
                             &f.rutaVal, &f.archivoPrev, &f.archivoVal, &f.rutaDest, &f.icono};
        for (int c = 0; c < 10; ++c)
            *campos[c] = q.value(c + 1).toString();
        filas.append(f);
    }
    return filas;
}

QString Diario::hora(QVariantList &valores, const QDateTime &local) const
{
    const QString &servidor = m_conexion.dialecto().ahora;
    if (!servidor.isEmpty())
        return servidor;
    valores << utc(local);
    return QStringLiteral("?");
}

qint64 Diario::encola(const FilaEnvio &f, qint64 *id)
{
    qint64 v = 0;
    m_conexion.enTransaccion([&] {
        v = sube();
        // What this program had read of the journal when it queued the
        // name: an upload accepted after that is one it did not know of.
        const QVariant visto = m_visto >= 0 ? QVariant(m_visto) : QVariant(QMetaType::fromType<qint64>());
        QVariantList valores {texto(f.nombre), texto(f.icono), texto(f.rutaPre), texto(f.rutaVal)};
        const QString agregado = hora(valores, QDateTime::currentDateTimeUtc());
        valores << v << visto;
        *id = m_conexion.inserta(QStringLiteral("INSERT INTO COLA_ENVIO (NOMBRE, ICONO, RUTA_PRE, RUTA_VAL, "
                                                "AGREGADO, ORDEN, VISTO) VALUES (?, ?, ?, ?, %1, ?, ?)")
                                     .arg(agregado),
                                 valores);
    });
    return v;
}

qint64 Diario::listaRespuesta(const FilaEnvio &f, qint64 *id)
{
    qint64 v = 0;
    m_conexion.enTransaccion([&] {
        v = sube();
        *id = m_conexion.inserta(
            QStringLiteral(
                "INSERT INTO RESPUESTA (CLASE, NOMBRE, ICONO, RUTA, EN_ENVIO, ORDEN) VALUES (?, ?, ?, ?, 1, ?)"),
            {texto(f.estado), texto(f.nombre), texto(f.icono), texto(f.ruta), v});
    });
    return v;
}

qint64 Diario::cambiaEnvio(const FilaEnvio &f)
{
    qint64 v = 0;
    m_conexion.enTransaccion([&] {
        v = sube();
        if (f.origen == Origen::Cola)
            m_conexion.ejecuta(
                QStringLiteral("UPDATE COLA_ENVIO SET NOMBRE = ?, ICONO = ?, RUTA_PRE = ?, RUTA_VAL = ? WHERE ID = ?"),
                {texto(f.nombre), texto(f.icono), texto(f.rutaPre), texto(f.rutaVal), f.id});
        else
            m_conexion.ejecuta(QStringLiteral("UPDATE RESPUESTA SET NOMBRE = ?, ICONO = ?, CLASE = ? WHERE ID = ?"),
                               {texto(f.nombre), texto(f.icono), texto(f.estado), f.id});
    });
    return v;
}

qint64 Diario::quitaEnvio(const QList<std::pair<Origen, qint64>> &filas)
{
    qint64 v = 0;
    m_conexion.enTransaccion([&] {
        v = sube();
        for (const auto &[origen, id] : filas) {
            if (origen == Origen::Cola)
                m_conexion.ejecuta(QStringLiteral("DELETE FROM COLA_ENVIO WHERE ID = ?"), {id});
            else
                m_conexion.ejecuta(QStringLiteral("UPDATE RESPUESTA SET EN_ENVIO = 0 WHERE ID = ?"), {id});
        }
        // A claim of a removed name whose program is gone goes with it.
        barreHuerfanos(ahoraServidor());
    });
    return v;
}

qint64 Diario::agregaRecepcion(const FilaRecepcion &f, qint64 *id)
{
    qint64 v = 0;
    m_conexion.enTransaccion([&] {
        v = sube();
        QVariantList valores = valoresRecepcion(f);
        valores << f.nombre.left(1).toUpper() << v;
        *id = m_conexion.inserta(QStringLiteral("INSERT INTO TRANSMISION (%1, ESTADO, TIPO, EN_RECEPCION, "
                                                "ORDEN) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'MOVIDO', ?, 1, ?)")
                                     .arg(QLatin1StringView(kColumnasRecepcion)),
                                 valores);
    });
    return v;
}

qint64 Diario::cambiaRecepcion(const FilaRecepcion &f)
{
    qint64 v = 0;
    m_conexion.enTransaccion([&] {
        v = sube();
        QVariantList valores = valoresRecepcion(f);
        valores << f.id;
        m_conexion.ejecuta(QStringLiteral("UPDATE TRANSMISION SET NOMBRE = ?, PREV = ?, VAL = ?, HORA = ?, RUTA_PREV = "
                                          "?, RUTA_VAL = ?, ARCHIVO_PREV = ?, ARCHIVO_VAL = ?, RUTA_DEST = ?, ICONO = "
                                          "? WHERE ID = ?"),
                           valores);
    });
    return v;
}

qint64 Diario::quitaRecepcion(const QList<qint64> &ids)
{
    qint64 v = 0;
    m_conexion.enTransaccion([&] {
        v = sube();
        for (qint64 id : ids)
            m_conexion.ejecuta(QStringLiteral("UPDATE TRANSMISION SET EN_RECEPCION = 0 WHERE ID = ?"), {id});
    });
    return v;
}

bool Diario::tomaSesion(Sesion clase, qint64 id) const
{
    const QString &sql = m_conexion.dialecto().tomaReclamo;
    if (sql.isEmpty())
        return true;
    QSqlQuery q = m_conexion.ejecuta(sql.arg(int(clase)).arg(id));
    const bool tomado = q.next() && q.value(0).toBool();
    if (tomado)
        m_sesiones.insert({int(clase), id}, m_conexion.sesion());
    return tomado;
}

void Diario::sueltaSesion(Sesion clase, qint64 id) const
{
    const QString &sql = m_conexion.dialecto().sueltaReclamo;
    const auto sesion = m_sesiones.constFind({int(clase), id});
    if (sesion == m_sesiones.cend())
        return;
    const bool misma = *sesion == m_conexion.sesion();
    m_sesiones.erase(sesion);
    if (!sql.isEmpty() && misma)
        m_conexion.ejecuta(sql.arg(int(clase)).arg(id));
}

bool Diario::reclamoVivo(const QString &programa, const QString &equipo, const QVariant &vence, qint64 ahora)
{
    // No lease (a claim of a version without them), or one that ran out.
    if (vence.isNull() || vence.toLongLong() <= ahora)
        return false;
    if (equipo != Diario::equipo())
        return true;
    // On this workstation, its process tells at once.
    bool ok = false;
    const qint64 pid = programa.section(u':', -1).toLongLong(&ok);
    if (!ok)
        return true;
    return pid == QCoreApplication::applicationPid() || ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

void Diario::barreHuerfanos(qint64 ahora) const
{
    QSqlQuery q = m_conexion.ejecuta(
        QStringLiteral("SELECT ID, PROGRAMA, EQUIPO, VENCE FROM TRANSMISION T WHERE ESTADO = 'ENVIANDO' AND NOT "
                       "EXISTS (SELECT 1 FROM COLA_ENVIO C WHERE C.TRANSMISION = T.ID)"));
    QList<qint64> muertos;
    while (q.next())
        if (!reclamoVivo(q.value(1).toString(), q.value(2).toString(), q.value(3), ahora))
            muertos << q.value(0).toLongLong();
    q.finish();
    for (qint64 id : std::as_const(muertos))
        m_conexion.ejecuta(QStringLiteral("DELETE FROM TRANSMISION WHERE ID = ? AND ESTADO = 'ENVIANDO'"), {id});
}

std::optional<Diario::Reclamo> Diario::reclama(qint64 cola, const QString &nombre, const QString &tipo)
{
    std::optional<Reclamo> reclamo;
    m_conexion.enTransaccion([&] {
        const qint64 v = sube();
        const qint64 ahora = ahoraServidor();
        QSqlQuery q = m_conexion.ejecuta(
            QStringLiteral("SELECT C.TRANSMISION, T.PROGRAMA, T.EQUIPO, T.VENCE, T.ESTADO, T.CARPETA_SERVIDOR, "
                           "T.TAMANO, T.SHA256 FROM COLA_ENVIO C LEFT JOIN TRANSMISION T ON T.ID = C.TRANSMISION "
                           "WHERE C.ID = ?"),
            {cola});
        if (!q.next())
            return; // gone: sent by another program, or removed
        std::optional<qint64> muerto;
        std::optional<Subida> cortada;
        if (!q.value(0).isNull()) {
            if (q.value(4).toString() == kEnviando) {
                if (reclamoVivo(q.value(1).toString(), q.value(2).toString(), q.value(3), ahora))
                    return;
                // A claim left by a program that ended in the middle: taken
                // over in its own row, which the queue row keeps pointing to.
                muerto = q.value(0).toLongLong();
                if (!q.value(6).isNull() && !q.value(7).toString().isEmpty())
                    cortada = Subida {q.value(5).toString(), q.value(6).toLongLong(), q.value(7).toString()};
            }
        }
        q.finish();
        // The same name queued twice (two programs that each added it): one
        // upload at a time, whichever row claimed it first.
        QSqlQuery mismo = m_conexion.ejecuta(QStringLiteral("SELECT ID, PROGRAMA, EQUIPO, VENCE FROM TRANSMISION "
                                                            "WHERE NOMBRE = ? AND ESTADO = 'ENVIANDO' AND ID <> ?"),
                                             {texto(nombre), muerto.value_or(0)});
        while (mismo.next())
            if (reclamoVivo(mismo.value(1).toString(), mismo.value(2).toString(), mismo.value(3), ahora))
                return;
        mismo.finish();
        barreHuerfanos(ahora);
        const QVariantList dueno {programa(), equipo(), utc(QDateTime::currentDateTimeUtc()),
                                  ahora + kVidaReclamoSegundos, v};
        qint64 id = 0;
        if (muerto) {
            id = *muerto;
            m_conexion.ejecuta(QStringLiteral("UPDATE TRANSMISION SET PROGRAMA = ?, EQUIPO = ?, RECLAMADO = ?, "
                                              "VENCE = ?, ORDEN = ? WHERE ID = ?"),
                               dueno + QVariantList {id});
        } else {
            id = m_conexion.inserta(QStringLiteral("INSERT INTO TRANSMISION (NOMBRE, TIPO, ESTADO, PROGRAMA, EQUIPO, "
                                                   "RECLAMADO, VENCE, ORDEN) VALUES (?, ?, 'ENVIANDO', ?, ?, ?, ?, ?)"),
                                    QVariantList {texto(nombre), texto(tipo)} + dueno);
            m_conexion.ejecuta(QStringLiteral("UPDATE COLA_ENVIO SET TRANSMISION = ? WHERE ID = ?"), {id, cola});
        }
        reclamo = Reclamo {id, v, cortada};
    });
    return reclamo;
}

bool Diario::renueva(qint64 transmision)
{
    QSqlQuery q = m_conexion.ejecuta(
        QStringLiteral("UPDATE TRANSMISION SET VENCE = %1 + ? WHERE ID = ? AND ESTADO = 'ENVIANDO' AND PROGRAMA = ? "
                       "AND EQUIPO = ?")
            .arg(m_conexion.dialecto().segundosServidor),
        {kVidaReclamoSegundos, transmision, programa(), equipo()});
    return q.numRowsAffected() == 1;
}

bool Diario::marcaSubida(qint64 transmision, const Subida &s)
{
    QSqlQuery q = m_conexion.ejecuta(
        QStringLiteral("UPDATE TRANSMISION SET CARPETA_SERVIDOR = ?, TAMANO = ?, SHA256 = ?, VENCE = %1 + ? WHERE ID "
                       "= ? AND ESTADO = 'ENVIANDO' AND PROGRAMA = ? AND EQUIPO = ?")
            .arg(m_conexion.dialecto().segundosServidor),
        {texto(s.carpetaServidor), s.tamano, texto(s.sha256), kVidaReclamoSegundos, transmision, programa(), equipo()});
    return q.numRowsAffected() == 1;
}

std::optional<qint64> Diario::enviadoDesdeCola(qint64 cola, const QString &nombre, const QString &sha256) const
{
    QSqlQuery q = m_conexion.ejecuta(
        QStringLiteral("SELECT MAX(T.ID) FROM TRANSMISION T, COLA_ENVIO C WHERE C.ID = ? AND UPPER(T.NOMBRE) = ? AND "
                       "T.SHA256 = ? AND T.ACEPTADO IS NOT NULL AND T.ORDEN > COALESCE(C.VISTO, C.ORDEN)"),
        {cola, nombre.toUpper(), sha256});
    if (!q.next() || q.value(0).isNull())
        return std::nullopt;
    return q.value(0).toLongLong();
}

qint64 Diario::descarta(qint64 cola, qint64 transmision)
{
    qint64 v = 0;
    m_conexion.enTransaccion([&] {
        v = sube();
        m_conexion.ejecuta(QStringLiteral("DELETE FROM COLA_ENVIO WHERE ID = ?"), {cola});
        m_conexion.ejecuta(QStringLiteral("DELETE FROM TRANSMISION WHERE ID = ? AND ESTADO = 'ENVIANDO'"),
                           {transmision});
    });
    return v;
}

qint64 Diario::libera(qint64 transmision)
{
    qint64 v = 0;
    m_conexion.enTransaccion([&] {
        v = sube();
        // Only this program's claim: one taken over by another program
        // (after this one's lease ran out) is that program's now.
        QSqlQuery q = m_conexion.ejecuta(QStringLiteral("SELECT COUNT(*) FROM TRANSMISION WHERE ID = ? AND ESTADO = "
                                                        "'ENVIANDO' AND PROGRAMA = ? AND EQUIPO = ?"),
                                         {transmision, programa(), equipo()});
        const bool propio = q.next() && q.value(0).toInt() > 0;
        q.finish();
        if (!propio)
            return;
        m_conexion.ejecuta(QStringLiteral("UPDATE COLA_ENVIO SET TRANSMISION = NULL WHERE TRANSMISION = ?"),
                           {transmision});
        m_conexion.ejecuta(QStringLiteral("DELETE FROM TRANSMISION WHERE ID = ? AND ESTADO = 'ENVIANDO'"),
                           {transmision});
    });
    return v;
}

qint64 Diario::acepta(qint64 transmision, const Aceptacion &a, QDateTime momento)
{
    qint64 v = 0;
    m_conexion.enTransaccion([&] {
        v = sube();
        QVariantList valores = valoresRecepcion(a.recepcion);
        valores << texto(a.carpetaServidor) << a.tamano << texto(a.sha256);
        const QString aceptado = hora(valores, momento);
        valores << v << transmision;
        m_conexion.ejecuta(QStringLiteral("UPDATE TRANSMISION SET NOMBRE = ?, PREV = ?, VAL = ?, HORA = ?, RUTA_PREV = "
                                          "?, RUTA_VAL = ?, ARCHIVO_PREV = ?, ARCHIVO_VAL = ?, RUTA_DEST = ?, ICONO = "
                                          "?, CARPETA_SERVIDOR = ?, TAMANO = ?, SHA256 = ?, ACEPTADO = %1, ESTADO = "
                                          "'ENVIADO', EN_RECEPCION = 1, ORDEN = ? WHERE ID = ?")
                               .arg(aceptado),
                           valores);
        m_conexion.ejecuta(QStringLiteral("DELETE FROM COLA_ENVIO WHERE TRANSMISION = ?"), {transmision});
        // Other queue rows of the same name that nobody claimed are the same
        // file queued twice: this upload sent it.
        m_conexion.ejecuta(QStringLiteral("DELETE FROM COLA_ENVIO WHERE TRANSMISION IS NULL AND NOMBRE = (SELECT "
                                          "NOMBRE FROM TRANSMISION WHERE ID = ?)"),
                           {transmision});
    });
    return v;
}

void Diario::anotaProteccion(qint64 transmision, bool control, bool datos)
{
    m_conexion.ejecuta(QStringLiteral("UPDATE TRANSMISION SET CONTROL_CIFRADO = ?, DATOS_CIFRADOS = ? WHERE ID = ?"),
                       {int(control), int(datos), transmision});
}

QStringList Diario::pasoProteccion()
{
    return {QStringLiteral("ALTER TABLE TRANSMISION ADD COLUMN CONTROL_CIFRADO SMALLINT NULL"),
            QStringLiteral("ALTER TABLE TRANSMISION ADD COLUMN DATOS_CIFRADOS SMALLINT NULL")};
}

QStringList Diario::pasoBusqueda()
{
    return {QStringLiteral("CREATE INDEX DIARIO_TRANSMISION_MAYUSCULAS ON TRANSMISION (UPPER(NOMBRE))"),
            QStringLiteral("CREATE INDEX DIARIO_RESPUESTA_MAYUSCULAS ON RESPUESTA (UPPER(NOMBRE))"),
            // ACEPTADO IS NULL AND RECLAMADO in a range: the history's day
            // of a file listed without an upload.
            QStringLiteral("CREATE INDEX DIARIO_TRANSMISION_MOMENTO ON TRANSMISION (ACEPTADO, RECLAMADO)"),
            // The claims still under way, looked for at every claim.
            QStringLiteral("CREATE INDEX DIARIO_TRANSMISION_ESTADO ON TRANSMISION (ESTADO)")};
}

std::optional<Diario::Reclamo> Diario::mueve(qint64 cola, const QString &tipo, const FilaRecepcion &recepcion)
{
    std::optional<Reclamo> movido;
    m_conexion.enTransaccion([&] {
        const qint64 v = sube();
        QSqlQuery q = m_conexion.ejecuta(
            QStringLiteral("SELECT C.TRANSMISION, T.PROGRAMA, T.EQUIPO, T.VENCE FROM COLA_ENVIO C LEFT JOIN "
                           "TRANSMISION T ON T.ID = C.TRANSMISION WHERE C.ID = ?"),
            {cola});
        if (!q.next())
            return;
        std::optional<qint64> muerto;
        if (!q.value(0).isNull()) {
            if (reclamoVivo(q.value(1).toString(), q.value(2).toString(), q.value(3), ahoraServidor()))
                return;
            muerto = q.value(0).toLongLong();
        }
        q.finish();
        QVariantList valores = valoresRecepcion(recepcion);
        valores << texto(tipo) << programa() << utc(QDateTime::currentDateTimeUtc()) << v;
        const qint64 id = m_conexion.inserta(QStringLiteral("INSERT INTO TRANSMISION (%1, ESTADO, TIPO, PROGRAMA, "
                                                            "RECLAMADO, EN_RECEPCION, ORDEN) VALUES (?, ?, ?, ?, ?, ?, "
                                                            "?, ?, ?, ?, 'MOVIDO', ?, ?, ?, 1, ?)")
                                                 .arg(QLatin1StringView(kColumnasRecepcion)),
                                             valores);
        m_conexion.ejecuta(QStringLiteral("DELETE FROM COLA_ENVIO WHERE ID = ?"), {cola});
        if (muerto)
            m_conexion.ejecuta(QStringLiteral("DELETE FROM TRANSMISION WHERE ID = ? AND ESTADO = 'ENVIANDO'"),
                               {*muerto});
        movido = Reclamo {id, v, std::nullopt};
    });
    return movido;
}

std::optional<QDateTime> Diario::aceptadoAntes(const QString &nombre, const QString &sha256) const
{
    QSqlQuery q = m_conexion.ejecuta(QStringLiteral("SELECT MAX(ACEPTADO) FROM TRANSMISION WHERE UPPER(NOMBRE) = ? "
                                                    "AND SHA256 = ? AND ACEPTADO IS NOT NULL"),
                                     {nombre.toUpper(), sha256});
    if (!q.next() || q.value(0).isNull())
        return std::nullopt;
    return deUtc(q.value(0).toString());
}

namespace {
std::atomic<qint64> g_contenidoMaximo {qint64(16) << 20};
} // namespace

qint64 Diario::contenidoMaximo()
{
    return g_contenidoMaximo;
}

void Diario::fijaContenidoMaximo(qint64 bytes)
{
    g_contenidoMaximo = bytes;
}

std::optional<Diario::Guardado> Diario::guardaRespuesta(const RespuestaNueva &r, QDateTime momento,
                                                        const std::function<QString()> &guarda)
{
    const Lote lote = guardaRespuestas(
        {r}, momento, [&](qsizetype) { return guarda(); }, [] {});
    if (lote.fallo)
        std::rethrow_exception(lote.fallo);
    return lote.guardados.value(0);
}

Diario::Lote Diario::guardaRespuestas(const QList<RespuestaNueva> &respuestas, QDateTime momento,
                                      const std::function<QString(qsizetype)> &guarda,
                                      const std::function<void()> &alFinal)
{
    QList<std::optional<Guardado>> guardados(respuestas.size());
    std::exception_ptr fallo;
    m_conexion.enTransaccion([&] {
        const qint64 v = sube();
        for (qsizetype i = 0; i < respuestas.size() && !fallo; ++i) {
            const RespuestaNueva &r = respuestas.at(i);
            const QString marca = r.clase == u"K" ? QStringLiteral("PREV") : QStringLiteral("VAL");
            QSqlQuery q = m_conexion.ejecuta(
                QStringLiteral("UPDATE TRANSMISION SET %1 = 'X' WHERE ID = ? AND %1 = '' AND EN_RECEPCION = 1")
                    .arg(marca),
                {r.transmision});
            if (q.numRowsAffected() != 1)
                continue; // in already, or no longer awaited
            q.finish();
            QString ruta;
            try {
                ruta = guarda(i);
            } catch (...) {
                // This one stays awaited (it is fetched again); the ones
                // stored before it are kept.
                fallo = std::current_exception();
                m_conexion.ejecuta(QStringLiteral("UPDATE TRANSMISION SET %1 = '' WHERE ID = ?").arg(marca),
                                   {r.transmision});
                break;
            }
            QVariantList valores {r.transmision,  texto(r.clase), texto(r.nombre),
                                  texto(r.icono), r.tamano,       texto(r.sha256)};
            const QString guardado = hora(valores, momento);
            valores << texto(ruta) << v;
            const qint64 id = m_conexion.inserta(
                QStringLiteral("INSERT INTO RESPUESTA (TRANSMISION, CLASE, NOMBRE, ICONO, TAMANO, SHA256, GUARDADO, "
                               "RUTA, EN_ENVIO, ORDEN) VALUES (?, ?, ?, ?, ?, ?, %1, ?, 1, ?)")
                    .arg(guardado),
                valores);
            if (!r.sinContenido)
                m_conexion.ejecuta(
                    QStringLiteral("INSERT INTO RESPUESTA_CONTENIDO (RESPUESTA, CONTENIDO) VALUES (?, ?)"),
                    {id, r.contenido.isNull() ? QByteArray("") : r.contenido});
            guardados[i] = Guardado {v, id, ruta};
        }
        alFinal();
    });
    return {guardados, fallo};
}

bool Diario::reclamaRespuesta(qint64 transmision, const QString &clase)
{
    const bool prev = clase == u"K";
    const Sesion sesion = prev ? Sesion::Prevalidacion : Sesion::Validacion;
    if (!tomaSesion(sesion, transmision))
        return false;
    QSqlQuery q = m_conexion.ejecuta(
        QStringLiteral("SELECT COUNT(*) FROM TRANSMISION WHERE ID = ? AND %1 = '' AND EN_RECEPCION = 1")
            .arg(prev ? QStringLiteral("PREV") : QStringLiteral("VAL")),
        {transmision});
    const bool espera = q.next() && q.value(0).toInt() > 0;
    q.finish();
    if (!espera)
        sueltaSesion(sesion, transmision);
    return espera;
}

void Diario::sueltaRespuesta(qint64 transmision, const QString &clase)
{
    sueltaSesion(clase == u"K" ? Sesion::Prevalidacion : Sesion::Validacion, transmision);
}

void Diario::mueveRuta(const QString &ruta, const QString &nueva)
{
    m_conexion.ejecuta(QStringLiteral("UPDATE RESPUESTA SET RUTA = ? WHERE RUTA = ?"), {nueva, ruta});
}

bool Diario::reclamada(qint64 cola) const
{
    QSqlQuery q = m_conexion.ejecuta(
        QStringLiteral("SELECT C.TRANSMISION, T.PROGRAMA, T.EQUIPO, T.VENCE, T.ESTADO FROM COLA_ENVIO C LEFT JOIN "
                       "TRANSMISION T ON T.ID = C.TRANSMISION WHERE C.ID = ?"),
        {cola});
    if (!q.next())
        return true; // gone: sent by another program, or removed
    const qint64 ahora = ahoraServidor();
    if (!q.value(0).isNull() && q.value(4).toString() == kEnviando
        && reclamoVivo(q.value(1).toString(), q.value(2).toString(), q.value(3), ahora))
        return true;
    q.finish();
    // The same name queued twice, being sent from the other row: that upload
    // takes this row out of the queue when it is accepted.
    QSqlQuery mismo = m_conexion.ejecuta(
        QStringLiteral("SELECT T.PROGRAMA, T.EQUIPO, T.VENCE FROM COLA_ENVIO C, TRANSMISION T WHERE C.ID = ? AND "
                       "T.NOMBRE = C.NOMBRE AND T.ESTADO = 'ENVIANDO'"),
        {cola});
    while (mismo.next())
        if (reclamoVivo(mismo.value(0).toString(), mismo.value(1).toString(), mismo.value(2), ahora))
            return true;
    mismo.finish();
    // Queued by a program that had not read that another program sent the
    // name meanwhile: the send that takes it finds the upload made.
    QSqlQuery enviado = m_conexion.ejecuta(
        QStringLiteral("SELECT COUNT(*) FROM COLA_ENVIO C, TRANSMISION T WHERE C.ID = ? AND UPPER(T.NOMBRE) = "
                       "UPPER(C.NOMBRE) AND T.ACEPTADO IS NOT NULL AND T.ORDEN > COALESCE(C.VISTO, C.ORDEN)"),
        {cola});
    return enviado.next() && enviado.value(0).toInt() > 0;
}
