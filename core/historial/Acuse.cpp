#include "core/historial/Acuse.h"

#include "core/historial/ModeloHistorial.h"

namespace {

QString ambos(const QDateTime &momento)
{
    if (!momento.isValid())
        return QStringLiteral("(no registrado)");
    return QStringLiteral("%1 (hora local)  /  %2 UTC")
        .arg(ModeloHistorial::local(momento), momento.toUTC().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
}

QString tamano(const std::optional<qint64> &n)
{
    return n ? QStringLiteral("%1 bytes").arg(*n) : QStringLiteral("(no registrado)");
}

} // namespace

namespace Acuse {

QString titulo()
{
    return QStringLiteral("Acuse de envío");
}

QString texto(const HistorialDiario::Transmision &t)
{
    QString a = titulo() + u'\n';
    a += QStringLiteral("Archivo:                  %1 (%2)\n").arg(t.nombre, ModeloHistorial::textoTipo(t.tipo));
    a += QStringLiteral("Tamaño:                   %1\n").arg(tamano(t.tamano));
    a += QStringLiteral("SHA-256:                  %1\n").arg(t.sha256);
    a += QStringLiteral("Carpeta del servidor:     %1\n").arg(t.carpetaServidor);
    a += QStringLiteral("Aceptado por el servidor: %1\n").arg(ambos(t.aceptado));
    const QString cifrado = ModeloHistorial::textoCifrado(t);
    a += QStringLiteral("Cifrado:                  %1\n")
             .arg(cifrado.isEmpty() ? QStringLiteral("(no registrado)") : cifrado);
    if (t.respuestas.isEmpty()) {
        a += QStringLiteral("Respuestas:               ninguna todavía\n");
        return a;
    }
    a += QStringLiteral("Respuestas:\n");
    for (const HistorialDiario::Respuesta &r : t.respuestas) {
        a += QStringLiteral("  %1 (%2)\n").arg(r.nombre, ModeloHistorial::textoClase(r.clase));
        a += QStringLiteral("    Guardada: %1\n").arg(ambos(r.guardado));
        a += QStringLiteral("    Tamaño:   %1\n").arg(tamano(r.tamano));
        a += QStringLiteral("    SHA-256:  %1\n").arg(r.sha256);
    }
    return a;
}

} // namespace Acuse
