#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The tables of Prevalida.db, brought up to date step by step. The database
// records the step it reached in PRAGMA user_version.
namespace Esquema {

constexpr int kVersion = 3;

// Runs the steps the database still lacks, each in one transaction.
void actualiza(QSqlDatabase db);

// Columns of PARAMETROS in their order.
QStringList columnasParametros();

// The seven tables that a catalogue update replaces, in installation order,
// and the statements that recreate the lookup indexes after it.
QStringList tablasCatalogo();
QStringList indicesCatalogo();

} // namespace Esquema
