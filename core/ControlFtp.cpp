#include "core/ControlFtp.h"

#include <QCoro/QCoroFuture>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// Runs one blocking operation of the session on a worker and waits for it
// without blocking the thread of the caller; an ErrorTendal thrown on the
// worker is thrown again here.
template<typename F>
auto enTrabajador(F &&f) -> QCoro::Task<std::invoke_result_t<F>>
{
    co_return co_await QtConcurrent::run(std::forward<F>(f));
}

} // namespace

ControlFtp::ControlFtp(QString nombre, ClienteFtp::Limites limites)
    : m_nombre(std::move(nombre))
    , m_cliente(std::make_shared<ClienteFtp>(limites))
{
}

ControlFtp::~ControlFtp()
{
    if (m_cliente.use_count() == 1)
        m_cliente->desconecta();
}

bool ControlFtp::conectado() const
{
    return m_cliente->conectado();
}

QCoro::Task<> ControlFtp::conecta()
{
    auto cliente = m_cliente;
    co_await enTrabajador([cliente, s = servidor, u = usuario, c = clave] { cliente->conecta(s, u, c); });
}

QCoro::Task<> ControlFtp::descarga()
{
    auto cliente = m_cliente;
    co_await enTrabajador([cliente, l = archivoLocal, d = carpetaRemota, a = archivoRemoto] { cliente->recibe(l, d, a); });
}

QCoro::Task<> ControlFtp::sube()
{
    auto cliente = m_cliente;
    co_await enTrabajador([cliente, l = archivoLocal, d = carpetaRemota, a = archivoRemoto] { cliente->envia(l, d, a); });
}

QCoro::Task<QStringList> ControlFtp::lista(QString carpeta)
{
    auto cliente = m_cliente;
    co_return co_await enTrabajador([cliente, carpeta] { return cliente->lista(carpeta); });
}

QCoro::Task<> ControlFtp::desconecta()
{
    if (!m_cliente->conectado())
        co_return;
    auto cliente = m_cliente;
    co_await enTrabajador([cliente] { cliente->desconecta(); });
}
