#include "core/db/HistorialDiario.h"

#include "core/db/Conexion.h"

#include <QHash>
#include <QSqlQuery>
#include <QTimeZone>

namespace {

QString utc(const QDateTime &momento)
{
    return momento.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime deUtc(const QVariant &valor)
{
    if (valor.isNull() || valor.toString().isEmpty())
        return {};
    const QString texto = valor.toString();
    QDateTime t = QDateTime::fromString(texto, Qt::ISODateWithMs);
    if (!t.isValid())
        t = QDateTime::fromString(texto, Qt::ISODate);
    t.setTimeSpec(Qt::UTC);
    return t;
}

std::optional<qint64> entero(const QVariant &valor)
{
    if (valor.isNull())
        return std::nullopt;
    return valor.toLongLong();
}

// A LIKE pattern that finds the text anywhere, its own % and _ taken literally.
QString contiene(const QString &texto)
{
    QString t = texto.toUpper();
    t.replace(u'\\', QStringLiteral("\\\\")).replace(u'%', QStringLiteral("\\%")).replace(u'_', QStringLiteral("\\_"));
    return u'%' + t + u'%';
}

// The range of NOMBRE_PARTE that holds the parts of names beginning with the
// search (its first kParte characters), in the code points' order both
// engines give that table; nothing when the search ends in a character with
// no plain successor, which then is searched by its LIKE alone.
std::optional<std::pair<QString, QString>> rangoParte(const QString &texto)
{
    const QString desde = texto.toUpper().left(HistorialDiario::kParte);
    if (desde.isEmpty())
        return std::nullopt;
    const char16_t ultimo = desde.back().unicode();
    if (ultimo >= 0xD7FF)
        return std::nullopt;
    return std::pair {desde, desde.left(desde.size() - 1) + QChar(char16_t(ultimo + 1))};
}

// The moment of a transmission: when the server accepted it, or when it was
// listed without an upload.
const char *const kMomento = "COALESCE(T.ACEPTADO, NULLIF(T.RECLAMADO, ''))";

} // namespace

HistorialDiario::HistorialDiario(const Conexion &conexion)
    : m_conexion(conexion)
{
}

QStringList HistorialDiario::pasoEsquema()
{
    return {
        QStringLiteral("ALTER TABLE RESPUESTA ADD COLUMN PEDIMENTOS SMALLINT NOT NULL DEFAULT 0"),
        QStringLiteral("CREATE TABLE PEDIMENTO (RESPUESTA INTEGER NOT NULL REFERENCES RESPUESTA (ID), NUMERO "
                       "VARCHAR(40) NOT NULL)"),
        QStringLiteral("CREATE INDEX DIARIO_PEDIMENTO_NUMERO ON PEDIMENTO (NUMERO)"),
        QStringLiteral("CREATE INDEX DIARIO_PEDIMENTO_RESPUESTA ON PEDIMENTO (RESPUESTA)"),
        QStringLiteral("CREATE INDEX DIARIO_RESPUESTA_PEDIMENTOS ON RESPUESTA (PEDIMENTOS)"),
    };
}

QStringList HistorialDiario::pasoIlegibles()
{
    return {QStringLiteral("ALTER TABLE RESPUESTA ADD COLUMN ILEGIBLE VARCHAR(1024) NOT NULL DEFAULT ''")};
}

QStringList HistorialDiario::pasoPartesNombre(bool servidor)
{
    // Each part from character K on: SUBSTR(UPPER(NOMBRE), K, 12) for K up to
    // the name's length, in the engine's own capitals, as the search's LIKE
    // compares them. A name may repeat a part (a long run of one letter):
    // it is kept once.
    const QString parte
        = QStringLiteral("SUBSTR(UPPER(%1.NOMBRE), K, %2)").arg(QStringLiteral("%1"), QString::number(kParte));
    if (servidor) {
        const QString de = QStringLiteral("FROM generate_series(1, LENGTH(%1.NOMBRE)) AS K");
        const QString alta
            = QStringLiteral("INSERT INTO NOMBRE_PARTE (PARTE, TRANSMISION) SELECT %1 COLLATE \"C\", NEW.ID %2 ON "
                             "CONFLICT DO NOTHING;")
                  .arg(parte.arg(u"NEW"), de.arg(u"NEW"));
        const QString baja = QStringLiteral("DELETE FROM NOMBRE_PARTE WHERE TRANSMISION = OLD.ID AND PARTE IN (SELECT "
                                            "%1 COLLATE \"C\" %2);")
                                 .arg(parte.arg(u"OLD"), de.arg(u"OLD"));
        return {
            QStringLiteral("CREATE TABLE NOMBRE_PARTE (PARTE VARCHAR(%1) COLLATE \"C\" NOT NULL, TRANSMISION BIGINT "
                           "NOT NULL, PRIMARY KEY (PARTE, TRANSMISION))")
                .arg(kParte),
            QStringLiteral("INSERT INTO NOMBRE_PARTE (PARTE, TRANSMISION) SELECT DISTINCT %1 COLLATE \"C\", T.ID FROM "
                           "TRANSMISION T CROSS JOIN LATERAL generate_series(1, LENGTH(T.NOMBRE)) AS K")
                .arg(parte.arg(u"T")),
            QStringLiteral("CREATE FUNCTION DIARIO_PARTES_NOMBRE() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF "
                           "TG_OP <> 'INSERT' THEN %1 END IF; IF TG_OP <> 'DELETE' THEN %2 END IF; RETURN NULL; END "
                           "$$")
                .arg(baja, alta),
            QStringLiteral("CREATE TRIGGER DIARIO_PARTES_NOMBRE AFTER INSERT OR DELETE OR UPDATE OF NOMBRE ON "
                           "TRANSMISION FOR EACH ROW EXECUTE FUNCTION DIARIO_PARTES_NOMBRE()"),
        };
    }
    // SQLite runs no WITH inside a trigger: the positions are a table.
    const QString de = QStringLiteral("FROM NOMBRE_POSICION WHERE K <= LENGTH(%1.NOMBRE)");
    const QString alta = QStringLiteral("INSERT OR IGNORE INTO NOMBRE_PARTE (PARTE, TRANSMISION) SELECT %1, NEW.ID %2;")
                             .arg(parte.arg(u"NEW"), de.arg(u"NEW"));
    const QString baja
        = QStringLiteral("DELETE FROM NOMBRE_PARTE WHERE TRANSMISION = OLD.ID AND PARTE IN (SELECT %1 %2);")
              .arg(parte.arg(u"OLD"), de.arg(u"OLD"));
    return {
        // A name holds at most 255 characters (TRANSMISION.NOMBRE).
        QStringLiteral("CREATE TABLE NOMBRE_POSICION (K INTEGER NOT NULL PRIMARY KEY)"),
        QStringLiteral("INSERT INTO NOMBRE_POSICION (K) WITH RECURSIVE S(K) AS (SELECT 1 UNION ALL SELECT K + 1 FROM "
                       "S WHERE K < 255) SELECT K FROM S"),
        QStringLiteral("CREATE TABLE NOMBRE_PARTE (PARTE VARCHAR(%1) NOT NULL, TRANSMISION INTEGER NOT NULL, PRIMARY "
                       "KEY (PARTE, TRANSMISION)) WITHOUT ROWID")
            .arg(kParte),
        QStringLiteral("INSERT OR IGNORE INTO NOMBRE_PARTE (PARTE, TRANSMISION) SELECT %1, T.ID FROM TRANSMISION T "
                       "JOIN NOMBRE_POSICION P ON P.K <= LENGTH(T.NOMBRE)")
            .arg(parte.arg(u"T")),
        QStringLiteral("CREATE TRIGGER DIARIO_PARTES_ALTA AFTER INSERT ON TRANSMISION BEGIN %1 END").arg(alta),
        QStringLiteral("CREATE TRIGGER DIARIO_PARTES_BAJA AFTER DELETE ON TRANSMISION BEGIN %1 END").arg(baja),
        QStringLiteral("CREATE TRIGGER DIARIO_PARTES_CAMBIO AFTER UPDATE OF NOMBRE ON TRANSMISION WHEN NEW.NOMBRE IS "
                       "NOT OLD.NOMBRE BEGIN %1 %2 END")
            .arg(baja, alta),
    };
}

QList<HistorialDiario::Transmision> HistorialDiario::lee(const QString &donde, const QVariantList &valores) const
{
    QSqlQuery q = m_conexion.ejecuta(
        QStringLiteral(
            "SELECT T.ID, T.NOMBRE, T.TIPO, T.ESTADO, T.CARPETA_SERVIDOR, T.TAMANO, T.SHA256, %1, "
            "T.EN_RECEPCION, T.PREV, T.VAL, R.ID, R.CLASE, R.NOMBRE, R.TAMANO, R.SHA256, R.GUARDADO, R.RUTA, "
            "T.CONTROL_CIFRADO, T.DATOS_CIFRADOS FROM TRANSMISION T LEFT JOIN RESPUESTA R ON R.TRANSMISION = T.ID "
            "WHERE T.ESTADO <> 'ENVIANDO' "
            "%2 ORDER BY T.ORDEN DESC, T.ID DESC, R.ID")
            .arg(QLatin1StringView(kMomento), donde),
        valores);
    QList<Transmision> lista;
    while (q.next()) {
        const qint64 id = q.value(0).toLongLong();
        if (lista.isEmpty() || lista.last().id != id) {
            Transmision t;
            t.id = id;
            t.nombre = q.value(1).toString();
            t.tipo = q.value(2).toString();
            t.estado = q.value(3).toString();
            t.carpetaServidor = q.value(4).toString();
            t.tamano = entero(q.value(5));
            t.sha256 = q.value(6).toString();
            t.aceptado = deUtc(q.value(7));
            t.enRecepcion = q.value(8).toInt() != 0;
            t.prevRecibida = q.value(9).toString() == u"X";
            t.valRecibida = q.value(10).toString() == u"X";
            if (!q.value(18).isNull())
                t.controlCifrado = q.value(18).toInt() != 0;
            if (!q.value(19).isNull())
                t.datosCifrados = q.value(19).toInt() != 0;
            lista.append(t);
        }
        if (q.value(11).isNull())
            continue;
        lista.last().respuestas.append({q.value(11).toLongLong(), q.value(12).toString(), q.value(13).toString(),
                                        entero(q.value(14)), q.value(15).toString(), deUtc(q.value(16)),
                                        q.value(17).toString()});
    }
    if (lista.isEmpty())
        return lista;
    // The responses passed over, beside them.
    QHash<qint64, qsizetype> posicion;
    for (qsizetype i = 0; i < lista.size(); ++i)
        posicion.insert(lista.at(i).id, i);
    QSqlQuery p = m_conexion.ejecuta(
        QStringLiteral("SELECT P.TRANSMISION, P.CLASE, P.NOMBRE, P.HORA_SERVIDOR, P.TAMANO, P.SHA256, P.MOTIVO, "
                       "P.VISTO FROM RESPUESTA_PASADA P JOIN TRANSMISION T ON T.ID = P.TRANSMISION WHERE T.ESTADO <> "
                       "'ENVIANDO' %1 ORDER BY P.ID")
            .arg(donde),
        valores);
    while (p.next()) {
        const auto it = posicion.constFind(p.value(0).toLongLong());
        if (it == posicion.constEnd())
            continue;
        lista[*it].pasadas.append({p.value(1).toString(), p.value(2).toString(), deUtc(p.value(3)),
                                   p.value(4).toLongLong(), p.value(5).toString(),
                                   p.value(6).toString() == u"SOSPECHOSA", deUtc(p.value(7))});
    }
    return lista;
}

QList<HistorialDiario::Transmision> HistorialDiario::consulta(const Filtro &f) const
{
    QString donde;
    QVariantList valores;
    // The moment, bounded column by column so that the indexes serve it:
    // the acceptance, or the claim of a file listed without an upload (an
    // empty claim has no moment).
    if (f.desde.isValid() || f.hasta.isValid()) {
        QStringList aceptado;
        QStringList reclamado {QStringLiteral("T.ACEPTADO IS NULL")};
        QVariantList deAceptado;
        QVariantList deReclamado;
        if (f.desde.isValid()) {
            aceptado << QStringLiteral("T.ACEPTADO >= ?");
            reclamado << QStringLiteral("T.RECLAMADO >= ?");
            deAceptado << utc(f.desde);
            deReclamado << utc(f.desde);
        } else {
            reclamado << QStringLiteral("T.RECLAMADO <> ''");
        }
        if (f.hasta.isValid()) {
            aceptado << QStringLiteral("T.ACEPTADO < ?");
            reclamado << QStringLiteral("T.RECLAMADO < ?");
            deAceptado << utc(f.hasta);
            deReclamado << utc(f.hasta);
        }
        donde += QStringLiteral(" AND ((%1) OR (%2))")
                     .arg(aceptado.join(QStringLiteral(" AND ")), reclamado.join(QStringLiteral(" AND ")));
        valores << deAceptado << deReclamado;
    }
    if (!f.tipos.isEmpty()) {
        QStringList marcas;
        for (const QString &t : f.tipos) {
            marcas << QStringLiteral("?");
            valores << t.toUpper();
        }
        donde += QStringLiteral(" AND T.TIPO IN (%1)").arg(marcas.join(u", "));
    }
    if (!f.nombre.trimmed().isEmpty()) {
        donde += QStringLiteral(" AND UPPER(T.NOMBRE) LIKE ? ESCAPE '\\'");
        valores << contiene(f.nombre.trimmed());
        // The names that hold the search are those with a part that begins
        // with it: a range of NOMBRE_PARTE's key, however long the journal.
        // The LIKE above still decides (a search longer than a part).
        if (const auto rango = rangoParte(f.nombre.trimmed())) {
            donde += QStringLiteral(
                " AND T.ID IN (SELECT N.TRANSMISION FROM NOMBRE_PARTE N WHERE N.PARTE >= ? AND N.PARTE < ?)");
            valores << rango->first << rango->second;
        }
    }
    if (!f.pedimento.trimmed().isEmpty()) {
        donde += QStringLiteral(" AND T.ID IN (SELECT S.TRANSMISION FROM RESPUESTA S JOIN PEDIMENTO P ON "
                                "P.RESPUESTA = S.ID WHERE P.NUMERO = ?)");
        valores << f.pedimento.trimmed();
    }
    return lee(donde, valores);
}

std::optional<HistorialDiario::Transmision> HistorialDiario::ultimaAceptada(const QString &nombre) const
{
    QSqlQuery q = m_conexion.ejecuta(QStringLiteral("SELECT ID FROM TRANSMISION WHERE UPPER(NOMBRE) = ? AND ACEPTADO "
                                                    "IS NOT NULL ORDER BY ACEPTADO DESC, ID DESC"),
                                     {nombre.toUpper()});
    if (!q.next())
        return std::nullopt;
    const QList<Transmision> una = lee(QStringLiteral(" AND T.ID = ?"), {q.value(0)});
    if (una.isEmpty())
        return std::nullopt;
    return una.first();
}

std::optional<HistorialDiario::Guardada> HistorialDiario::ultimaRespuesta(const QString &nombre) const
{
    QSqlQuery q = m_conexion.ejecuta(
        QStringLiteral("SELECT ID, RUTA FROM RESPUESTA WHERE UPPER(NOMBRE) = ? ORDER BY ID DESC"), {nombre.toUpper()});
    if (!q.next())
        return std::nullopt;
    return Guardada {q.value(0).toLongLong(), q.value(1).toString()};
}

std::optional<QByteArray> HistorialDiario::contenido(qint64 respuesta) const
{
    QSqlQuery q = m_conexion.ejecuta(QStringLiteral("SELECT CONTENIDO FROM RESPUESTA_CONTENIDO WHERE RESPUESTA = ?"),
                                     {respuesta});
    if (!q.next())
        return std::nullopt;
    QByteArray bytes = q.value(0).toByteArray();
    q.finish();
    return bytes;
}

std::optional<qint64> HistorialDiario::tamanoContenido(qint64 respuesta) const
{
    QSqlQuery q = m_conexion.ejecuta(
        QStringLiteral("SELECT LENGTH(CONTENIDO) FROM RESPUESTA_CONTENIDO WHERE RESPUESTA = ?"), {respuesta});
    if (!q.next())
        return std::nullopt;
    return q.value(0).toLongLong();
}

std::optional<qint64> HistorialDiario::tamanoRespuesta(qint64 respuesta) const
{
    QSqlQuery q = m_conexion.ejecuta(QStringLiteral("SELECT TAMANO FROM RESPUESTA WHERE ID = ?"), {respuesta});
    if (!q.next() || q.value(0).isNull())
        return std::nullopt;
    return q.value(0).toLongLong();
}

QList<std::pair<qint64, QDateTime>> HistorialDiario::enEspera() const
{
    QSqlQuery q = m_conexion.ejecuta(
        QStringLiteral("SELECT ID, ACEPTADO FROM TRANSMISION WHERE EN_RECEPCION = 1 AND ACEPTADO IS NOT NULL"));
    QList<std::pair<qint64, QDateTime>> lista;
    while (q.next())
        lista.append({q.value(0).toLongLong(), deUtc(q.value(1))});
    return lista;
}

QList<HistorialDiario::PorLeer> HistorialDiario::sinPedimentos() const
{
    QSqlQuery q = m_conexion.ejecuta(
        QStringLiteral("SELECT ID, NOMBRE, RUTA FROM RESPUESTA WHERE PEDIMENTOS = 0 AND TRANSMISION IS NOT NULL"));
    QList<PorLeer> lista;
    while (q.next())
        lista.append({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString()});
    return lista;
}

QList<HistorialDiario::PorLeer> HistorialDiario::ilegibles() const
{
    QSqlQuery q = m_conexion.ejecuta(
        QStringLiteral("SELECT ID, NOMBRE, RUTA FROM RESPUESTA WHERE PEDIMENTOS = 2 AND TRANSMISION IS NOT NULL"));
    QList<PorLeer> lista;
    while (q.next())
        lista.append({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString()});
    return lista;
}

void HistorialDiario::anotaPedimentos(const QList<std::pair<qint64, QStringList>> &leidos)
{
    if (leidos.isEmpty())
        return;
    m_conexion.enTransaccion([&] {
        for (const auto &[respuesta, numeros] : leidos) {
            QSqlQuery q = m_conexion.ejecuta(QStringLiteral("UPDATE RESPUESTA SET PEDIMENTOS = 1, ILEGIBLE = '' WHERE "
                                                            "ID = ? AND PEDIMENTOS IN (0, 2)"),
                                             {respuesta});
            if (q.numRowsAffected() != 1)
                continue;
            for (const QString &n : numeros)
                m_conexion.ejecuta(QStringLiteral("INSERT INTO PEDIMENTO (RESPUESTA, NUMERO) VALUES (?, ?)"),
                                   {respuesta, n});
        }
    });
}

void HistorialDiario::anotaIlegibles(const QList<std::pair<qint64, QString>> &motivos)
{
    if (motivos.isEmpty())
        return;
    m_conexion.enTransaccion([&] {
        for (const auto &[respuesta, motivo] : motivos)
            m_conexion.ejecuta(
                QStringLiteral(
                    "UPDATE RESPUESTA SET PEDIMENTOS = 2, ILEGIBLE = ? WHERE ID = ? AND PEDIMENTOS IN (0, 2)"),
                {motivo.left(1024), respuesta});
    });
}
