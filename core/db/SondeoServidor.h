#pragma once

#include <QFuture>
#include <QString>

// Whether a database server answers at an address, asked off the calling
// thread. Opening a connection to a host that does not answer (unreachable,
// or a port that takes connections and never replies) blocks its thread for
// as long as the connection's time-out; the connection asks this first, on
// a worker, before it opens again after a failed attempt, so the window's
// thread never waits on a server that is not there.
//
// The question is the one every PostgreSQL server answers at once, before
// any login: the request for an encrypted session (eight bytes), answered
// with one byte, 'S' or 'N'. Nothing is logged in and nothing changes.
class SondeoServidor
{
public:
    // host: a name or address (TCP), or a folder that holds the server's
    // socket (a path starting with '/'); puerto: the server's port (its
    // socket's name on a folder). True when a server answered within
    // limiteMs.
    static QFuture<bool> inicia(const QString &host, int puerto, int limiteMs);

    // The same, on the calling thread.
    static bool responde(const QString &host, int puerto, int limiteMs);
};
