#include "core/recepcion/JuicioRespuesta.h"

namespace {

qint64 segundo(const QDateTime &t)
{
    return t.toSecsSinceEpoch();
}

} // namespace

JuicioRespuesta::Veredicto JuicioRespuesta::juzga(const Hechos &h)
{
    if (!h.subido)
        return Veredicto::Toma;
    const auto igualAnterior = [&] {
        return h.anterior && h.sha256 && *h.anterior == h.sha256();
    };
    if (h.envio && h.respuesta && h.envio->isValid() && h.respuesta->isValid()) {
        const qint64 e = segundo(*h.envio);
        const qint64 r = segundo(*h.respuesta);
        if (r != e)
            return r > e ? Veredicto::Toma : Veredicto::Anterior;
        return igualAnterior() ? Veredicto::Anterior : Veredicto::Toma;
    }
    return igualAnterior() ? Veredicto::Sospechosa : Veredicto::Toma;
}
