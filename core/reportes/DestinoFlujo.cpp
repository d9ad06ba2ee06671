#include "core/reportes/DestinoFlujo.h"

#include <QTextStream>

DestinoFlujo::DestinoFlujo(QTextStream &flujo)
    : m_flujo(flujo)
{
}

void DestinoFlujo::escribeEncabezado()
{
    if (m_encabezado.isEmpty())
        return;
    m_flujo << m_encabezado;
    m_encabezado.clear();
}

void DestinoFlujo::vacia()
{
    m_encabezado.clear();
}

void DestinoFlujo::ponTexto(const QString &texto)
{
    m_encabezado = texto;
}

void DestinoFlujo::agregaTexto(const QString &texto)
{
    escribeEncabezado();
    m_flujo << texto;
}

void DestinoFlujo::muestraSinCambios(const QString &contenido)
{
    m_encabezado.clear();
    m_flujo << contenido;
}

void DestinoFlujo::falla(const QString &texto)
{
    escribeEncabezado();
    m_flujo << texto;
}

void DestinoFlujo::termina()
{
    escribeEncabezado();
    m_flujo.flush();
}
