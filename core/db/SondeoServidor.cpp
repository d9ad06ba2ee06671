#include "core/db/SondeoServidor.h"

#include <QDeadlineTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Waits for the socket to be ready for `eventos` until the deadline.
bool espera(int fd, short eventos, const QDeadlineTimer &limite)
{
    for (;;) {
        pollfd p {fd, eventos, 0};
        const int r = ::poll(&p, 1, int(std::max<qint64>(0, limite.remainingTime())));
        if (r > 0)
            return (p.revents & eventos) != 0;
        if (r == 0 || errno != EINTR)
            return false;
    }
}

// Connects without blocking past the deadline, asks for an encrypted session
// and reads the one-byte answer.
bool pregunta(int fd, const sockaddr *direccion, socklen_t largo, const QDeadlineTimer &limite)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (::connect(fd, direccion, largo) != 0) {
        if (errno != EINPROGRESS && errno != EAGAIN)
            return false;
        if (!espera(fd, POLLOUT, limite))
            return false;
        int error = 0;
        socklen_t l = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &l) != 0 || error != 0)
            return false;
    }
    // Length 8, then the request code 1234.5679.
    const unsigned char pedido[8] = {0, 0, 0, 8, 0x04, 0xd2, 0x16, 0x2f};
    if (::send(fd, pedido, sizeof pedido, MSG_NOSIGNAL) != ssize_t(sizeof pedido))
        return false;
    if (!espera(fd, POLLIN, limite))
        return false;
    char respuesta = 0;
    return ::recv(fd, &respuesta, 1, 0) == 1 && (respuesta == 'S' || respuesta == 'N');
}

} // namespace

bool SondeoServidor::responde(const QString &host, int puerto, int limiteMs)
{
    const QDeadlineTimer limite(limiteMs);
    if (host.startsWith(u'/')) {
        sockaddr_un un {};
        un.sun_family = AF_UNIX;
        const QByteArray ruta = (host + QStringLiteral("/.s.PGSQL.%1").arg(puerto)).toLocal8Bit();
        if (ruta.size() >= qsizetype(sizeof un.sun_path))
            return false;
        std::memcpy(un.sun_path, ruta.constData(), size_t(ruta.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return false;
        const bool si = pregunta(fd, reinterpret_cast<const sockaddr *>(&un), sizeof un, limite);
        ::close(fd);
        return si;
    }
    addrinfo pista {};
    pista.ai_socktype = SOCK_STREAM;
    addrinfo *lista = nullptr;
    if (::getaddrinfo(host.toUtf8().constData(), QByteArray::number(puerto).constData(), &pista, &lista) != 0)
        return false;
    bool si = false;
    for (addrinfo *a = lista; a && !si && !limite.hasExpired(); a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0)
            continue;
        si = pregunta(fd, a->ai_addr, a->ai_addrlen, limite);
        ::close(fd);
    }
    ::freeaddrinfo(lista);
    return si;
}

QFuture<bool> SondeoServidor::inicia(const QString &host, int puerto, int limiteMs)
{
    return QtConcurrent::run([host, puerto, limiteMs] { return responde(host, puerto, limiteMs); });
}
