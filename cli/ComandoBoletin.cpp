#include "cli/Comando.h"
#include "core/boletines/Boletines.h"
#include "cli/DialogosConsola.h"
#include "core/oficina/Programa.h"

#include <QCoro/QCoroTask>

// tendal boletin: refreshes the bulletins as the person asked for it (login
// and connection failures are reported) and writes the ticker's line, or
// says that there is none.
int comandoBoletin(Comando &c)
{
    if (!c.args.isEmpty())
        return c.uso(QStringLiteral("boletin"));
    DialogosConsola dialogos(c.err, c.si);
    const auto abierto = c.abrePrograma(dialogos);
    if (!abierto)
        return 1;
    Programa &programa = *abierto;
    Boletines boletines(programa);
    QCoro::waitFor(boletines.Actualiza_Boletin(true));
    if (boletines.estado().encendido())
        c.out << boletines.estado().texto() << Qt::endl;
    else if (!dialogos.huboError())
        c.err << QStringLiteral("No hay boletines.") << Qt::endl;
    return dialogos.huboError() ? 1 : 0;
}
