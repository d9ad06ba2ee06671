#include "tests/soporte/DialogosGuion.h"

Dialogos::Respuesta DialogosGuion::mensaje(const QString &texto, const QString &titulo, Icono icono, Botones botones)
{
    mensajes.append({texto, titulo, icono, botones});
    if (alMostrar)
        alMostrar(mensajes.last());
    if (botones == Botones::Aceptar)
        return Respuesta::Aceptar;
    return respuestas.isEmpty() ? Respuesta::No : respuestas.dequeue();
}

std::optional<QString> DialogosGuion::pideClave()
{
    ++clavesPedidas;
    return claves.isEmpty() ? std::nullopt : claves.dequeue();
}

std::optional<QString> DialogosGuion::eligeCarpeta(const QString &inicial)
{
    carpetasIniciales << inicial;
    return carpetas.isEmpty() ? std::nullopt : carpetas.dequeue();
}

std::optional<QString> DialogosGuion::eligeArchivo(const QString &inicial, const QString &)
{
    return eligeCarpeta(inicial);
}

std::optional<QString> DialogosGuion::eligeArchivoPdf(const QString &sugerido)
{
    archivosSugeridos << sugerido;
    return archivosPdf.isEmpty() ? std::nullopt : archivosPdf.dequeue();
}

bool DialogosGuion::preparaImpresion(QPrinter &impresora)
{
    ++impresionesPedidas;
    return !impresiones.isEmpty() && impresiones.dequeue()(impresora);
}

QStringList DialogosGuion::textos() const
{
    QStringList t;
    for (const auto &m : mensajes)
        t << m.texto;
    return t;
}
