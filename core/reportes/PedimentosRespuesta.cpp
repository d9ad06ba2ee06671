#include "core/reportes/PedimentosRespuesta.h"

#include "core/base/ErrorTendal.h"
#include "core/reportes/CatalogoErrores.h"
#include "core/reportes/LectorLineas.h"
#include "core/reportes/LineaRespuesta.h"
#include "core/reportes/RespuestaGuardada.h"
#include "core/reportes/TipoRespuesta.h"

PedimentosRespuesta::PedimentosRespuesta(const Conexion &conexion)
    : m_conexion(conexion)
{
}

std::optional<QStringList> PedimentosRespuesta::lee(const QString &nombre, const QString &ruta, qint64 respuesta,
                                                    QString *motivo) const
{
    QString porque;
    if (!motivo)
        motivo = &porque;
    const TipoRespuesta tipo = TipoRespuesta::reconoce(nombre);
    if (tipo.clase() != TipoRespuesta::Clase::Formato)
        return QStringList();
    if (ruta.isEmpty() && respuesta <= 0) {
        *motivo = QStringLiteral("no se sabe dónde se guardó");
        return std::nullopt;
    }
    RespuestaGuardada guardada(m_conexion, ruta, respuesta);
    if (!guardada.abre(motivo))
        return std::nullopt;
    QIODevice &archivo = guardada.dispositivo();
    CatalogoErrores catalogo(m_conexion);
    const auto formato = tipo.creaFormato(catalogo);
    QStringList numeros;
    QStringList deLinea;
    LectorLineas lector(archivo);
    QString linea;
    try {
        while (lector.siguiente(linea)) {
            deLinea.clear();
            formato->pedimentos(LineaRespuesta(linea), deLinea);
            for (const QString &n : std::as_const(deLinea)) {
                const QString numero = n.trimmed();
                if (!numero.isEmpty() && !numeros.contains(numero))
                    numeros << numero;
            }
        }
    } catch (const ErrorTendal &) {
        // A line that cannot be read ends the reading; what came before counts.
    }
    return numeros;
}
