#include "core/envio/ClaveValidacion.h"

#include "core/base/Dialogos.h"

bool ClaveValidacion::confirma(Dialogos &dialogos, const QString &clavePago)
{
    return dialogos.confirmaClave([&](const QString &tecleada) {
        if (tecleada.compare(clavePago, Qt::CaseSensitive) == 0)
            return true;
        dialogos.error(QStringLiteral("Contraseña de pago electrónico no válida"));
        return false;
    });
}
