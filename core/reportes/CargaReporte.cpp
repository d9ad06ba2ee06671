#include "core/reportes/CargaReporte.h"

#include "core/base/ErrorTendal.h"
#include "core/base/Reloj.h"
#include "core/db/Conexion.h"
#include "core/db/HistorialDiario.h"
#include "core/oficina/CamposConfiguracion.h"
#include "core/oficina/Programa.h"
#include "core/reportes/DestinoTexto.h"
#include "core/reportes/GeneradorReporte.h"
#include "core/reportes/TipoRespuesta.h"

#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include <optional>

namespace {

// The worker's target: the report as text, and the abandonment it watches.
class TextoAbandonable : public DestinoTexto
{
public:
    explicit TextoAbandonable(std::shared_ptr<std::atomic_bool> abandono)
        : m_abandono(std::move(abandono))
    {
    }
    bool abandonado() const override { return m_abandono->load(); }

private:
    std::shared_ptr<std::atomic_bool> m_abandono;
};

struct Hecho {
    bool completo = false;
    QString texto;
};

} // namespace

CargaReporte::CargaReporte(Programa &programa, QObject *parent)
    : QObject(parent)
    , m_programa(programa)
{
    m_hilos.setMaxThreadCount(1);
}

CargaReporte::~CargaReporte()
{
    termina();
}

void CargaReporte::termina()
{
    abandona();
    // The abandoned worker stops at its next piece; none waits in line.
    m_hilos.clear();
    m_hilos.waitForDone();
}

void CargaReporte::abandona()
{
    ++m_generacion;
    if (m_abandono)
        m_abandono->store(true);
    m_abandono.reset();
}

void CargaReporte::carga(const QString &titulo, const QString &archivo, const QString &guardada,
                         DestinoReporte &destino, qint64 respuesta)
{
    abandona();
    GeneradorReporte generador(m_programa);
    const QFileInfo info(generador.ruta(archivo, guardada));
    // The file's size, or where this workstation does not have it, the size
    // of its bytes in the journal.
    qint64 tamano = info.isFile() ? info.size() : 0;
    if (!info.exists() && respuesta > 0) {
        try {
            tamano = HistorialDiario(m_programa.conexion()).tamanoContenido(respuesta).value_or(0);
        } catch (const ErrorTendal &) {
            tamano = 0; // the build says what fails
        }
    }
    if (tamano <= kTamanoInmediato) {
        const bool completo = generador.Genera_Reporte(titulo, archivo, destino, guardada, respuesta);
        emit terminada(completo);
        return;
    }

    // What the worker needs, copied here: it never reaches the owner's objects.
    auto abandono = std::make_shared<std::atomic_bool>(false);
    m_abandono = abandono;
    const quint64 generacion = m_generacion;
    const QString base = m_programa.conexion().ruta();
    const QString sinCambios = m_programa.campos().texto(TipoRespuesta::kCampoSinCambios);
    const QDateTime momento = m_programa.reloj().ahora();
    destino.vacia();
    QFuture<std::optional<Hecho>> obra = QtConcurrent::run(&m_hilos, [=]() -> std::optional<Hecho> {
        std::unique_ptr<Conexion> conexion;
        try {
            conexion = Conexion::abreArchivo(base);
        } catch (const ErrorTendal &) {
            return std::nullopt;
        }
        TextoAbandonable texto(abandono);
        Hecho hecho;
        hecho.completo = GeneradorReporte(*conexion, sinCambios, momento)
                             .Genera_Reporte(titulo, archivo, texto, guardada, respuesta);
        hecho.texto = texto.texto();
        return hecho;
    });
    obra.then(this, [this, generacion, titulo, archivo, guardada, respuesta,
                     &destino](const std::optional<Hecho> &hecho) {
        if (generacion != m_generacion)
            return; // abandoned
        m_abandono.reset();
        if (!hecho) {
            emit terminada(GeneradorReporte(m_programa).Genera_Reporte(titulo, archivo, destino, guardada, respuesta));
            return;
        }
        destino.vacia();
        destino.ponTexto(hecho->texto);
        destino.termina();
        emit terminada(hecho->completo);
    });
}
