#include "core/access/LecturaAdelantada.h"

#include "core/access/BaseAccess.h"
#include "core/base/ErrorTendal.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// A batch is handed over when it has this many rows or bytes of text.
constexpr size_t kFilasPorLote = 1024;
constexpr size_t kBytesPorLote = size_t(1) << 20;
// Batches read and not yet taken, at most.
constexpr size_t kLotesEnEspera = 4;

// Rows of one table, their texts and bytes in one buffer the values point
// into (a vector, so that moving the batch keeps them where they are).
struct Lote {
    size_t columnas = 0;
    std::vector<Valor> valores; // row after row
    std::vector<char> bytes;
    bool finDeTabla = false;
    qint64 filasDeTabla = 0; // the table's count, in its last batch
};

// Thrown inside the reading thread when the reader is no longer wanted.
struct Parada {
};

} // namespace

struct LecturaAdelantada::Estado {
    QStringList tablas;
    qsizetype siguiente = 0; // the caller's next table
    std::mutex mutex;
    std::condition_variable cambio;
    std::deque<Lote> lotes;
    std::exception_ptr error; // the reading's failure, after its batches
    bool parar = false;
    std::thread hilo;

    // In the reading thread: hands the batch over, waiting for room.
    void entrega(Lote &&lote)
    {
        std::unique_lock candado(mutex);
        cambio.wait(candado, [&] { return lotes.size() < kLotesEnEspera || parar; });
        if (parar)
            throw Parada();
        lotes.push_back(std::move(lote));
        cambio.notify_all();
    }

    void lee(const BaseAccess &base)
    {
        for (const QString &tabla : std::as_const(tablas)) {
            Lote lote;
            // Where each text or bytes value starts in lote.bytes (-1 for
            // the others): the buffer grows while the batch fills, so the
            // values point into it only once it is complete.
            std::vector<qsizetype> inicios;
            const auto sella = [&](bool fin, qint64 filas) {
                for (size_t i = 0; i < lote.valores.size(); ++i)
                    if (inicios[i] >= 0)
                        lote.valores[i].datos
                            = QByteArrayView(lote.bytes.data() + inicios[i], lote.valores[i].datos.size());
                lote.finDeTabla = fin;
                lote.filasDeTabla = filas;
                entrega(std::move(lote));
                lote = Lote();
                inicios.clear();
            };
            const qint64 filas = base.recorre(tabla, [&](std::span<const Valor> fila) {
                lote.columnas = fila.size();
                for (const Valor &v : fila) {
                    Valor copia = v;
                    const bool conBytes = !v.nulo && (v.clase == Valor::Clase::Texto || v.clase == Valor::Clase::Bytes);
                    inicios.push_back(conBytes ? qsizetype(lote.bytes.size()) : -1);
                    if (conBytes && !v.datos.isEmpty())
                        lote.bytes.insert(lote.bytes.end(), v.datos.begin(), v.datos.end());
                    // Only its size is kept until the batch is sealed.
                    copia.datos = QByteArrayView(v.datos.isEmpty() ? "" : v.datos.data(), v.datos.size());
                    lote.valores.push_back(copia);
                }
                if (lote.valores.size() >= kFilasPorLote * lote.columnas || lote.bytes.size() >= kBytesPorLote)
                    sella(false, 0);
            });
            sella(true, filas);
        }
    }
};

LecturaAdelantada::LecturaAdelantada(const BaseAccess &base, QStringList tablas)
    : d(std::make_unique<Estado>())
{
    d->tablas = std::move(tablas);
    Estado *estado = d.get();
    d->hilo = std::thread([estado, &base] {
        try {
            estado->lee(base);
        } catch (const Parada &) {
        } catch (...) {
            std::lock_guard candado(estado->mutex);
            estado->error = std::current_exception();
            estado->cambio.notify_all();
        }
    });
}

bool LecturaAdelantada::sinSitio() const
{
    std::lock_guard candado(d->mutex);
    return d->lotes.size() >= kLotesEnEspera;
}

LecturaAdelantada::~LecturaAdelantada()
{
    {
        std::lock_guard candado(d->mutex);
        d->parar = true;
    }
    d->cambio.notify_all();
    d->hilo.join();
}

qint64 LecturaAdelantada::recorre(const QString &tabla, const std::function<void(std::span<const Valor>)> &fila)
{
    if (d->siguiente >= d->tablas.size() || d->tablas[d->siguiente] != tabla)
        throw ErrorTendal(ErrorTendal::BaseDeDatos,
                          QStringLiteral("La tabla %1 no es la siguiente de la lectura").arg(tabla));
    for (;;) {
        Lote lote;
        {
            std::unique_lock candado(d->mutex);
            d->cambio.wait(candado, [&] { return !d->lotes.empty() || d->error; });
            if (d->lotes.empty())
                std::rethrow_exception(d->error);
            lote = std::move(d->lotes.front());
            d->lotes.pop_front();
        }
        d->cambio.notify_all();
        for (size_t i = 0; lote.columnas > 0 && i < lote.valores.size(); i += lote.columnas)
            fila(std::span<const Valor>(lote.valores.data() + i, lote.columnas));
        if (lote.finDeTabla) {
            ++d->siguiente;
            return lote.filasDeTabla;
        }
    }
}
