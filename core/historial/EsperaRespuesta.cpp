#include "core/historial/EsperaRespuesta.h"

#include "core/db/HistorialDiario.h"
#include "core/oficina/Programa.h"

EsperaRespuesta::EsperaRespuesta(Programa &programa)
    : m_programa(programa)
{
}

int EsperaRespuesta::minutos() const
{
    const int m = m_programa.parametros().entero(QStringLiteral("espera_respuesta"));
    return m > 0 ? m : kMinutosPorOmision;
}

bool EsperaRespuesta::demorada(const QDateTime &aceptado) const
{
    return demorada(aceptado, limite());
}

qint64 EsperaRespuesta::limite() const
{
    return m_programa.ahoraOficina().toMSecsSinceEpoch() - qint64(minutos()) * 60 * 1000;
}

QSet<qint64> EsperaRespuesta::demoradas() const
{
    const qint64 hasta = limite();
    QSet<qint64> ids;
    for (const auto &[id, aceptado] : HistorialDiario(m_programa.conexion()).enEspera())
        if (demorada(aceptado, hasta))
            ids.insert(id);
    return ids;
}

QString EsperaRespuesta::texto() const
{
    return QStringLiteral("Sin respuesta después de %1 min").arg(minutos());
}
