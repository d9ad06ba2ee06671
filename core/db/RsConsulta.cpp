#include "core/db/RsConsulta.h"

#include "core/db/Conexion.h"
#include "core/base/ErrorTendal.h"

RsConsulta::RsConsulta(const Conexion &conexion)
    : m_conexion(conexion)
{
}

void RsConsulta::abre(const QString &sql, const QVariantList &valores)
{
    cierra();
    QSqlQuery q = m_conexion.ejecuta(sql, valores);
    while (q.next())
        m_filas.append(q.record());
    m_fila = 0;
    m_abierto = true;
}

void RsConsulta::cierra()
{
    m_filas.clear();
    m_fila = 0;
    m_abierto = false;
}

QVariant RsConsulta::valor(const QString &columna) const
{
    if (eof())
        throw ErrorTendal(3021, QStringLiteral("No hay registro actual"));
    const QSqlRecord &r = m_filas[m_fila];
    for (int i = 0; i < r.count(); ++i)
        if (r.fieldName(i).compare(columna, Qt::CaseInsensitive) == 0)
            return r.value(i);
    throw ErrorTendal(3265, QStringLiteral("No se encontró el elemento en la colección: %1").arg(columna));
}
