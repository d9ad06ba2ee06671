#include "core/db/Dialecto.h"

// The schema writes "%FILA%" where a table needs the row key its queries call
// rowid: SQLite has one in every table, PostgreSQL gets a column of that name.

QString Dialecto::adapta(QString sql) const
{
    for (const auto &[de, a] : reemplazos)
        sql.replace(de, a);
    return sql;
}

const Dialecto &Dialecto::sqlite()
{
    static const Dialecto d {
        Motor::Sqlite,
        QStringLiteral("QSQLITE"),
        {QStringLiteral("PRAGMA foreign_keys = ON"),
         // Readers keep the last committed state while a long transaction (a
         // catalogue installation) writes; a killed writer leaves its frames
         // behind, ignored at the next open. Stays set in the file.
         QStringLiteral("PRAGMA journal_mode = WAL")},
        {},
        QStringLiteral("PRAGMA user_version"),
        {QStringLiteral("PRAGMA user_version = %1")},
        {},
        {{QStringLiteral("%FILA%"), QString()}},
        QString(),
        QString(),
        QString(),
        QStringLiteral("CAST(strftime('%s', 'now') AS INTEGER)"),
        QString(),
    };
    return d;
}

const Dialecto &Dialecto::postgresql()
{
    static const Dialecto d {
        Motor::Postgresql,
        QStringLiteral("QPSQL"),
        // A row another workstation holds is waited for as long as the file's
        // busy time-out, then the change fails with a message, as on the file.
        // The server's notices and warnings are not sent: the client library
        // would print them, in English, on the program's standard error (a
        // failure still comes back as the statement's error, told in Spanish).
        {QStringLiteral("SET client_min_messages = ERROR"), QStringLiteral("SET lock_timeout = '5s'")},
        {QStringLiteral("SELECT pg_advisory_xact_lock(75031)"),
         QStringLiteral("CREATE TABLE IF NOT EXISTS ESQUEMA_VERSION (NUMERO INTEGER NOT NULL)")},
        QStringLiteral("SELECT COALESCE(MAX(NUMERO), 0) FROM ESQUEMA_VERSION"),
        {QStringLiteral("DELETE FROM ESQUEMA_VERSION"), QStringLiteral("INSERT INTO ESQUEMA_VERSION VALUES (%1)")},
        // The catalogue's text codes compare without regard to case, as on
        // the single workstation's file.
        {QStringLiteral("CREATE COLLATION IF NOT EXISTS NOCASE (provider = icu, locale = 'und-u-ks-level2', "
                        "deterministic = false)")},
        {{QStringLiteral("%FILA%"), QStringLiteral("rowid BIGSERIAL PRIMARY KEY, ")},
         {QStringLiteral("INTEGER PRIMARY KEY"), QStringLiteral("BIGSERIAL PRIMARY KEY")},
         {QStringLiteral("TINYINT"), QStringLiteral("SMALLINT")},
         {QStringLiteral(" BLOB"), QStringLiteral(" BYTEA")},
         // the column types of an Access catalogue (BaseAccess)
         {QStringLiteral(" CURRENCY"), QStringLiteral(" NUMERIC(19,4)")},
         {QStringLiteral(" DOUBLE"), QStringLiteral(" DOUBLE PRECISION")},
         {QStringLiteral(" DATETIME"), QStringLiteral(" TIMESTAMP")}},
        QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', '%2'), COALESCE((SELECT MAX(%2) FROM %1), 0) + 1, "
                       "false)"),
        QStringLiteral("SELECT pg_try_advisory_lock(%1, %2)"),
        QStringLiteral("SELECT pg_advisory_unlock(%1, %2)"),
        QStringLiteral("CAST(EXTRACT(EPOCH FROM clock_timestamp()) AS BIGINT)"),
        QStringLiteral("to_char(CURRENT_TIMESTAMP AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"')"),
    };
    return d;
}
