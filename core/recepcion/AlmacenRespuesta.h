#pragma once

#include "core/db/Diario.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QThreadPool>

#include <exception>
#include <functional>
#include <optional>

class Programa;

// Where the receive cycle's responses are stored, and how: the one place
// that writes a response into its reception folder and records it in the
// office's journal.
//
// A tick's responses, downloaded into TendalTmp, are stored together. A
// worker copies each into its reception folder under a name of this
// program's own (NOMBRE.PID-N.parte), hashing it as it copies, and once all
// are written syncs them to the disk together (CopiaBloques::
// sincronizaJuntos: one sync of the file system for the tick, not one per
// response); the owner's thread keeps the ones its lists still await; then
// the same worker, on a connection of its own to the office database and in
// one transaction of the journal, marks each response still awaited, renames
// its copy to the response's name (an earlier file of that name moved to
// `anteriores` first), records it, syncs the folders and commits. So the
// owner's thread (the window's) never waits for the disk or the database
// while a tick stores hundreds of responses. A response recorded in the
// journal is whole on the disk; a
// program that ends at any step leaves it unrecorded (fetched again) or
// recorded and whole.
//
// The journal keeps the bytes of a response up to Diario::contenidoMaximo()
// (they are read back on a workstation that does not have the file); a
// larger one is recorded by its size, SHA-256 and path only, and is read
// from its file. A response of any size is copied with one block in memory.
//
// A copy that fails (a full disk, a folder gone) leaves nothing of itself
// behind and does not keep the tick's other responses from being stored; the
// first failure is given back. What a killed program leaves (its download in
// TendalTmp, its copy in a reception folder) goes once it is an hour old:
// TendalTmp at the first store of the run, a reception folder the first time
// a response is stored there.
class AlmacenRespuesta
{
public:
    explicit AlmacenRespuesta(Programa &programa);
    ~AlmacenRespuesta();
    AlmacenRespuesta(const AlmacenRespuesta &) = delete;
    AlmacenRespuesta &operator=(const AlmacenRespuesta &) = delete;

    // A response downloaded, to be stored.
    struct Pendiente {
        qint64 transmision = 0;
        QString clase; // "K" or "R"
        QString archivo; // the expected name, the one it is stored under
        QString icono;
        QString carpetaLocal; // its reception folder
        QString temporal; // where it was downloaded (deleted once stored, or not)
        // The server's time of the response, recorded with it (the
        // history's detail) when the server gave one.
        std::optional<QDateTime> horaServidor;
    };
    struct Resultado {
        // One per response: how the journal recorded it, or nothing when it
        // was not stored (no longer awaited, stored by another program, or
        // its copy failed).
        QList<std::optional<Diario::Guardado>> guardados;
        // Another program on the office had stored one of them.
        bool deOtro = false;
        // The first failure (a copy, a rename, the journal); the responses
        // without a record are fetched again.
        std::exception_ptr fallo;
    };
    // Stores the responses. sigueEsperada(i) tells, on the owner's thread
    // once the copies are made, whether response i is still awaited (the
    // lists may have changed while they were copied). Throws only when the
    // transaction as a whole failed (nothing of it is recorded).
    QCoro::Task<Resultado> guarda(QList<Pendiente> pendientes, std::function<bool(qsizetype)> sigueEsperada);

    // A response copied into its reception folder under a temporary name,
    // whole and on the disk, with the print of the bytes copied and, when
    // they are few enough for the journal, the bytes.
    struct Copia {
        QString parte;
        qint64 tamano = 0;
        QString sha256;
        std::optional<QByteArray> contenido;
    };
    // Copies origen (the response archivo) to parte and, unless told not
    // to (the caller syncs a tick's copies together), syncs it. Throws
    // ErrorTendal naming the response and the folder; a failed copy is
    // removed at once.
    static Copia copia(const QString &origen, const QString &parte, const QString &archivo, bool sincroniza = true);

    // The steps of storing: copied and synced; renamed into place inside
    // the journal's transaction, not yet committed; committed. trasPaso,
    // when set, is called after each (the tests stop a program there; the
    // second is called on the worker).
    enum class Paso { Copiadas, Renombradas, Confirmadas };
    std::function<void(Paso)> trasPaso;

private:
    // What the worker records, and where: a copy of everything it needs
    // (it never reaches the owner's objects).
    struct Destino {
        QString parte; // the copy
        QString carpeta; // its reception folder
        QString archivo; // the name it takes there
        std::optional<QDateTime> hora; // the server's time of the response
    };
    struct Registro {
        QString base; // the office database, opened on the worker
        QDateTime momento;
        QList<Diario::RespuestaNueva> nuevas;
        QList<Destino> destinos; // one per response of nuevas
        QStringList sobrantes; // every copy made: the ones not renamed go
        QStringList descargas; // every download: all go
        std::function<void(Paso)> trasPaso;
    };
    struct Registrado {
        Diario::Lote lote;
        std::exception_ptr error; // the transaction as a whole failed
    };
    // On the worker: records the responses in one transaction of its own
    // connection, renaming each copy into place, then their server times.
    static Registrado registra(const Registro &registro);

    Programa &m_programa;
    // The worker that copies and syncs (one thread; awaited by the caller).
    QThreadPool m_disco;
    // The folders already rid of the leftovers of killed programs, once per
    // run each.
    QSet<QString> m_barridas;
};
