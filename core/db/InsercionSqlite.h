#pragma once

#include "core/db/Valor.h"

#include <QSqlDatabase>
#include <QString>

#include <span>

struct sqlite3;
struct sqlite3_stmt;

// One prepared INSERT run straight on the SQLite connection beneath a
// QSqlDatabase, for copies of many rows inside the caller's transaction.
// Rows are bound from their typed values as they are: text as UTF-8, numbers
// as numbers, bytes as blobs, null as NULL, the same storage the Qt driver
// gives Valor::aVariante(), without its per-value bookkeeping and its UTF-16
// round trip (most of the time of a bulk copy through QSqlQuery). Text and
// bytes are not copied: they are read during inserta().
class InsercionSqlite
{
public:
    // True when `db` is an open SQLite connection whose handle can be used.
    static bool disponible(const QSqlDatabase &db);

    // Prepares `sql` (an INSERT with ? marks); see error().
    InsercionSqlite(const QSqlDatabase &db, const QString &sql);
    ~InsercionSqlite();
    InsercionSqlite(const InsercionSqlite &) = delete;
    InsercionSqlite &operator=(const InsercionSqlite &) = delete;

    bool preparada() const { return m_sentencia != nullptr; }
    // Inserts one row; false on failure, with the reason in error().
    bool inserta(std::span<const Valor> valores);
    QString error() const { return m_error; }

private:
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_sentencia = nullptr;
    QString m_error;
};
