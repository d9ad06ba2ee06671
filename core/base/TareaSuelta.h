#pragma once

#include <QCoro/QCoroTask>
#include <QString>

#include <exception>

class Dialogos;

// Starts a coroutine that nobody awaits (a timer's tick, a window's command)
// so that nothing it throws is lost: an ErrorTendal, a lack of memory or any
// other exception that leaves it is told to the person in Spanish, naming
// the work (`que`: "el comando «enviar»"). The coroutine clears its own
// busy state on the way out (Ocupacion). Its owner must outlive it: the
// owners of the program's long tasks stop and await them before they are
// destroyed (see the program's ordered shutdown).
namespace TareaSuelta {

void inicia(QString que, QCoro::Task<> tarea, Dialogos &dialogos);

// What the person is told when the work `que` ended with `fallo`.
QString texto(const QString &que, std::exception_ptr fallo);

} // namespace TareaSuelta
