#include "core/boletines/EstadoBoletin.h"

EstadoBoletin::EstadoBoletin(QObject *parent)
    : QObject(parent)
{
}

void EstadoBoletin::pon(const QString &texto, bool encendido)
{
    if (texto == m_texto && encendido == m_encendido)
        return;
    m_texto = texto;
    m_encendido = encendido;
    emit cambiado();
}
