#include "cli/Comando.h"
#include "core/catalogo/ActualizacionCatalogo.h"
#include "cli/DialogosConsola.h"
#include "core/oficina/Programa.h"

#include <QCoro/QCoroTask>

// tendal caterr: one catalogue update run, headless, as the update window's
// "Actualizar" runs it. Each step caption is printed as the step completes,
// then the result line; the run's messages go to stderr. The exit status is
// 1 when the run ended with an error message.
int comandoCaterr(Comando &c)
{
    if (!c.args.isEmpty())
        return c.uso(QStringLiteral("caterr"));
    DialogosConsola dialogos(c.err, c.si);
    const auto abierto = c.abrePrograma(dialogos);
    if (!abierto)
        return 1;
    Programa &programa = *abierto;

    ActualizacionCatalogo actualizacion(programa);
    QObject::connect(&actualizacion, &ActualizacionCatalogo::indicadorCambiado,
                     [&c](int paso, ActualizacionCatalogo::Indicador indicador) {
                         if (indicador == ActualizacionCatalogo::Indicador::Hecho
                             || indicador == ActualizacionCatalogo::Indicador::Fin)
                             c.out << ActualizacionCatalogo::leyenda(paso) << Qt::endl;
                     });
    QCoro::waitFor(actualizacion.Movimientos(QStringLiteral("recibir")));
    if (!actualizacion.resultado().isEmpty())
        c.out << actualizacion.resultado() << Qt::endl;
    return actualizacion.terminoConError() ? 1 : 0;
}
