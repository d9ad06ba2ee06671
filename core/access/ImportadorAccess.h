#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

class Dialogos;
class LecturaAdelantada;
class QSqlDatabase;

// Copies the tables of an Access database into a new SQLite file: each table
// with its columns (types as BaseAccess maps them, NOT NULL where Access
// requires a value) and its rows in stored order. The new file is built
// under a temporary name in one transaction and renamed only when every table
// is in, so a failed import leaves no file behind; the Access file is only
// read.
class ImportadorAccess
{
public:
    struct Tabla {
        QString nombre;
        qint64 filas = 0;
    };

    // Imports the tables named (every user table when the list is empty) into
    // destino, which must not exist yet. A table named but missing in the
    // Access file is an error naming it. Throws ErrorTendal with a clear
    // message; returns what was copied.
    static QList<Tabla> importa(const QString &origen, const QString &destino, const QStringList &tablas = {});

    // Copies the rows of the Access table, the next one of the reading, into
    // the table destino of the database, which has its columns in the same
    // order, inside the caller's transaction. Calls copiadas with the rows
    // copied so far every `tramo` rows and at the end. Returns the number of
    // rows.
    static qint64 copiaTabla(LecturaAdelantada &lectura, const QString &tabla, QSqlDatabase db, const QString &destino,
                             qint64 tramo, const std::function<void(qint64)> &copiadas);

    // The first start of an office that still has its Access database: when
    // the database folder holds Prevalida.mdb and no Prevalida.db, imports
    // every table into a new Prevalida.db and tells the person once. Returns
    // true when it imported. Throws ErrorTendal (nothing is left behind).
    static bool importaOficina(const QString &carpetaDatos, Dialogos &dialogos);
};
