#include "core/ftp/ControlFtp.h"

#include <QCoro/QCoroFuture>
#include <QtConcurrent/QtConcurrentRun>

// Each operation runs the blocking call of the session on a worker of the
// control's own pool (QtConcurrent::run) and awaits the future without
// blocking the caller's thread; an ErrorTendal thrown on the worker is
// thrown again at the await.
// The future is made in a statement of its own, with the client captured
// straight into the worker's function: GCC 12 mishandles a coroutine that
// takes that function as a forwarding reference, or keeps a copy of the
// client as a local (the client is released once too often and freed while
// the control still uses it).

ControlFtp::ControlFtp(QString nombre, ClienteFtp::Limites limites)
    : m_nombre(std::move(nombre))
    , m_cliente(std::make_shared<ClienteFtp>(limites))
{
    m_hilo.setMaxThreadCount(2);
}

ControlFtp::~ControlFtp()
{
    // Stops the running operation (it ends with 1000) and closes the
    // session, then waits for the worker thread to end.
    m_cliente->desconecta();
    m_hilo.waitForDone();
}

bool ControlFtp::conectado() const
{
    return m_cliente->conectado();
}

void ControlFtp::fijaPlazo(std::optional<std::chrono::steady_clock::time_point> fin)
{
    m_cliente->fijaPlazo(fin);
}

std::optional<QDateTime> ControlFtp::horaServidor() const
{
    return m_cliente->horaServidor();
}

qint64 ControlFtp::enviado() const
{
    return m_cliente->enviado();
}

ClienteFtp::Proteccion ControlFtp::proteccion() const
{
    return m_cliente->proteccion();
}

QCoro::Task<> ControlFtp::conecta()
{
    QFuture<void> hecho = QtConcurrent::run(&m_hilo, [cliente = m_cliente, s = servidor, u = usuario, c = clave,
                                                      t = cifrado] { cliente->conecta(s, u, c, t); });
    co_await hecho;
}

QCoro::Task<> ControlFtp::descarga(ClienteFtp::Escritura escritura)
{
    QFuture<void> hecho
        = QtConcurrent::run(&m_hilo, [cliente = m_cliente, l = archivoLocal, d = carpetaRemota, a = archivoRemoto,
                                      escritura] { cliente->recibe(l, d, a, escritura); });
    co_await hecho;
}

QCoro::Task<> ControlFtp::sube()
{
    QFuture<void> hecho = QtConcurrent::run(&m_hilo, [cliente = m_cliente, l = archivoLocal, d = carpetaRemota,
                                                      a = archivoRemoto] { cliente->envia(l, d, a); });
    co_await hecho;
}

QCoro::Task<QStringList> ControlFtp::lista(QString carpeta)
{
    QFuture<QStringList> nombres
        = QtConcurrent::run(&m_hilo, [cliente = m_cliente, carpeta] { return cliente->lista(carpeta); });
    co_return co_await nombres;
}

QCoro::Task<std::optional<qint64>> ControlFtp::tamano(QString carpeta, QString archivo)
{
    QFuture<std::optional<qint64>> tamano = QtConcurrent::run(
        &m_hilo, [cliente = m_cliente, carpeta, archivo] { return cliente->tamano(carpeta, archivo); });
    co_return co_await tamano;
}

QCoro::Task<> ControlFtp::interrumpe()
{
    QFuture<void> hecho = QtConcurrent::run(&m_hilo, [cliente = m_cliente] { cliente->desconecta(); });
    co_await hecho;
}

QCoro::Task<> ControlFtp::desconecta()
{
    // Harmless without a session: a future already finished.
    QFuture<void> hecho = m_cliente->conectado()
                              ? QtConcurrent::run(&m_hilo, [cliente = m_cliente] { cliente->desconecta(); })
                              : QtFuture::makeReadyFuture();
    co_await hecho;
}
