#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// What differs between the two engines an office database can live on: the
// SQLite file of a single workstation and a PostgreSQL server shared by
// several. Everything else (the schema's steps, the journal, every query) is
// the same SQL on both; the differences are data here, read by Conexion and
// Esquema, and nowhere else.
struct Dialecto {
    enum class Motor { Sqlite, Postgresql };
    Motor motor = Motor::Sqlite;
    QString driver; // the Qt SQL driver

    // Run on every connection as it opens.
    QStringList alAbrir;
    // Each schema step's transaction starts with these: on a server, a lock
    // that lets one workstation at a time bring the schema up to date.
    QStringList antesDelPaso;
    // The schema's version: read, and written (%1 the step reached).
    QString leeVersion;
    QStringList fijaVersion;
    // Run before the first step, in its transaction.
    QStringList antesDelEsquema;
    // Words of the schema's statements and what they become on this engine
    // (plain text, applied in order by adapta()).
    QList<QPair<QString, QString>> reemplazos;
    // After rows were copied with their ids: the statement that moves the
    // id sequence of table %1 past its largest id (empty: nothing to do).
    QString ajustaSecuencia;
    // A claim that lives as long as the connection's session: taken (true
    // when no other session holds it) and let go; %1 its kind, %2 its id.
    // Empty: claims are the journal's rows alone (one file, one machine).
    QString tomaReclamo;
    QString sueltaReclamo;
    // The database's own clock in whole seconds since 1970 (UTC), as an SQL
    // expression: the leases of the send claims are set and compared on it,
    // never on a workstation's clock.
    QString segundosServidor;
    // The database's clock as UTC ISO text with milliseconds, the form the
    // journal stores its times in, for a statement to write it itself (a
    // server: every workstation records the same clock). Empty: the
    // program's own clock is bound instead (one workstation's file).
    QString ahora;

    QString adapta(QString sql) const;

    static const Dialecto &sqlite();
    static const Dialecto &postgresql();
};
