#include "core/ftp/ClienteFtp.h"

#include "core/base/CopiaBloques.h"
#include "core/base/ErrorTendal.h"
#include "core/ftp/BibliotecaCurl.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include <sys/select.h>
#include <unistd.h>

// How libcurl results and FTP replies become the system's numbers is written
// down in docs/ftp-errores.md; keep the two in step.

namespace {

void iniciaCurl()
{
    static const bool iniciado = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)iniciado;
}

// "host", "host:port", "[v6]:port" or a bare IPv6 address, optionally with
// "ftp://" in front, as "ftp://host:port" (port 21 when absent). Empty when
// the address is not usable.
QString urlBase(const QString &direccion)
{
    QString d = direccion.trimmed();
    if (d.startsWith(QStringLiteral("ftp://"), Qt::CaseInsensitive))
        d = d.mid(6);
    while (d.endsWith(QLatin1Char('/')))
        d.chop(1);
    if (d.isEmpty())
        return {};
    QString host = d;
    QString puerto = QStringLiteral("21");
    if (d.startsWith(QLatin1Char('['))) {
        const int fin = d.indexOf(QLatin1Char(']'));
        if (fin < 0)
            return {};
        host = d.left(fin + 1);
        const QString resto = d.mid(fin + 1);
        if (resto.startsWith(QLatin1Char(':')))
            puerto = resto.mid(1);
        else if (!resto.isEmpty())
            return {};
    } else if (d.count(QLatin1Char(':')) == 1) {
        const int dos = d.indexOf(QLatin1Char(':'));
        host = d.left(dos);
        puerto = d.mid(dos + 1);
    } else if (d.count(QLatin1Char(':')) > 1) {
        host = QLatin1Char('[') + d + QLatin1Char(']');
    }
    bool ok = false;
    const int p = puerto.toInt(&ok);
    if (host.isEmpty() || !ok || p <= 0 || p > 65535 || host.contains(QLatin1Char('/'))
        || host.contains(QLatin1Char('@')))
        return {};
    return QStringLiteral("ftp://") + host + QLatin1Char(':') + QString::number(p);
}

// The path part of the URL of a server path. An absolute server path
// ("/ag0123/x") starts with %2F so that it is taken from the server's root,
// not from the login folder; every name is percent-encoded.
QString rutaUrl(const QString &ruta)
{
    QString url;
    QString resto = ruta;
    if (resto.startsWith(QLatin1Char('/'))) {
        url = QStringLiteral("%2F");
        resto = resto.mid(1);
    }
    const QStringList partes = resto.split(QLatin1Char('/'));
    QStringList codificadas;
    for (const QString &p : partes)
        codificadas << QString::fromLatin1(QUrl::toPercentEncoding(p));
    return url + codificadas.join(QLatin1Char('/'));
}

// carpeta + "/" + archivo, without doubling the bar.
QString rutaServidor(const QString &carpeta, const QString &archivo)
{
    QString c = carpeta.trimmed();
    while (c.size() > 1 && c.endsWith(QLatin1Char('/')))
        c.chop(1);
    if (c.isEmpty())
        return archivo;
    if (c == QStringLiteral("/"))
        return c + archivo;
    return c + QLatin1Char('/') + archivo;
}

enum class Operacion { Conecta, Envia, Recibe, Lista };

// A reply that asks for encryption: the servers that refuse a login in the
// clear say so in words ("530 Non-anonymous sessions must use encryption",
// "550 SSL/TLS required on the control channel", "421 ... reconnect using
// TLS security mechanisms").
bool pideCifrado(const QByteArray &respuesta)
{
    const QByteArray r = respuesta.toLower();
    for (const char *palabra : {"tls", "ssl", "encrypt", "cleartext", "secure"})
        if (r.contains(palabra))
            return true;
    return false;
}

} // namespace

struct ClienteFtp::Impl {
    ClienteFtp::Limites limites;
    CURL *curl = nullptr;
    // The session's transfers run on a multi handle of their own, which
    // keeps the control connection between them (curl_easy_perform's own
    // loop sometimes sleeps a whole second between a passive-mode reply and
    // the data connection). The loop wakes when a socket of the transfer is
    // ready; kEsperaMaxima only bounds how late it sees a stop or the
    // deadline.
    CURLM *multi = nullptr;
    static constexpr int kEsperaMaxima = 20;
    // The socket the session opened last (the data connection of the
    // transfer under way, or the control connection), while it is open.
    // After a passive-mode reply libcurl (7.88) watches no socket and sets
    // no timer until the data connection is up: the loop waits on this one
    // for it instead of sleeping its whole wait (see realiza).
    curl_socket_t ultimoSocket = CURL_SOCKET_BAD;
    static constexpr int kRondasSinSocket = 100;
    QString direccion;
    QString base; // "ftp://host:port"
    QString usuario;
    QString clave; // kept for a second login in the same session (see envia)
    ClienteFtp::Cifrado cifrado;
    std::atomic<bool> conectado = false;
    // The session's data connections: passive until the server refuses
    // passive mode, then active for the rest of the session.
    bool activo = false;
    int envios = 0; // uploads done since the login
    bool reingreso = false; // the session logged in again once already
    // What the server accepted of the encryption asked for (see traza):
    // AUTH TLS for the control connection, PROT P for the data connections.
    std::atomic<bool> controlCifrado = false;
    std::atomic<bool> datosCifrados = false;
    // The server answered STOR with 150/125: it has opened the file.
    bool storIniciado = false;
    // A failure of the data connection decided before falla() (passive mode
    // refused in a protected session).
    std::optional<ErrorTendal> errorDatos;

    // One operation at a time on the handle. desconecta() may come from
    // another thread while a transfer runs (the receive cycle stopped in
    // the middle of a tick): it asks the transfer to stop, then waits.
    std::mutex enUso;
    std::atomic<bool> abortar = false;
    std::atomic<qint64> enviado = 0; // bytes of the current upload sent

    // The moment by which every exchange ends, whatever the server does (0:
    // none, only the limits of each step); its time on the steady clock.
    std::atomic<std::chrono::steady_clock::rep> plazo = 0;
    bool plazoVencido = false; // the last exchange ended because of it

    bool plazoCumplido() const
    {
        const auto p = plazo.load();
        return p != 0 && std::chrono::steady_clock::now().time_since_epoch().count() >= p;
    }

    // What the last exchange with the server said: the last command sent
    // (its verb only, never its argument) and the last reply line.
    QByteArray orden;
    QByteArray respuesta;
    bool huboRespuesta = false;
    // A reply of the exchange said the listing was cut short ("226-Output
    // truncated to 10000 matches").
    QByteArray recorte;
    char textoError[CURL_ERROR_SIZE] = {};

    // The server's time of the file of the last transfer (MDTM after it).
    std::optional<QDateTime> hora;
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> despues {nullptr, &curl_slist_free_all};

    // After the transfer of archivo (in the folder the transfer left the
    // session in), and only when it succeeded, the server is asked for its
    // time: one exchange on the control connection; a refusal does not make
    // the transfer fail ("*").
    void pideHora(const QString &archivo)
    {
        hora.reset();
        despues.reset(curl_slist_append(nullptr, ("*MDTM " + archivo.toUtf8()).constData()));
        curl_easy_setopt(curl, CURLOPT_POSTQUOTE, despues.get());
    }

    // "213 YYYYMMDDHHMMSS[.sss]" as the last reply of the exchange.
    void leeHora()
    {
        hora.reset();
        if (orden != "MDTM" || !respuesta.startsWith("213 "))
            return;
        const QByteArray valor = respuesta.mid(4).trimmed();
        QDateTime t = QDateTime::fromString(QString::fromLatin1(valor.left(14)), QStringLiteral("yyyyMMddHHmmss"));
        if (!t.isValid())
            return;
        if (valor.size() > 15 && valor.at(14) == '.') {
            const QByteArray fraccion = (valor.mid(15, 3) + "00").left(3);
            bool ok = false;
            const int ms = fraccion.toInt(&ok);
            if (ok)
                t = t.addMSecs(ms);
        }
        t.setTimeSpec(Qt::UTC);
        hora = t;
    }

    // The local side of the transfer in progress.
    QIODevice *destino = nullptr;
    QIODevice *origen = nullptr;
    // The file a download writes, as its messages name it: the name on the
    // server and the local folder.
    QString nombreLocal;
    QString carpetaLocal;
    std::optional<ErrorTendal> errorLocal;

    ~Impl() { cierra(); }

    void cierra()
    {
        if (multi)
            curl_multi_cleanup(multi); // says QUIT on the open control connection
        multi = nullptr;
        if (curl)
            curl_easy_cleanup(curl);
        curl = nullptr;
        conectado = false;
    }

    static int traza(CURL *, curl_infotype tipo, char *datos, size_t largo, void *yo)
    {
        auto *d = static_cast<Impl *>(yo);
        const QByteArray texto(datos, qsizetype(largo));
        if (tipo == CURLINFO_HEADER_OUT) {
            d->orden = texto.trimmed().split(' ').value(0).toUpper();
        } else if (tipo == CURLINFO_HEADER_IN) {
            const QByteArray linea = texto.trimmed();
            if (linea.size() >= 3 && std::isdigit(uchar(linea[0]))) {
                d->respuesta = linea;
                d->huboRespuesta = true;
                const int codigo = linea.left(3).toInt();
                if (d->orden == "AUTH" && codigo == 234)
                    d->controlCifrado = true;
                else if (d->orden == "PROT" && codigo / 100 == 2)
                    d->datosCifrados = true; // libcurl asks PROT P only
                else if (d->orden == "STOR" && (codigo == 150 || codigo == 125))
                    d->storIniciado = true;
                if (linea.toLower().contains("truncated"))
                    d->recorte = linea;
            }
        }
        return 0;
    }

    static int progreso(void *yo, curl_off_t, curl_off_t, curl_off_t, curl_off_t subido)
    {
        auto *d = static_cast<Impl *>(yo);
        if (subido > 0)
            d->enviado = qint64(subido);
        return d->abortar ? 1 : 0;
    }

    static int abreSocket(void *yo, curl_socket_t socket, curlsocktype proposito)
    {
        if (proposito == CURLSOCKTYPE_IPCXN)
            static_cast<Impl *>(yo)->ultimoSocket = socket;
        return CURL_SOCKOPT_OK;
    }

    static int cierraSocket(void *yo, curl_socket_t socket)
    {
        auto *d = static_cast<Impl *>(yo);
        if (d->ultimoSocket == socket)
            d->ultimoSocket = CURL_SOCKET_BAD;
        return ::close(socket);
    }

    static size_t escribe(char *datos, size_t, size_t largo, void *yo)
    {
        auto *d = static_cast<Impl *>(yo);
        if (!d->destino)
            return 0;
        CopiaBloques escritura(*d->destino);
        if (!escritura.escribe(datos, qint64(largo))) {
            d->errorLocal = escritura.error(d->nombreLocal, d->carpetaLocal);
            return 0;
        }
        return largo;
    }

    static size_t lee(char *datos, size_t tamano, size_t cuantos, void *yo)
    {
        auto *d = static_cast<Impl *>(yo);
        const qint64 leidos = d->origen ? d->origen->read(datos, qint64(tamano * cuantos)) : -1;
        if (leidos < 0) {
            d->errorLocal = ErrorTendal::conNumero(ErrorTendal::AccesoRutaArchivo,
                                                   d->origen ? d->origen->errorString() : QString());
            return CURL_READFUNC_ABORT;
        }
        return size_t(leidos);
    }

    void preparaHandle()
    {
        if (const QString problema = BibliotecaCurl::problema(); !problema.isEmpty())
            throw ErrorTendal(10000 + CURLE_FAILED_INIT, problema);
        iniciaCurl();
        curl = curl_easy_init();
        if (!curl)
            throw ErrorTendal(10000 + CURLE_FAILED_INIT, QStringLiteral("No se pudo preparar la sesión FTP"));
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_PROXY,
                         ""); // an FTP proxy is reached as user@host, never through the environment
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limites.segundosConexion);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, limites.bytesPorSegundoMinimo);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, limites.segundosVelocidadBaja);
        curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, limites.segundosVelocidadBaja);
        curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_SINGLECWD));
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, textoError);
        curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
        curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, &Impl::traza);
        curl_easy_setopt(curl, CURLOPT_DEBUGDATA, this);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Impl::escribe);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(curl, CURLOPT_READFUNCTION, &Impl::lee);
        curl_easy_setopt(curl, CURLOPT_READDATA, this);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Impl::progreso);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(curl, CURLOPT_SOCKOPTFUNCTION, &Impl::abreSocket);
        curl_easy_setopt(curl, CURLOPT_SOCKOPTDATA, this);
        curl_easy_setopt(curl, CURLOPT_CLOSESOCKETFUNCTION, &Impl::cierraSocket);
        curl_easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, this);
        if (cifrado.modo != Cifrado::Ninguno) {
            curl_easy_setopt(curl, CURLOPT_USE_SSL,
                             long(cifrado.modo == Cifrado::SiLoOfrece ? CURLUSESSL_TRY : CURLUSESSL_ALL));
            curl_easy_setopt(curl, CURLOPT_FTPSSLAUTH, long(CURLFTPAUTH_TLS));
            curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
            curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
            certificados = QFile::encodeName(cifrado.certificados);
            if (!certificados.isEmpty())
                curl_easy_setopt(curl, CURLOPT_CAINFO, certificados.constData());
        }
    }
    QByteArray certificados;

    // One request on the session's handle, with the options of a plain
    // download reset first.
    CURLcode ejecuta(const QString &ruta)
    {
        const QByteArray url = (base + QLatin1Char('/') + rutaUrl(ruta)).toUtf8();
        curl_easy_setopt(curl, CURLOPT_URL, url.constData());
        orden.clear();
        respuesta.clear();
        huboRespuesta = false;
        textoError[0] = 0;
        errorLocal.reset();
        errorDatos.reset();
        recorte.clear();
        if (origen)
            origen->seek(0);
        return realiza();
    }

    // A request with a data connection. When the server refuses passive
    // mode, the same request goes again in active mode, and the session
    // stays in active mode. When active mode fails too, the failure says
    // that the server refused the data connection. A protected session
    // never goes to active mode: libcurl (7.88) sends the command, the server
    // opens the file and answers 150, and the protected data connection
    // never starts, which left an empty file on the server.
    CURLcode transfiere(const QString &ruta, const QString &que)
    {
        const CURLcode r = ejecuta(ruta);
        if (r == CURLE_OK || activo || !pasivoRechazado(r))
            return r;
        // (The text names no file: the sessions of one command meet the
        // same refusal, and the command says it once.)
        if (controlCifrado) {
            errorDatos = ErrorTendal(
                10000 + r,
                QStringLiteral("El servidor %1 rechazó el modo pasivo (%2). Con la conexión cifrada no se usa el "
                               "modo activo: su conexión de datos protegida no se establece. No se envió ni se "
                               "recibió nada; el servidor debe aceptar el modo pasivo (EPSV o PASV) en las sesiones "
                               "cifradas")
                    .arg(direccion.trimmed(), huboRespuesta ? textoRespuesta() : detalleCurl(r)));
            return r;
        }
        const QString pasivo = huboRespuesta ? textoRespuesta() : detalleCurl(r);
        activo = true;
        curl_easy_setopt(curl, CURLOPT_FTPPORT, "-");
        const CURLcode r2 = ejecuta(ruta);
        if (r2 != CURLE_OK && !errorLocal && activoRechazado(r2))
            throw ErrorTendal(10000 + r2, QStringLiteral("El servidor rechazó la conexión de datos para %1 "
                                                         "(modo pasivo: %2; modo activo: %3)")
                                              .arg(que, pasivo, huboRespuesta ? textoRespuesta() : detalleCurl(r2)));
        return r2;
    }

    bool pasivoRechazado(CURLcode c) const
    {
        return (orden == "PASV" || orden == "EPSV")
               && (c == CURLE_FTP_WEIRD_PASV_REPLY || c == CURLE_FTP_WEIRD_227_FORMAT || c == CURLE_FTP_CANT_GET_HOST
                   || c == CURLE_COULDNT_CONNECT);
    }

    bool activoRechazado(CURLcode c) const
    {
        return c == CURLE_FTP_PORT_FAILED || c == CURLE_FTP_ACCEPT_FAILED || c == CURLE_FTP_ACCEPT_TIMEOUT
               || ((orden == "PORT" || orden == "EPRT") && codigoRespuesta() >= 400);
    }

    // The control connection is gone (closed by the server, an idle
    // time-out's 421, a broken connection).
    bool sesionPerdida(CURLcode c) const
    {
        return !errorLocal
               && (c == CURLE_GOT_NOTHING || c == CURLE_SEND_ERROR || c == CURLE_RECV_ERROR
                   || codigoRespuesta() == 421);
    }

    // Logs in: the control connection stays open for the transfers of the
    // session. A server that greets with 421 (too many connections, not
    // available now) is busy: one more try after a short pause, then it
    // counts as no connection.
    void inicia()
    {
        cierra();
        preparaHandle();
        const QByteArray u = usuario.toUtf8();
        const QByteArray c = clave.toUtf8();
        curl_easy_setopt(curl, CURLOPT_USERNAME, u.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, c.constData());
        activo = false;
        envios = 0;
        controlCifrado = false;
        datosCifrados = false;
        for (int intento = 1;; ++intento) {
            restableceOpciones();
            curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
            const CURLcode r = ejecuta(QString());
            curl_easy_setopt(curl, CURLOPT_NOBODY, 0L);
            if (r == CURLE_OK)
                break;
            const bool ocupado = codigoRespuesta() == 421 && orden.isEmpty();
            if (ocupado && intento == 1 && pausa(kPausaOcupado))
                continue;
            try {
                if (ocupado)
                    throw ErrorTendal(ErrorTendal::FtpSinConexion,
                                      QStringLiteral("El servidor %1 está ocupado y no abrió la sesión (%2)")
                                          .arg(direccion.trimmed(), textoRespuesta()));
                falla(Operacion::Conecta, r, QStringLiteral("el inicio de sesión"));
            } catch (...) {
                cierra();
                throw;
            }
        }
        conectado = true;
    }

    // Deletes a file of the server (DELE, through libcurl's quote list on
    // the session's handle: libcurl logs in again when the server closed
    // the connection). True when the server confirmed it.
    bool retira(const QString &ruta)
    {
        if (abortar || !curl)
            return false;
        curl_slist *ordenes = curl_slist_append(nullptr, (QStringLiteral("DELE ") + ruta).toUtf8().constData());
        restableceOpciones();
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(curl, CURLOPT_QUOTE, ordenes);
        const CURLcode r = ejecuta(QString());
        curl_easy_setopt(curl, CURLOPT_QUOTE, nullptr);
        curl_easy_setopt(curl, CURLOPT_NOBODY, 0L);
        curl_slist_free_all(ordenes);
        return r == CURLE_OK;
    }

    // Waits ms, or less when the session is closed meanwhile (false then).
    bool pausa(int ms) const
    {
        for (int esperado = 0; esperado < ms; esperado += 50) {
            if (abortar || plazoCumplido())
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return !abortar;
    }
    static constexpr int kPausaOcupado = 1500;

    // Waits for the next step of the transfer: a socket libcurl watches,
    // or, when it watches none (the data connection not yet up after a
    // passive-mode reply; libcurl sets no timer for it), the session's last
    // socket, which is writable as soon as it is connected, or nothing when
    // that socket is not open yet (libcurl opens it in its next step). A loop that
    // keeps finding no socket to watch (kRondasSinSocket rounds in a row)
    // waits as usual, so it never spins.
    CURLMcode espera(int &sinSocket)
    {
        fd_set lectura, escritura, error;
        FD_ZERO(&lectura);
        FD_ZERO(&escritura);
        FD_ZERO(&error);
        int mayor = -1;
        if (curl_multi_fdset(multi, &lectura, &escritura, &error, &mayor) != CURLM_OK)
            return CURLM_INTERNAL_ERROR;
        if (mayor >= 0)
            sinSocket = 0;
        if (mayor >= 0 || ++sinSocket > kRondasSinSocket)
            return curl_multi_poll(multi, nullptr, 0, kEsperaMaxima, nullptr);
        if (ultimoSocket == CURL_SOCKET_BAD)
            return CURLM_OK; // nothing to wait for: the next step is libcurl's own
        curl_waitfd socket {ultimoSocket, CURL_WAIT_POLLOUT, 0};
        return curl_multi_poll(multi, &socket, 1, kEsperaMaxima, nullptr);
    }

    CURLcode realiza()
    {
        if (!multi)
            multi = curl_multi_init();
        if (!multi || curl_multi_add_handle(multi, curl) != CURLM_OK)
            return CURLE_FAILED_INIT;
        CURLcode resultado = CURLE_OK;
        int activas = 1;
        int sinSocket = 0;
        plazoVencido = false;
        while (activas > 0) {
            // A stop asked from another thread ends the exchange in any
            // phase (also while the server has not greeted yet).
            if (abortar) {
                resultado = CURLE_ABORTED_BY_CALLBACK;
                break;
            }
            // So does the caller's deadline (a silent greeting, a stalled
            // data connection).
            if (plazoCumplido()) {
                plazoVencido = true;
                resultado = CURLE_OPERATION_TIMEDOUT;
                break;
            }
            if (curl_multi_perform(multi, &activas) != CURLM_OK) {
                resultado = CURLE_FAILED_INIT;
                break;
            }
            if (activas > 0 && espera(sinSocket) != CURLM_OK) {
                resultado = CURLE_FAILED_INIT;
                break;
            }
        }
        int quedan = 0;
        while (CURLMsg *m = curl_multi_info_read(multi, &quedan))
            if (m->msg == CURLMSG_DONE && m->easy_handle == curl)
                resultado = m->data.result;
        curl_multi_remove_handle(multi, curl);
        return resultado;
    }

    void restableceOpciones()
    {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 0L);
        curl_easy_setopt(curl, CURLOPT_UPLOAD, 0L);
        curl_easy_setopt(curl, CURLOPT_DIRLISTONLY, 0L);
        curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(-1));
        curl_easy_setopt(curl, CURLOPT_POSTQUOTE, nullptr);
        destino = nullptr;
        origen = nullptr;
    }

    void exigeSesion(const QString &que) const
    {
        if (!conectado || !curl)
            throw ErrorTendal(ErrorTendal::FtpTerminado,
                              QStringLiteral("No hay sesión abierta con el servidor para %1").arg(que));
    }

    int codigoRespuesta() const { return respuesta.left(3).toInt(); }

    QString textoRespuesta() const { return QString::fromUtf8(respuesta); }

    QString detalleCurl(CURLcode c) const
    {
        return textoError[0] ? QString::fromUtf8(textoError) : QString::fromUtf8(curl_easy_strerror(c));
    }

    // The failure of an operation as the numbered error of the system.
    [[noreturn]] void falla(Operacion op, CURLcode c, const QString &que)
    {
        if (errorLocal)
            throw *errorLocal;
        if (errorDatos)
            throw *errorDatos;

        const int codigo = codigoRespuesta();
        const QString servidor = direccion.trimmed();

        // The session was closed while the operation ran.
        if (c == CURLE_ABORTED_BY_CALLBACK)
            throw ErrorTendal(ErrorTendal::FtpTerminado, QStringLiteral("La sesión se cerró durante %1").arg(que));

        // No connection at all.
        if (c == CURLE_COULDNT_RESOLVE_HOST || c == CURLE_COULDNT_RESOLVE_PROXY)
            throw ErrorTendal(ErrorTendal::FtpSinConexion,
                              QStringLiteral("No se encontró el servidor %1").arg(servidor));
        if (c == CURLE_COULDNT_CONNECT)
            throw ErrorTendal(ErrorTendal::FtpSinConexion,
                              QStringLiteral("El servidor %1 no aceptó la conexión").arg(servidor));
        // Encryption: nothing is sent or received without the protection
        // the configuration asks for.
        if (c == CURLE_PEER_FAILED_VERIFICATION)
            throw ErrorTendal(10000 + c,
                              QStringLiteral("No se pudo comprobar el certificado del servidor %1; no se envió ni "
                                             "se recibió nada (%2)")
                                  .arg(servidor, detalleCurl(c)));
        if (c == CURLE_USE_SSL_FAILED)
            throw ErrorTendal(10000 + c, QStringLiteral("El servidor %1 no ofrece conexión cifrada (TLS) y la "
                                                        "configuración la exige; no se envió ni se recibió nada")
                                             .arg(servidor));
        if (c == CURLE_SSL_CACERT_BADFILE)
            throw ErrorTendal(10000 + c, QStringLiteral("No se pudo leer el archivo de certificados %1 (%2)")
                                             .arg(cifrado.certificados, detalleCurl(c)));
        if (c == CURLE_SSL_CONNECT_ERROR)
            throw ErrorTendal(10000 + c, QStringLiteral("No se pudo cifrar la conexión con el servidor %1; no se "
                                                        "envió ni se recibió nada (%2)")
                                             .arg(servidor, detalleCurl(c)));
        if (c == CURLE_OPERATION_TIMEDOUT && plazoVencido) {
            if (op == Operacion::Conecta)
                throw ErrorTendal(ErrorTendal::FtpSinConexion,
                                  QStringLiteral("El servidor %1 no abrió la sesión antes de terminar el plazo de "
                                                 "espera")
                                      .arg(servidor));
            throw ErrorTendal(
                10000 + c, QStringLiteral("El servidor no terminó %1 antes de terminar el plazo de espera").arg(que));
        }
        if (op == Operacion::Conecta && c == CURLE_OPERATION_TIMEDOUT && codigo != 421)
            throw ErrorTendal(ErrorTendal::FtpSinConexion,
                              QStringLiteral("El servidor %1 no respondió al conectar (%2 s de espera)")
                                  .arg(servidor)
                                  .arg(huboRespuesta ? limites.segundosVelocidadBaja : limites.segundosConexion));

        // A server that takes no login in the clear, with the encryption
        // off: the setting to change, never a refused password.
        if (op == Operacion::Conecta && cifrado.modo == Cifrado::Ninguno && huboRespuesta && codigo >= 400
            && pideCifrado(respuesta))
            throw ErrorTendal(10000 + CURLE_USE_SSL_FAILED,
                              QStringLiteral("El servidor %1 exige una conexión cifrada (TLS) y la configuración no "
                                             "cifra (cifrado=0): cambia el cifrado a «TLS obligatorio» (tendal "
                                             "config cifrado=2, o «Cifrado de la conexión» en la configuración). No "
                                             "se envió ni se recibió nada. El servidor respondió: %2")
                                  .arg(servidor, textoRespuesta()));

        // Login refused.
        if (c == CURLE_LOGIN_DENIED || (codigo == 530 && (orden == "USER" || orden == "PASS"))) {
            if (orden == "USER")
                throw ErrorTendal(
                    ErrorTendal::FtpUsuario,
                    QStringLiteral("El servidor no aceptó el usuario %1 (%2)").arg(usuario, textoRespuesta()));
            throw ErrorTendal(ErrorTendal::FtpLogin,
                              QStringLiteral("El servidor no aceptó la contraseña del usuario %1 (%2)")
                                  .arg(usuario, textoRespuesta()));
        }
        if (op == Operacion::Conecta
            && (codigo == 421 || c == CURLE_WEIRD_SERVER_REPLY || c == CURLE_GOT_NOTHING || c == CURLE_RECV_ERROR
                || c == CURLE_SEND_ERROR))
            throw ErrorTendal(ErrorTendal::FtpClave,
                              QStringLiteral("El servidor %1 no abrió la sesión (%2)")
                                  .arg(servidor, huboRespuesta ? textoRespuesta() : detalleCurl(c)));

        // A file the server does not hold.
        if (op == Operacion::Recibe
            && (c == CURLE_REMOTE_FILE_NOT_FOUND
                || (codigo == 550 && (orden == "RETR" || orden == "SIZE" || orden == "CWD"))))
            throw ErrorTendal(ErrorTendal::FtpTransferencia,
                              QStringLiteral("El servidor no tiene %1 (%2)").arg(que, textoRespuesta()));

        // The connection went away in the middle of the session.
        if (c == CURLE_PARTIAL_FILE || c == CURLE_GOT_NOTHING || c == CURLE_SEND_ERROR || c == CURLE_RECV_ERROR
            || codigo == 426 || codigo == 421)
            throw ErrorTendal(
                ErrorTendal::FtpTerminado,
                QStringLiteral("Se perdió la conexión con el servidor durante %1").arg(que)
                    + (huboRespuesta && codigo >= 400 ? QStringLiteral(" (%1)").arg(textoRespuesta()) : QString()));

        // A silent server.
        if (c == CURLE_OPERATION_TIMEDOUT)
            throw ErrorTendal(10000 + c,
                              QStringLiteral("El servidor dejó de responder durante %1 (más de %2 s sin datos)")
                                  .arg(que)
                                  .arg(limites.segundosVelocidadBaja));

        // The server refused the command: its reply is the number.
        if (huboRespuesta && codigo >= 400 && codigo < 600)
            throw ErrorTendal(codigo, QStringLiteral("El servidor rechazó %1 (%2)").arg(que, textoRespuesta()));

        throw ErrorTendal(10000 + c, QStringLiteral("Falla de FTP durante %1: %2").arg(que, detalleCurl(c)));
    }
};

ClienteFtp::ClienteFtp()
    : ClienteFtp(Limites {})
{
}

ClienteFtp::ClienteFtp(Limites limites)
    : d(std::make_unique<Impl>())
{
    d->limites = limites;
}

ClienteFtp::~ClienteFtp() = default;

void ClienteFtp::conecta(const QString &direccion, const QString &usuario, const QString &clave)
{
    conecta(direccion, usuario, clave, Cifrado {});
}

void ClienteFtp::conecta(const QString &direccion, const QString &usuario, const QString &clave, const Cifrado &cifrado)
{
    const std::lock_guard uso(d->enUso);
    d->cierra();
    d->direccion = direccion;
    d->usuario = usuario;
    d->clave = clave;
    d->cifrado = cifrado;
    d->reingreso = false;
    d->base = urlBase(direccion);
    if (d->base.isEmpty())
        throw ErrorTendal(ErrorTendal::FtpSinConexion,
                          direccion.trimmed().isEmpty()
                              ? QStringLiteral("No se indicó la dirección del servidor")
                              : QStringLiteral("La dirección del servidor no es válida: %1").arg(direccion));
    d->inicia();
}

void ClienteFtp::envia(const QString &rutaLocal, const QString &carpetaRemota, const QString &archivo)
{
    const QString ruta = rutaServidor(carpetaRemota, archivo);
    const QString que = QStringLiteral("el envío de %1 a %2").arg(archivo, carpetaRemota);
    const std::lock_guard uso(d->enUso);
    d->exigeSesion(que);

    QFile local(rutaLocal);
    if (!QFileInfo(rutaLocal).isFile())
        throw ErrorTendal::conNumero(ErrorTendal::ArchivoNoEncontrado, rutaLocal);
    if (!local.open(QIODevice::ReadOnly))
        throw ErrorTendal::conNumero(ErrorTendal::AccesoRutaArchivo,
                                     rutaLocal + QStringLiteral(" (") + local.errorString() + QLatin1Char(')'));

    const auto sube = [&] {
        d->restableceOpciones();
        d->enviado = 0;
        d->storIniciado = false;
        d->origen = &local;
        curl_easy_setopt(d->curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(d->curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(local.size()));
        d->pideHora(archivo);
        const CURLcode r = d->transfiere(ruta, que);
        if (r == CURLE_OK)
            d->leeHora();
        d->restableceOpciones();
        return r;
    };
    CURLcode r = sube();
    // A session that the server dropped before its first upload (an idle
    // time-out while the person typed the payment password) logs in again
    // once and goes on. One lost during or after an upload is reported.
    if (r != CURLE_OK && d->envios == 0 && !d->reingreso && d->sesionPerdida(r)) {
        d->reingreso = true;
        d->inicia();
        r = sube();
    }
    if (r != CURLE_OK) {
        if (!d->storIniciado)
            d->falla(Operacion::Envia, r, que);
        // The server had opened the file: what it holds is a part of it,
        // which no one must take for the file sent. It is removed, on this
        // session or on a new login when the server closed this one.
        ErrorTendal error(0, QString());
        try {
            d->falla(Operacion::Envia, r, que);
        } catch (const ErrorTendal &e) {
            error = e;
        }
        const bool retirado = d->retira(ruta);
        throw ErrorTendal(error.numero(), error.descripcion()
                                              + (retirado ? QStringLiteral("; la parte que llegó se borró del servidor")
                                                          : QStringLiteral("; no se pudo borrar del servidor la parte "
                                                                           "que llegó")));
    }
    ++d->envios;
}

void ClienteFtp::recibe(const QString &rutaLocal, const QString &carpetaRemota, const QString &archivo,
                        Escritura escritura)
{
    const QString ruta = rutaServidor(carpetaRemota, archivo);
    const QString que = QStringLiteral("la recepción de %1 de %2").arg(archivo, carpetaRemota);
    const std::lock_guard uso(d->enUso);
    d->exigeSesion(que);

    const QFileInfo info(rutaLocal);
    if (!info.dir().exists())
        throw ErrorTendal::conNumero(ErrorTendal::RutaNoEncontrada, info.path());
    // Written beside the target under a temporary name (created now, so an
    // empty file arrives too) and renamed only when the transfer completed.
    // A durable download is synced to the disk before the rename
    // (QSaveFile); a provisional one is not.
    std::optional<QSaveFile> durable;
    std::optional<QFile> provisional;
    const QString parte = rutaLocal + QStringLiteral(".parte");
    QFileDevice *local = nullptr;
    if (escritura == Escritura::Durable) {
        durable.emplace(rutaLocal);
        durable->setDirectWriteFallback(false);
        local = &*durable;
    } else {
        provisional.emplace(parte);
        local = &*provisional;
    }
    if (!local->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw ErrorTendal::conNumero(ErrorTendal::AccesoRutaArchivo,
                                     rutaLocal + QStringLiteral(" (") + local->errorString() + QLatin1Char(')'));
    // A download that fails leaves nothing behind: what arrived goes at once.
    const auto descarta = [&] {
        CopiaBloques::descarta(*local);
    };

    d->restableceOpciones();
    d->destino = local;
    d->nombreLocal = archivo;
    d->carpetaLocal = info.absolutePath();
    d->pideHora(archivo);
    const CURLcode r = d->transfiere(ruta, que);
    if (r == CURLE_OK)
        d->leeHora();
    d->restableceOpciones();
    if (r != CURLE_OK) {
        descarta();
        try {
            d->falla(Operacion::Recibe, r, que);
        } catch (const ErrorTendal &e) {
            // The server does not hold the file: no local file stands for it.
            if (e.numero() == ErrorTendal::FtpTransferencia)
                QFile::remove(rutaLocal);
            throw;
        }
    }
    // The last bytes reach the disk here: a disk that fills now is 61 too.
    errno = 0;
    bool hecho = false;
    if (durable) {
        hecho = durable->commit();
    } else {
        provisional->close();
        hecho = provisional->error() == QFileDevice::NoError;
        std::error_code fallo;
        if (hecho)
            std::filesystem::rename(parte.toStdU16String(), rutaLocal.toStdU16String(), fallo);
        hecho = hecho && !fallo;
    }
    if (!hecho) {
        const int error = errno;
        descarta();
        QFile::remove(parte);
        throw CopiaBloques::errorDeEscritura(error, archivo, info.absolutePath());
    }
}

QStringList ClienteFtp::lista(const QString &carpetaRemota)
{
    const QString que = QStringLiteral("el listado de %1").arg(carpetaRemota);
    const std::lock_guard uso(d->enUso);
    d->exigeSesion(que);

    QBuffer nombres;
    nombres.open(QIODevice::WriteOnly);
    d->restableceOpciones();
    d->destino = &nombres;
    curl_easy_setopt(d->curl, CURLOPT_DIRLISTONLY, 1L);
    const CURLcode r = d->transfiere(rutaServidor(carpetaRemota, QString()), que);
    d->restableceOpciones();
    if (r != CURLE_OK)
        d->falla(Operacion::Lista, r, que);
    // A listing cut short is no listing: the caller cannot tell a missing
    // name from one left out.
    if (!d->recorte.isEmpty())
        throw ErrorTendal(226, QStringLiteral("El servidor recortó el listado de %1 (%2)")
                                   .arg(carpetaRemota, QString::fromUtf8(d->recorte)));

    QStringList lista;
    for (const QByteArray &linea : nombres.data().split('\n')) {
        const QString nombre = QString::fromUtf8(linea).trimmed();
        if (!nombre.isEmpty())
            lista << nombre.section(QLatin1Char('/'), -1);
    }
    return lista;
}

std::optional<qint64> ClienteFtp::tamano(const QString &carpetaRemota, const QString &archivo)
{
    const QString que = QStringLiteral("el tamaño de %1 en %2").arg(archivo, carpetaRemota);
    const std::lock_guard uso(d->enUso);
    d->exigeSesion(que);

    // libcurl hands the size it learnt over as header lines: they are read
    // and dropped.
    QBuffer cabeceras;
    cabeceras.open(QIODevice::WriteOnly);
    d->restableceOpciones();
    d->destino = &cabeceras;
    curl_easy_setopt(d->curl, CURLOPT_NOBODY, 1L);
    const CURLcode r = d->transfiere(rutaServidor(carpetaRemota, archivo), que);
    curl_off_t n = -1;
    if (r == CURLE_OK)
        curl_easy_getinfo(d->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &n);
    d->restableceOpciones();
    if (r == CURLE_REMOTE_FILE_NOT_FOUND || r == CURLE_FTP_COULDNT_RETR_FILE)
        return std::nullopt;
    if (r != CURLE_OK)
        d->falla(Operacion::Lista, r, que);
    if (n < 0)
        return std::nullopt;
    return qint64(n);
}

void ClienteFtp::fijaPlazo(std::optional<std::chrono::steady_clock::time_point> fin)
{
    d->plazo = fin ? std::max<std::chrono::steady_clock::rep>(fin->time_since_epoch().count(), 1) : 0;
}

void ClienteFtp::desconecta()
{
    d->abortar = true;
    const std::lock_guard uso(d->enUso);
    d->abortar = false;
    d->cierra();
}

qint64 ClienteFtp::enviado() const
{
    return d->enviado;
}

std::optional<QDateTime> ClienteFtp::horaServidor() const
{
    return d->hora;
}

bool ClienteFtp::conectado() const
{
    return d->conectado;
}

ClienteFtp::Proteccion ClienteFtp::proteccion() const
{
    return {d->controlCifrado, d->datosCifrados};
}

QString ClienteFtp::problemaCertificados(const QString &ruta)
{
    const QFileInfo info(ruta);
    if (!info.exists())
        return QStringLiteral("el archivo de certificados %1 no existe").arg(QDir::toNativeSeparators(ruta));
    QFile f(ruta);
    if (info.isDir() || !f.open(QIODevice::ReadOnly))
        return QStringLiteral("no se pudo leer el archivo de certificados %1").arg(QDir::toNativeSeparators(ruta));
    // PEM: base64 of a DER sequence between the markers of a certificate.
    const QByteArray texto = f.read(8 << 20);
    const QByteArray inicio = "-----BEGIN CERTIFICATE-----", fin = "-----END CERTIFICATE-----";
    for (qsizetype desde = texto.indexOf(inicio); desde >= 0; desde = texto.indexOf(inicio, desde + 1)) {
        const qsizetype hasta = texto.indexOf(fin, desde);
        if (hasta < 0)
            break;
        QByteArray base64 = texto.mid(desde + inicio.size(), hasta - desde - inicio.size());
        base64.replace('\r', "").replace('\n', "").replace(' ', "").replace('\t', "");
        const auto der = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
        if (der && der.decoded.size() > 16 && uchar(der.decoded[0]) == 0x30)
            return {};
    }
    return QStringLiteral("el archivo %1 no tiene ningún certificado (PEM, «-----BEGIN CERTIFICATE-----»)")
        .arg(QDir::toNativeSeparators(ruta));
}
