#include "cli/DialogosSinBucle.h"

DialogosSinBucle::DialogosSinBucle(Dialogos &consola)
    : m_consola(consola)
{
}

Dialogos::Respuesta DialogosSinBucle::mensaje(const QString &texto, const QString &titulo, Icono icono, Botones botones)
{
    if (botones == Botones::Aceptar || icono != Icono::Ninguno) {
        m_repetida.clear();
        return m_consola.mensaje(texto, titulo, icono, botones);
    }
    m_veces = texto == m_repetida ? m_veces + 1 : 1;
    m_repetida = texto;
    if (m_veces > 3) {
        m_consola.mensaje(texto, titulo, icono, Botones::Aceptar);
        return Respuesta::No;
    }
    return m_consola.mensaje(texto, titulo, icono, botones);
}

std::optional<QString> DialogosSinBucle::pideClave()
{
    return m_consola.pideClave();
}

std::optional<QString> DialogosSinBucle::eligeCarpeta(const QString &inicial)
{
    return m_consola.eligeCarpeta(inicial);
}

std::optional<QString> DialogosSinBucle::eligeArchivo(const QString &inicial, const QString &filtro)
{
    return m_consola.eligeArchivo(inicial, filtro);
}

bool DialogosSinBucle::preparaImpresion(QPrinter &impresora)
{
    return m_consola.preparaImpresion(impresora);
}
