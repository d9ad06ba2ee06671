#include "core/reportes/ConteoErrores.h"

#include "core/base/ErrorTendal.h"
#include "core/db/Conexion.h"
#include "core/reportes/RespuestaGuardada.h"
#include "core/reportes/LectorLineas.h"
#include "core/reportes/LineaRespuesta.h"
#include "core/reportes/TipoRespuesta.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

ConteoErrores::ConteoErrores(QString baseDatos, QObject *parent)
    : QObject(parent)
    , m_baseDatos(std::move(baseDatos))
{
    m_hilos.setMaxThreadCount(1);
}

ConteoErrores::~ConteoErrores()
{
    termina();
}

void ConteoErrores::termina()
{
    // Counts not begun are dropped (a later start counts them again); the
    // one under way is finished and joined.
    m_hilos.clear();
    m_hilos.waitForDone();
}

int ConteoErrores::cuenta(const QString &nombre, const QString &ruta)
{
    if (TipoRespuesta::reconoce(nombre).clase() != TipoRespuesta::Clase::Formato || ruta.isEmpty())
        return kSinCuenta;
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly))
        return kSinCuenta;
    return cuenta(nombre, archivo);
}

int ConteoErrores::cuenta(const QString &nombre, QIODevice &respuesta)
{
    const TipoRespuesta tipo = TipoRespuesta::reconoce(nombre);
    if (tipo.clase() != TipoRespuesta::Clase::Formato)
        return kSinCuenta;
    int errores = 0;
    LectorLineas lector(respuesta);
    QString linea;
    try {
        while (lector.siguiente(linea))
            errores += tipo.errores(LineaRespuesta(linea));
    } catch (const ErrorTendal &) {
        return kSinCuenta;
    }
    return errores;
}

int ConteoErrores::errores(const QString &nombre, const QString &ruta, qint64 respuesta)
{
    if (ruta.isEmpty() || TipoRespuesta::reconoce(nombre).clase() != TipoRespuesta::Clase::Formato)
        return kSinCuenta;
    // A file stored again under the same name is counted again; the bytes
    // of a response in the journal never change.
    const QString id = nombre + u'|' + ruta + u'|' + QString::number(respuesta);
    auto visto = m_vistos.constFind(id);
    if (visto == m_vistos.cend()) {
        const QFileInfo info(ruta);
        const bool delDiario = !info.exists() && respuesta > 0 && !m_baseDatos.isEmpty();
        visto = m_vistos.insert(id, {delDiario ? QStringLiteral("%1|diario|%2").arg(nombre).arg(respuesta)
                                               : QStringLiteral("%1|%2|%3|%4")
                                                     .arg(nombre, ruta)
                                                     .arg(info.size())
                                                     .arg(info.lastModified().toMSecsSinceEpoch()),
                                     delDiario});
    }
    const QString clave = visto->clave;
    const bool delDiario = visto->delDiario;
    const auto hecha = m_cuentas.constFind(clave);
    if (hecha != m_cuentas.cend())
        return *hecha;
    if (!m_pendientes.contains(clave)) {
        m_pendientes.insert(clave);
        const QString base = delDiario ? m_baseDatos : QString();
        QtConcurrent::run(&m_hilos, [nombre, ruta, respuesta, base] {
            if (base.isEmpty())
                return cuenta(nombre, ruta);
            // On a connection of the worker's own, as the report's worker.
            try {
                const auto conexion = Conexion::abreArchivo(base);
                RespuestaGuardada guardada(*conexion, ruta, respuesta);
                QString motivo;
                return guardada.abre(&motivo) ? cuenta(nombre, guardada.dispositivo()) : kSinCuenta;
            } catch (const ErrorTendal &) {
                return kSinCuenta;
            }
        }).then(this, [this, clave](int n) {
            // Kept and told later, from the event loop: a count that ended
            // before the continuation was attached runs it inside errores(),
            // and a count shows only once `contado` is heard (the lists must
            // not hear of a change while they ask for their data).
            QMetaObject::invokeMethod(
                this,
                [this, clave, n] {
                    m_pendientes.remove(clave);
                    m_cuentas.insert(clave, n);
                    emit contado();
                },
                Qt::QueuedConnection);
        });
    }
    return kSinCuenta;
}
