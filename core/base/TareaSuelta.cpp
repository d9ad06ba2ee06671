#include "core/base/TareaSuelta.h"

#include "core/base/Dialogos.h"
#include "core/base/ErrorTendal.h"

#include <new>
#include <stdexcept>

namespace {

// The coroutine that awaits the task to its end; it never lets anything
// out, so dropping it loses nothing.
QCoro::Task<> vigila(QString que, QCoro::Task<> tarea, Dialogos *dialogos)
{
    std::exception_ptr fallo;
    try {
        co_await std::move(tarea);
    } catch (...) {
        fallo = std::current_exception();
    }
    if (!fallo)
        co_return;
    try {
        dialogos->error(TareaSuelta::texto(que, fallo));
    } catch (...) {
        // The person cannot be told (no memory for the message box): the
        // work has ended all the same and its busy state is clear.
    }
}

} // namespace

namespace TareaSuelta {

void inicia(QString que, QCoro::Task<> tarea, Dialogos &dialogos)
{
    vigila(std::move(que), std::move(tarea), &dialogos);
}

QString texto(const QString &que, std::exception_ptr fallo)
{
    const QString inicio = QStringLiteral("No se pudo terminar %1").arg(que);
    try {
        std::rethrow_exception(fallo);
    } catch (const ErrorTendal &e) {
        return QStringLiteral("%1.\r\n\r\nError No. %2\r\n%3").arg(inicio).arg(e.numero()).arg(e.descripcion());
    } catch (const std::bad_alloc &) {
        return QStringLiteral("%1: no hay memoria suficiente. Cierra otros programas y vuelve a intentarlo.")
            .arg(inicio);
    } catch (const std::exception &e) {
        return QStringLiteral("%1 por un error interno del programa.\r\n\r\nDetalle: %2")
            .arg(inicio, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return QStringLiteral("%1 por un error interno del programa.").arg(inicio);
    }
}

} // namespace TareaSuelta
