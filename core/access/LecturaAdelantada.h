#pragma once

#include "core/db/Valor.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <span>

class BaseAccess;

// Reads the rows of some tables of an Access database, one table after the
// other, on a thread of its own, a few batches ahead of the caller who takes
// them: libmdb's pages and the conversion of texts and dates are read while
// the caller writes the rows it already has. At most a few batches of
// bounded size wait, so memory does not grow with the tables.
//
// While it reads, nothing else may use the BaseAccess (libmdb's handle is not
// shared between threads): ask the columns and counts first.
class LecturaAdelantada
{
public:
    // Starts reading `tablas` of base, which must outlive this object.
    LecturaAdelantada(const BaseAccess &base, QStringList tablas);
    // Stops the reading (when the caller gave up before the end) and waits
    // for its thread.
    ~LecturaAdelantada();
    LecturaAdelantada(const LecturaAdelantada &) = delete;
    LecturaAdelantada &operator=(const LecturaAdelantada &) = delete;

    // Calls fila for each row of `tabla`, which must be the next table of
    // the list, in stored order, with values valid during the call, as
    // BaseAccess::recorre does. Returns its number of rows. A failure of the
    // reading is thrown here, the same ErrorTendal, once the batches handed
    // over before it were taken (rows of the batch it interrupted are not
    // given).
    qint64 recorre(const QString &tabla, const std::function<void(std::span<const Valor>)> &fila);

    // True while the batches read and not yet taken fill the room: the
    // reading waits for the caller.
    bool sinSitio() const;

private:
    struct Estado;
    std::unique_ptr<Estado> d;
};
