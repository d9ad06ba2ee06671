#pragma once

#include <QByteArrayView>
#include <QVariant>

// One value of a row on its way from a reader to a table, typed as the
// table stores it: a whole number, a real number, a text (UTF-8) or bytes,
// each of them possibly null. Text and bytes are views into the reader's own
// buffers, valid until the reader moves on to the next row; nothing is
// copied or converted between reading a row and binding it.
struct Valor {
    enum class Clase : quint8 { Entero, Real, Texto, Bytes };

    Clase clase = Clase::Bytes;
    bool nulo = true;
    qint64 entero = 0;
    double real = 0;
    QByteArrayView datos; // a text's UTF-8 or the bytes

    // The same value for Qt's drivers: int (qlonglong beyond int), double,
    // QString or QByteArray; a null of the clase's type for a null. An empty
    // text or bytes stays empty, never null.
    QVariant aVariante() const;
};
