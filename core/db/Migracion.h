#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Conexion;

// An office moves from its file to a database server: every table of the
// office, its rows with their ids, copied in one transaction on the server
// (all of it, or nothing). The server's database gets the office's schema
// first and must not hold an office yet; the file is only read.
class Migracion
{
public:
    struct Tabla {
        QString nombre;
        qint64 filas = 0;
    };

    // The tables of an office, in an order that copies a row after the rows
    // it refers to.
    static QStringList tablasOficina();

    // Copies the office of origen into destino (both up to date with the
    // schema). A column the file has and the server lacks is left out (a
    // catalogue installed with extra columns); throws ErrorTendal with the
    // table and the reason when a row cannot be copied, and nothing stays.
    static QList<Tabla> copia(const Conexion &origen, const Conexion &destino);

    // The rows of one table of origen into the same table of destino, by
    // the columns both have, inside the caller's transaction.
    static qint64 copiaTabla(const Conexion &origen, const Conexion &destino, const QString &tabla);
};
