#include "core/reportes/ConsultaPreparada.h"

#include "core/db/Conexion.h"
#include "core/base/ErrorTendal.h"

#include <QSqlError>
#include <QSqlRecord>

ConsultaPreparada::ConsultaPreparada(const Conexion &conexion, QString tabla, QString sql)
    : m_conexion(conexion)
    , m_tabla(std::move(tabla))
    , m_sql(std::move(sql))
{
}

void ConsultaPreparada::falla() const
{
    const QString texto = m_consulta ? m_consulta->lastError().text() : QString();
    const int numero = texto.contains(QLatin1StringView("no such table"), Qt::CaseInsensitive)
                           ? ErrorTendal::TablaNoEncontrada
                           : ErrorTendal::BaseDeDatos;
    throw ErrorTendal(
        numero,
        QStringLiteral("no se pudo consultar la tabla %1 del catálogo de errores (%2)").arg(m_tabla, texto.trimmed()));
}

bool ConsultaPreparada::busca(std::initializer_list<QVariant> valores)
{
    // A session of the server that ended under the lookup is opened again
    // once and the lookup runs on the new one, prepared again there.
    for (int intento = 0;; ++intento) {
        m_conexion.asegura();
        if (m_consulta && m_sesion != m_conexion.sesion())
            m_consulta.reset();
        if (!m_consulta) {
            m_sesion = m_conexion.sesion();
            m_consulta.emplace(m_conexion.db());
            m_consulta->setForwardOnly(true);
            if (!m_consulta->prepare(m_sql)) {
                if (intento == 0 && m_conexion.sesionTerminada())
                    continue;
                falla();
            }
        }
        QSqlQuery &q = *m_consulta;
        int i = 0;
        for (const QVariant &v : valores)
            q.bindValue(i++, v);
        if (!q.exec()) {
            if (intento == 0 && m_conexion.sesionTerminada())
                continue;
            falla();
        }
        const bool hay = q.next();
        if (!hay && q.lastError().isValid())
            falla();
        m_fila.clear();
        if (hay) {
            // The columns are those of the statement: counted once.
            if (m_columnas < 0)
                m_columnas = q.record().count();
            for (int c = 0; c < m_columnas; ++c)
                m_fila.append(q.value(c));
        }
        q.finish();
        return hay;
    }
}

QVariant ConsultaPreparada::valor(int columna) const
{
    return m_fila.value(columna);
}
