#include "core/envio/ClaveValidacion.h"

#include "core/base/Dialogos.h"

bool ClaveValidacion::confirma(Dialogos &dialogos, const QString &clavePago)
{
    for (;;) {
        const std::optional<QString> tecleada = dialogos.pideClave();
        if (!tecleada)
            return false;
        if (tecleada->compare(clavePago, Qt::CaseSensitive) == 0)
            return true;
        dialogos.error(QStringLiteral("Contraseña de pago electrónico no válida"));
    }
}
