#pragma once

#include <QDate>
#include <QString>

class Conexion;
class RsParametros;

// The parameter changes that the organisation schedules, queued in
// ACTUALIZACIONES with the day from which they apply.
namespace Actualizaciones {

// The PARAMETROS column that a campo number sets, or an empty text for a
// number that sets nothing.
QString columnaDeCampo(int campo);

// Applies every queued change dated today or earlier, oldest first (so the
// latest wins), and deletes exactly those rows, all in one transaction with
// the save of the configuration record. Rows without a date, or dated later,
// stay. Returns the number of rows applied and deleted.
int Aplica_Actualizaciones(const Conexion &conexion, RsParametros &rs, const QDate &hoy);

} // namespace Actualizaciones
