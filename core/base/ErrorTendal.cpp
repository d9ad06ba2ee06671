#include "core/base/ErrorTendal.h"

ErrorTendal::ErrorTendal(int numero, QString descripcion)
    : m_numero(numero)
    , m_descripcion(std::move(descripcion))
    , m_utf8(QStringLiteral("%1: %2").arg(numero).arg(m_descripcion).toUtf8())
{
}

ErrorTendal ErrorTendal::conNumero(int numero, const QString &detalle)
{
    QString texto;
    switch (numero) {
    case ArgumentoNoValido:
        texto = QStringLiteral("Llamada a procedimiento o argumento no válido");
        break;
    case Desbordamiento:
        texto = QStringLiteral("Desbordamiento");
        break;
    case TiposNoCoinciden:
        texto = QStringLiteral("No coinciden los tipos");
        break;
    case ArchivoNoEncontrado:
        texto = QStringLiteral("No se encontró el archivo");
        break;
    case DiscoLleno:
        texto = QStringLiteral("Disco lleno");
        break;
    case DispositivoNoDisponible:
        texto = QStringLiteral("Dispositivo no disponible");
        break;
    case PermisoDenegado:
        texto = QStringLiteral("Permiso denegado");
        break;
    case AccesoRutaArchivo:
        texto = QStringLiteral("Error de acceso a la ruta o el archivo");
        break;
    case RutaNoEncontrada:
        texto = QStringLiteral("No se encontró la ruta de acceso");
        break;
    default:
        texto = QStringLiteral("Error de la aplicación");
        break;
    }
    if (!detalle.isEmpty())
        texto += QStringLiteral(": ") + detalle;
    return ErrorTendal(numero, texto);
}
