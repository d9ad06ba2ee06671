#include "core/db/HorasServidor.h"

#include "core/db/Conexion.h"

#include <QSqlQuery>

namespace {

QString utc(const QDateTime &momento)
{
    return momento.toUTC().toString(Qt::ISODateWithMs);
}

QVariant utcONulo(const std::optional<QDateTime> &momento)
{
    return momento && momento->isValid() ? QVariant(utc(*momento)) : QVariant(QMetaType(QMetaType::QString));
}

} // namespace

HorasServidor::HorasServidor(const Conexion &conexion)
    : m_conexion(conexion)
{
}

QStringList HorasServidor::pasoEsquema()
{
    return {
        QStringLiteral("ALTER TABLE TRANSMISION ADD COLUMN HORA_SERVIDOR VARCHAR(30) NULL"),
        QStringLiteral("ALTER TABLE RESPUESTA ADD COLUMN HORA_SERVIDOR VARCHAR(30) NULL"),
        QStringLiteral("CREATE TABLE RESPUESTA_PASADA (ID INTEGER PRIMARY KEY, TRANSMISION BIGINT NOT NULL REFERENCES "
                       "TRANSMISION (ID), CLASE VARCHAR(1) NOT NULL, NOMBRE VARCHAR(255) NOT NULL, HORA_SERVIDOR "
                       "VARCHAR(30) NULL, TAMANO BIGINT NOT NULL, SHA256 VARCHAR(64) NOT NULL, MOTIVO VARCHAR(20) NOT "
                       "NULL, VISTO VARCHAR(30) NOT NULL)"),
        QStringLiteral("CREATE UNIQUE INDEX DIARIO_RESPUESTA_PASADA ON RESPUESTA_PASADA (TRANSMISION, CLASE, SHA256)"),
    };
}

void HorasServidor::anotaEnvio(qint64 transmision, const QDateTime &hora) const
{
    m_conexion.ejecuta(QStringLiteral("UPDATE TRANSMISION SET HORA_SERVIDOR = ? WHERE ID = ?"),
                       {utc(hora), transmision});
}

void HorasServidor::anotaRespuesta(qint64 respuesta, const QDateTime &hora) const
{
    m_conexion.ejecuta(QStringLiteral("UPDATE RESPUESTA SET HORA_SERVIDOR = ? WHERE ID = ?"), {utc(hora), respuesta});
}

HorasServidor::Envio HorasServidor::envio(qint64 transmision) const
{
    QSqlQuery q = m_conexion.ejecuta(QStringLiteral("SELECT ESTADO, HORA_SERVIDOR FROM TRANSMISION WHERE ID = ?"),
                                     {transmision});
    Envio e;
    if (!q.next())
        return e;
    e.subido = q.value(0).toString() != u"MOVIDO";
    if (!q.value(1).isNull()) {
        QDateTime t = QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs);
        if (t.isValid())
            e.hora = t.toUTC();
    }
    return e;
}

std::optional<QString> HorasServidor::anterior(const QString &nombre, qint64 transmision) const
{
    QSqlQuery q = m_conexion.ejecuta(QStringLiteral("SELECT SHA256 FROM RESPUESTA WHERE UPPER(NOMBRE) = ? AND "
                                                    "TRANSMISION <> ? AND SHA256 IS NOT NULL ORDER BY ID DESC"),
                                     {nombre.toUpper(), transmision});
    if (!q.next())
        return std::nullopt;
    return q.value(0).toString();
}

bool HorasServidor::pasaPorAlto(const Pasada &p, const QDateTime &momento) const
{
    bool nueva = false;
    m_conexion.enTransaccion([&] {
        QSqlQuery q = m_conexion.ejecuta(QStringLiteral("SELECT COUNT(*) FROM RESPUESTA_PASADA WHERE TRANSMISION = ? "
                                                        "AND CLASE = ? AND SHA256 = ?"),
                                         {p.transmision, p.clase, p.sha256});
        if (q.next() && q.value(0).toInt() > 0)
            return;
        q.finish();
        m_conexion.inserta(
            QStringLiteral("INSERT INTO RESPUESTA_PASADA (TRANSMISION, CLASE, NOMBRE, HORA_SERVIDOR, "
                           "TAMANO, SHA256, MOTIVO, VISTO) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
            {p.transmision, p.clase, p.nombre, utcONulo(p.hora), p.tamano, p.sha256, texto(p.motivo), utc(momento)});
        nueva = true;
    });
    return nueva;
}

QString HorasServidor::esperadaPor(const QString &carpetaServidor, const QString &nombre) const
{
    const QString n = nombre.toUpper();
    QSqlQuery q = m_conexion.ejecuta(
        QStringLiteral("SELECT NOMBRE FROM TRANSMISION WHERE EN_RECEPCION = 1 AND ((PREV = '' AND ARCHIVO_PREV <> '' "
                       "AND UPPER(ARCHIVO_PREV) = ? AND RUTA_PREV = ?) OR (VAL = '' AND UPPER(ARCHIVO_VAL) = ? AND "
                       "RUTA_VAL = ?)) ORDER BY ORDEN, ID"),
        {n, carpetaServidor, n, carpetaServidor});
    return q.next() ? q.value(0).toString() : QString();
}

QString HorasServidor::texto(Motivo motivo)
{
    return motivo == Motivo::Anterior ? QStringLiteral("ANTERIOR") : QStringLiteral("SOSPECHOSA");
}

HorasServidor::Motivo HorasServidor::motivo(const QString &texto)
{
    return texto == u"SOSPECHOSA" ? Motivo::Sospechosa : Motivo::Anterior;
}
