#include "core/base/Dialogos.h"
#include "core/base/Secreto.h"

#include "core/base/Version.h"

void Dialogos::error(const QString &texto)
{
    mensaje(texto, nombreProducto(), Icono::Critico, Botones::Aceptar);
}

void Dialogos::aviso(const QString &texto)
{
    mensaje(texto, nombreProducto(), Icono::Informacion, Botones::Aceptar);
}

bool Dialogos::pregunta(const QString &texto, Icono icono)
{
    return mensaje(texto, nombreProducto(), icono, Botones::SiNo) == Respuesta::Si;
}

QString Dialogos::tituloPrograma()
{
    return QStringLiteral("Tendal v") + Version::texto();
}

bool Dialogos::preguntaDestructiva(const QString &texto)
{
    return mensaje(texto, nombreProducto(), Icono::Pregunta, Botones::NoSi) == Respuesta::Si;
}

bool Dialogos::confirmaClave(const std::function<bool(const QString &)> &acepta)
{
    for (;;) {
        std::optional<QString> tecleada = pideClave();
        if (!tecleada)
            return false;
        const bool aceptada = acepta(*tecleada);
        // Checked: the typed text is not kept, right or wrong.
        Secreto::borra(*tecleada);
        if (aceptada)
            return true;
    }
}
