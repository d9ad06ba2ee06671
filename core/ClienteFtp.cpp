#include "core/ClienteFtp.h"

#include "core/ErrorTendal.h"

// Placeholder until the libcurl session lands.
struct ClienteFtp::Impl {
    ClienteFtp::Limites limites;
    bool conectado = false;
};

ClienteFtp::ClienteFtp() : ClienteFtp(Limites{}) {}
ClienteFtp::ClienteFtp(Limites limites) : d(std::make_unique<Impl>()) { d->limites = limites; }
ClienteFtp::~ClienteFtp() = default;
void ClienteFtp::conecta(const QString &, const QString &, const QString &) { throw ErrorTendal(ErrorTendal::FtpSinConexion, QStringLiteral("sin implementar")); }
void ClienteFtp::envia(const QString &, const QString &, const QString &) { throw ErrorTendal(ErrorTendal::FtpSinConexion, QStringLiteral("sin implementar")); }
void ClienteFtp::recibe(const QString &, const QString &, const QString &) { throw ErrorTendal(ErrorTendal::FtpSinConexion, QStringLiteral("sin implementar")); }
QStringList ClienteFtp::lista(const QString &) { throw ErrorTendal(ErrorTendal::FtpSinConexion, QStringLiteral("sin implementar")); }
void ClienteFtp::desconecta() { d->conectado = false; }
bool ClienteFtp::conectado() const { return d->conectado; }
