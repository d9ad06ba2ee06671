#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Installs a downloaded catalogue: the seven catalogue tables of the local
// database are replaced by those of the update database, with whatever
// columns they carry there, the lookup indexes are made again and vererr
// takes the new version, all in one transaction. Either every table is new
// and vererr says so, or nothing changed: an error, a killed process or a
// power cut at any point leaves the installed catalogue whole.
//
// The installation works on a connection of its own to the office database,
// opened and closed by instala() in the calling thread, so that it can run
// on a worker while the rest of the program goes on reading the catalogue:
// the database is in WAL mode, and every other connection sees the previous
// catalogue until the transaction commits, then the new one whole. Callers
// that keep the configuration record in memory read vererr again afterwards.
//
// The update database is an Access (Jet) file, as the organisation publishes
// it, or an SQLite file; its content decides which. The rows of an Access
// file are read straight into the new tables.
class InstalacionCatalogo
{
public:
    // The update is not a database, or its tables cannot serve as the
    // catalogue (a lookup column is missing).
    static constexpr int kNoValida = 321;

    // Where the installation is: the table being copied (1 to the number of
    // tables, its catalogue name) and its rows copied so far of its total.
    struct Avance {
        int tabla = 0;
        int tablas = 0;
        QString nombre;
        qint64 filas = 0;
        qint64 total = 0;
    };

    // baseDatos: the office database file. The tables to replace are the
    // catalogue's seven unless told otherwise.
    explicit InstalacionCatalogo(QString baseDatos);
    InstalacionCatalogo(QString baseDatos, QStringList tablas);

    // Installs the update database at ruta as catalogue version. Throws
    // ErrorTendal: TablaNoEncontrada naming the table the update lacks,
    // kNoValida when it is not a usable database, any other number for a
    // failure of the local database. Nothing is changed when it throws.
    void instala(const QString &ruta, qint32 version);

    // Called in the installing thread when a table starts and every few
    // thousand rows.
    std::function<void(const Avance &)> avance;
    // Called inside the transaction after each table was copied, with its
    // number from 1. For tests that interrupt an installation.
    std::function<void(int tabla)> trasTabla;

private:
    QString m_baseDatos;
    QStringList m_tablas;
};
