#include "core/db/RsParametros.h"

#include "core/db/Conexion.h"
#include "core/base/ErrorTendal.h"

#include <QSqlField>

RsParametros::RsParametros(const Conexion &conexion)
    : m_conexion(conexion)
{
    abre();
}

void RsParametros::abre()
{
    QSqlQuery q
        = m_conexion.ejecuta(QStringLiteral("SELECT rowid AS rowid_, * FROM PARAMETROS ORDER BY rowid LIMIT 1"));
    if (!q.next())
        throw ErrorTendal(ErrorTendal::BaseDeDatos,
                          QStringLiteral("La tabla PARAMETROS no tiene el registro de configuración"));
    m_registro = q.record();
    m_rowid = m_registro.value(0).toLongLong();
    m_registro.remove(0);
    // On a server the row key is a column of its own (see Dialecto).
    if (const int clave = m_registro.indexOf(QStringLiteral("rowid")); clave >= 0)
        m_registro.remove(clave);
    m_cambiadas.clear();
}

int RsParametros::indice(const QString &columna) const
{
    for (int i = 0; i < m_registro.count(); ++i)
        if (m_registro.fieldName(i).compare(columna, Qt::CaseInsensitive) == 0)
            return i;
    throw ErrorTendal(3265, QStringLiteral("No se encontró el elemento en la colección: %1").arg(columna));
}

QVariant RsParametros::valor(const QString &columna) const
{
    return m_registro.value(indice(columna));
}

QString RsParametros::texto(const QString &columna) const
{
    const QVariant v = valor(columna);
    return v.isNull() ? QString() : v.toString();
}

int RsParametros::entero(const QString &columna) const
{
    return valor(columna).toInt();
}

bool RsParametros::sino(const QString &columna) const
{
    return valor(columna).toInt() != 0;
}

void RsParametros::relee(const QString &columna)
{
    const int i = indice(columna);
    QSqlQuery q = m_conexion.ejecuta(
        QStringLiteral("SELECT \"%1\" FROM PARAMETROS WHERE rowid = ?").arg(m_registro.fieldName(i)), {m_rowid});
    if (q.next())
        m_registro.setValue(i, q.value(0));
    m_cambiadas.removeAll(i);
}

void RsParametros::asigna(const QString &columna, const QVariant &valor)
{
    const int i = indice(columna);
    m_registro.setValue(i, valor);
    if (!m_cambiadas.contains(i))
        m_cambiadas.append(i);
}

void RsParametros::guarda()
{
    if (m_cambiadas.isEmpty())
        return;
    QStringList asignaciones;
    QVariantList valores;
    for (int i : m_cambiadas) {
        asignaciones << QStringLiteral("\"%1\" = ?").arg(m_registro.fieldName(i));
        valores << m_registro.value(i);
    }
    valores << m_rowid;
    m_conexion.ejecuta(
        QStringLiteral("UPDATE PARAMETROS SET %1 WHERE rowid = ?").arg(asignaciones.join(QStringLiteral(", "))),
        valores);
    m_cambiadas.clear();
}
