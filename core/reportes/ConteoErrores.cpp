#include "core/reportes/ConteoErrores.h"

#include "core/base/ErrorTendal.h"
#include "core/reportes/LectorLineas.h"
#include "core/reportes/LineaRespuesta.h"
#include "core/reportes/TipoRespuesta.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

ConteoErrores::ConteoErrores(QObject *parent)
    : QObject(parent)
{
}

int ConteoErrores::cuenta(const QString &nombre, const QString &ruta)
{
    const TipoRespuesta tipo = TipoRespuesta::reconoce(nombre);
    if (tipo.clase() != TipoRespuesta::Clase::Formato || ruta.isEmpty())
        return kSinCuenta;
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly))
        return kSinCuenta;
    int errores = 0;
    LectorLineas lector(archivo);
    QString linea;
    try {
        while (lector.siguiente(linea))
            errores += tipo.errores(LineaRespuesta(linea));
    } catch (const ErrorTendal &) {
        return kSinCuenta;
    }
    return errores;
}

int ConteoErrores::errores(const QString &nombre, const QString &ruta)
{
    if (ruta.isEmpty() || TipoRespuesta::reconoce(nombre).clase() != TipoRespuesta::Clase::Formato)
        return kSinCuenta;
    // A file stored again under the same name is counted again.
    const QFileInfo info(ruta);
    const QString clave
        = QStringLiteral("%1|%2|%3|%4").arg(nombre, ruta).arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch());
    const auto hecha = m_cuentas.constFind(clave);
    if (hecha != m_cuentas.cend())
        return *hecha;
    if (!m_pendientes.contains(clave)) {
        m_pendientes.insert(clave);
        QtConcurrent::run([nombre, ruta] { return cuenta(nombre, ruta); }).then(this, [this, clave](int n) {
            m_pendientes.remove(clave);
            m_cuentas.insert(clave, n);
            emit contado();
        });
    }
    return kSinCuenta;
}
