#include "core/db/Diario.h"

#include "core/db/Conexion.h"
#include "core/db/Dialecto.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTimeZone>

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

QString Diario::programa()
{
    return QSysInfo::machineHostName() + u':' + QString::number(QCoreApplication::applicationPid());
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
        QVariantList valores {texto(f.nombre), texto(f.icono), texto(f.rutaPre), texto(f.rutaVal)};
        const QString agregado = hora(valores, QDateTime::currentDateTimeUtc());
        valores << v;
        *id = m_conexion.inserta(QStringLiteral("INSERT INTO COLA_ENVIO (NOMBRE, ICONO, RUTA_PRE, RUTA_VAL, "
                                                "AGREGADO, ORDEN) VALUES (?, ?, ?, ?, %1, ?)")
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
    return q.next() && q.value(0).toBool();
}

void Diario::sueltaSesion(Sesion clase, qint64 id) const
{
    const QString &sql = m_conexion.dialecto().sueltaReclamo;
    if (!sql.isEmpty())
        m_conexion.ejecuta(sql.arg(int(clase)).arg(id));
}

bool Diario::reclamoVivo(qint64 transmision, const QString &programa, const QString &momento) const
{
    if (programa == Diario::programa())
        return true;
    if (!m_conexion.dialecto().tomaReclamo.isEmpty()) {
        // Held by the claimant's session while it lives, wherever it runs.
        if (!tomaSesion(Sesion::Envio, transmision))
            return true;
        sueltaSesion(Sesion::Envio, transmision);
        return false;
    }
    const QString equipo = programa.section(u':', 0, -2);
    bool ok = false;
    const qint64 pid = programa.section(u':', -1).toLongLong(&ok);
    if (ok && equipo == QSysInfo::machineHostName())
        return pid == QCoreApplication::applicationPid() || ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
    const QDateTime cuando = deUtc(momento);
    return cuando.isValid() && cuando.secsTo(QDateTime::currentDateTimeUtc()) < kVidaReclamoSegundos;
}

std::optional<Diario::Reclamo> Diario::reclama(qint64 cola, const QString &nombre, const QString &tipo)
{
    std::optional<Reclamo> reclamo;
    m_conexion.enTransaccion([&] {
        const qint64 v = sube();
        QSqlQuery q = m_conexion.ejecuta(
            QStringLiteral("SELECT C.TRANSMISION, T.PROGRAMA, T.RECLAMADO, T.ESTADO FROM COLA_ENVIO C LEFT JOIN "
                           "TRANSMISION T ON T.ID = C.TRANSMISION WHERE C.ID = ?"),
            {cola});
        if (!q.next())
            return; // gone: sent by another program, or removed
        if (!q.value(0).isNull()) {
            if (q.value(3).toString() == kEnviando
                && reclamoVivo(q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString()))
                return;
            // A claim left by a program that ended in the middle: the file
            // was never accepted, so it is claimed afresh.
            m_conexion.ejecuta(QStringLiteral("DELETE FROM TRANSMISION WHERE ID = ? AND ESTADO = 'ENVIANDO'"),
                               {q.value(0)});
        }
        q.finish();
        // The same name queued twice (two programs that each added it): one
        // upload at a time, whichever row claimed it first.
        QSqlQuery mismo = m_conexion.ejecuta(QStringLiteral("SELECT ID, PROGRAMA, RECLAMADO FROM TRANSMISION WHERE "
                                                            "NOMBRE = ? AND ESTADO = 'ENVIANDO'"),
                                             {texto(nombre)});
        while (mismo.next())
            if (reclamoVivo(mismo.value(0).toLongLong(), mismo.value(1).toString(), mismo.value(2).toString()))
                return;
        mismo.finish();
        const qint64 id
            = m_conexion.inserta(QStringLiteral("INSERT INTO TRANSMISION (NOMBRE, TIPO, ESTADO, PROGRAMA, "
                                                "RECLAMADO, ORDEN) VALUES (?, ?, 'ENVIANDO', ?, ?, ?)"),
                                 {texto(nombre), texto(tipo), programa(), utc(QDateTime::currentDateTimeUtc()), v});
        m_conexion.ejecuta(QStringLiteral("UPDATE COLA_ENVIO SET TRANSMISION = ? WHERE ID = ?"), {id, cola});
        tomaSesion(Sesion::Envio, id);
        reclamo = Reclamo {id, v};
    });
    return reclamo;
}

qint64 Diario::libera(qint64 transmision)
{
    qint64 v = 0;
    m_conexion.enTransaccion([&] {
        v = sube();
        m_conexion.ejecuta(QStringLiteral("UPDATE COLA_ENVIO SET TRANSMISION = NULL WHERE TRANSMISION = ?"),
                           {transmision});
        m_conexion.ejecuta(QStringLiteral("DELETE FROM TRANSMISION WHERE ID = ? AND ESTADO = 'ENVIANDO'"),
                           {transmision});
    });
    sueltaSesion(Sesion::Envio, transmision);
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
    sueltaSesion(Sesion::Envio, transmision);
    return v;
}

std::optional<Diario::Reclamo> Diario::mueve(qint64 cola, const QString &tipo, const FilaRecepcion &recepcion)
{
    std::optional<Reclamo> movido;
    m_conexion.enTransaccion([&] {
        const qint64 v = sube();
        QSqlQuery q = m_conexion.ejecuta(QStringLiteral("SELECT TRANSMISION FROM COLA_ENVIO WHERE ID = ?"), {cola});
        if (!q.next() || !q.value(0).isNull())
            return;
        QVariantList valores = valoresRecepcion(recepcion);
        valores << texto(tipo) << programa() << utc(QDateTime::currentDateTimeUtc()) << v;
        const qint64 id = m_conexion.inserta(QStringLiteral("INSERT INTO TRANSMISION (%1, ESTADO, TIPO, PROGRAMA, "
                                                            "RECLAMADO, EN_RECEPCION, ORDEN) VALUES (?, ?, ?, ?, ?, ?, "
                                                            "?, ?, ?, ?, 'MOVIDO', ?, ?, ?, 1, ?)")
                                                 .arg(QLatin1StringView(kColumnasRecepcion)),
                                             valores);
        m_conexion.ejecuta(QStringLiteral("DELETE FROM COLA_ENVIO WHERE ID = ?"), {cola});
        movido = Reclamo {id, v};
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
            m_conexion.ejecuta(QStringLiteral("INSERT INTO RESPUESTA_CONTENIDO (RESPUESTA, CONTENIDO) VALUES (?, ?)"),
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
        QStringLiteral("SELECT COUNT(*) FROM COLA_ENVIO WHERE ID = ? AND TRANSMISION IS NOT NULL"), {cola});
    return q.next() && q.value(0).toInt() > 0;
}
