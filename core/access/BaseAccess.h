#pragma once

#include "core/db/Valor.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <span>

// An Access (Jet 3 or Jet 4) database file, read with libmdb: its user
// tables, their columns and their rows, every value as the type it has in
// Access.
//
// Values: yes/no -1 or 0 (as Access reports true); byte, integer and long as
// whole numbers of their width; currency and single/double as real numbers;
// dates as ISO text (yyyy-MM-dd when the time is midnight, yyyy-MM-dd
// HH:mm:ss otherwise, any year Access allows); text and memo as text, line
// breaks kept; binary and OLE objects as bytes; replication ids as "{...}"
// text; decimals as their exact decimal text. A null is a null of the
// column's clase, and an empty text stays an empty text.
//
// Failures throw ErrorTendal with a description in plain words.
class BaseAccess
{
public:
    enum class Tipo {
        SiNo,
        Byte,
        Entero,
        Largo,
        Moneda,
        Simple,
        Doble,
        Fecha,
        Binario,
        Texto,
        Ole,
        Memo,
        Guid,
        Decimal,
        Otro
    };

    struct Columna {
        QString nombre;
        Tipo tipo = Tipo::Otro;
        int longitud = 0; // characters of a text column
        bool requerida = false; // the column does not accept nulls
        int precision = 0;
        int escala = 0;
        // The declared type of the column in an SQLite table.
        QString tipoSql() const;
    };

    // Opens the file read-only. Throws when it is missing, unreadable or not
    // an Access database.
    explicit BaseAccess(const QString &ruta);
    ~BaseAccess();
    BaseAccess(const BaseAccess &) = delete;
    BaseAccess &operator=(const BaseAccess &) = delete;

    // True when the file starts like an Access (Jet or ACE) database.
    static bool esAccess(const QString &ruta);

    const QString &ruta() const { return m_ruta; }
    int versionJet() const; // 3 or 4 (later formats give 4 and above)

    // The user tables, in the order of the file's catalogue.
    QStringList tablas() const;
    // The name of a table as the file writes it, found without regard to
    // case; empty when there is none.
    QString busca(const QString &tabla) const;

    QList<Columna> columnas(const QString &tabla) const;
    // The number of rows the table's definition counts.
    qint64 filas(const QString &tabla) const;
    // Calls fila once per row, in stored order, with one value per column
    // (its text and bytes valid during the call). Returns the number of rows.
    // Throws when the table cannot be read whole.
    qint64 recorre(const QString &tabla, const std::function<void(std::span<const Valor>)> &fila) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    QString m_ruta;
};
