#pragma once

#include <QString>
#include <QStringList>

class Conexion;

// The tables of the office database, brought up to date step by step. The
// database records the step it reached (Dialecto: PRAGMA user_version in the
// file, a table ESQUEMA_VERSION on a server).
namespace Esquema {

// Runs the steps the database still lacks, each in one transaction (on a
// server, one workstation at a time).
void actualiza(const Conexion &conexion);

// Columns of PARAMETROS in their order.
QStringList columnasParametros();

// The seven tables that a catalogue update replaces, in installation order,
// and the statements that recreate the lookup indexes after it.
QStringList tablasCatalogo();
QStringList indicesCatalogo();

} // namespace Esquema
