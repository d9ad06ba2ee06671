#include "core/recepcion/CicloRecepcion.h"

#include "core/base/Ocupacion.h"
#include "core/base/TareaSuelta.h"
#include "core/ftp/ControlFtp.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Funciones.h"
#include "core/base/Huella.h"
#include "core/base/Reloj.h"
#include "core/base/Dialogos.h"
#include "core/db/Conexion.h"
#include "core/db/HorasServidor.h"
#include "core/recepcion/JuicioRespuesta.h"
#include "core/oficina/Programa.h"
#include "core/servidor/SesionFtp.h"
#include "core/servidor/ReporteConexion.h"
#include "core/oficina/CamposConfiguracion.h"

#include <QCoreApplication>
#include <QCoro/QCoroFuture>
#include <QCoro/QCoroSignal>
#include <QDeadlineTimer>
#include <QDir>
#include <QScopeGuard>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <optional>

namespace {

// One response that a reception entry awaits.
struct Respuesta {
    int columna; // the column that marks it received (Prev or Val)
    QString carpetaServidor; // where it appears on the server
    QString archivo; // the expected name
    QString carpetaLocal; // where it is stored
    QString estado; // its state in the send list
    QString icono; // its icon in the send list
};

constexpr int kPrimerIntervalo = 2000;
constexpr int kIntervalo = 5000;
const QString kMarca = QStringLiteral("X");
constexpr int kErrorInterno = 51;
// Awaited responses that the listings did not show, asked for by name on
// each tick.
constexpr qsizetype kPorNombre = 3;

using Entrada = ListaRecepcion::Entrada;

// True while the entry awaits the response of column Prev or Val. A file
// that expects no prevalidation response has no prevalidation name.
bool espera(const Entrada &e, int columna)
{
    if (columna == ListaRecepcion::Prev)
        return e.prev.isEmpty() && !e.archivoPrev.isEmpty();
    return e.val.isEmpty();
}

// The response of column Prev or Val of an entry. Every prevalidation
// response is stored in the SAAI M3 reception folder (configuration field
// 6), whatever the kind of the file.
Respuesta respuesta(const Entrada &e, int columna, const QString &carpetaPrevalidacion)
{
    if (columna == ListaRecepcion::Prev)
        return {columna, e.rutaPrev, e.archivoPrev, carpetaPrevalidacion, QStringLiteral("K"), QStringLiteral("1")};
    return {columna, e.rutaVal, e.archivoVal, e.rutaDest, QStringLiteral("R"), e.icono};
}

// Errors that end the session itself: the tick stops, whatever step it was in.
bool esDeSesion(int numero)
{
    switch (numero) {
    case ErrorTendal::FtpTerminado:
    case ErrorTendal::FtpSinComunicacion:
    case ErrorTendal::FtpUsuario:
    case ErrorTendal::FtpClave:
    case ErrorTendal::FtpLogin:
    case ErrorTendal::FtpSinConexion:
        return true;
    default:
        return false;
    }
}

} // namespace

QCoro::Task<> CicloRecepcion::lista(QString carpeta)
{
    if (m_nombres.contains(carpeta))
        co_return;
    std::optional<QHash<QString, QString>> nombres;
    try {
        const QStringList l = co_await m_ftp.lista(carpeta);
        nombres.emplace();
        for (const QString &n : l) {
            const QString nombre = n.section(u'/', -1);
            nombres->insert(nombre.toLower(), nombre);
        }
    } catch (const ErrorTendal &e) {
        if (esDeSesion(e.numero()))
            throw;
        // A refused listing: the folder is polled name by name.
    }
    m_nombres.insert(carpeta, nombres);
}

QCoro::Task<> CicloRecepcion::descarga(qint64 transmision, ListaRecepcion::Entrada foto, int columna, bool porNombre)
{
    ListaRecepcion &recepcion = m_programa.listaRecepcion();
    const Respuesta r = respuesta(foto, columna, m_programa.campos().texto(CamposConfiguracion::val_rec));
    QString remoto = r.archivo;
    bool listada = false;
    if (const auto it = m_nombres.constFind(r.carpetaServidor); it != m_nombres.constEnd() && it->has_value()) {
        const auto nombre = (*it)->constFind(r.archivo.toLower());
        if (nombre != (*it)->constEnd())
            remoto = *nombre;
        else if (!porNombre)
            co_return; // not listed
        listada = nombre != (*it)->constEnd();
    }
    // Still awaited by this entry (the lists may have changed meanwhile).
    const auto espera = [&] {
        const int i = recepcion.posicionDe(transmision);
        return i >= 0 && recepcion.celda(i, columna).isEmpty();
    };
    if (!espera())
        co_return;
    // Claimed before the download: another workstation on the office that
    // holds it, or stored it already, fetches it (it shows at the next look).
    Diario &diario = m_programa.diario();
    if (!diario.reclamaRespuesta(transmision, r.estado)) {
        m_programa.refrescaListas();
        co_return;
    }
    // Downloaded under a name of this program's own: two programs of one
    // user share TendalTmp, and both may fetch the same response at once
    // (the first to store it wins), so neither may write or delete the
    // other's file.
    static std::atomic<int> descargas = 0;
    const QString temporal = m_programa.carpetas().enTemporal(
        QStringLiteral("%1.%2-%3").arg(r.archivo).arg(QCoreApplication::applicationPid()).arg(++descargas));
    // Until it joins the tick's downloads, the claim and the file are this
    // call's.
    bool apuntada = false;
    const auto suelta = qScopeGuard([&] {
        if (apuntada)
            return;
        Funciones::Borra_Archivo(temporal);
        try {
            diario.sueltaRespuesta(transmision, r.estado);
        } catch (const ErrorTendal &) {
            // the session's end lets it go
        }
    });
    // A file left from an earlier run is never taken for this response.
    Funciones::Borra_Archivo(temporal);
    try {
        ControlFtp &ftp = m_ftp;
        ftp.archivoLocal = temporal;
        ftp.carpetaRemota = r.carpetaServidor;
        ftp.archivoRemoto = remoto;
        // A scratch copy: the copy in the reception folder is the one
        // synced to the disk.
        co_await ftp.descarga(ClienteFtp::Escritura::Provisional);
    } catch (const ErrorTendal &e) {
        if (e.numero() != ErrorTendal::FtpTransferencia)
            throw;
    }
    const QFileInfo info(temporal);
    // Listed but not downloaded: a folder of that name on the server is
    // told once, and waited on as any response that is not there yet.
    if (listada && (!info.exists() || info.size() == 0))
        co_await avisaSiEsCarpeta(r.carpetaServidor, remoto, foto.nombre);
    // Not there, still being written on the server (fetched again next
    // tick), or no longer awaited.
    if (!info.exists() || info.size() == 0 || !espera())
        co_return;
    // A response is taken only if it is this transmission's own.
    const std::optional<QDateTime> hora = m_ftp.horaServidor();
    if (!esSuya(transmision, foto.nombre, r.estado, r.archivo, temporal, hora))
        co_return;
    m_descargas.append({transmision, columna, r.estado, r.archivo, r.icono, r.carpetaLocal, temporal, hora});
    apuntada = true;
}

QCoro::Task<> CicloRecepcion::avisaSiEsCarpeta(QString carpeta, QString nombre, QString archivo)
{
    const QString ruta = carpeta.endsWith(u'/') ? carpeta + nombre : carpeta + u'/' + nombre;
    if (m_carpetasAvisadas.contains(ruta))
        co_return;
    // A file's listing is its own name; a folder's, what it holds.
    bool carpetaEnServidor = false;
    try {
        const QStringList dentro = co_await m_ftp.lista(ruta);
        carpetaEnServidor = !(dentro.size() == 1 && dentro.first().section(u'/', -1) == nombre);
    } catch (const ErrorTendal &e) {
        if (esDeSesion(e.numero()))
            throw;
    }
    if (!carpetaEnServidor)
        co_return;
    m_carpetasAvisadas.insert(ruta);
    const QString texto = QStringLiteral("En el servidor, %1 es una carpeta y no un archivo: la respuesta %2 de %3 no "
                                         "se puede recibir mientras esa carpeta esté ahí. %3 sigue esperando su "
                                         "respuesta; las demás se siguen recibiendo.")
                              .arg(ruta, nombre, archivo);
    m_programa.dialogos().aviso(texto);
}

bool CicloRecepcion::esSuya(qint64 transmision, const QString &archivo, const QString &clase, const QString &respuesta,
                            const QString &temporal, const std::optional<QDateTime> &hora)
{
    const HorasServidor horas(m_programa.conexion());
    const HorasServidor::Envio envio = horas.envio(transmision);
    std::optional<Huella> huella;
    const auto bytes = [&] {
        if (!huella)
            huella = Huella::deArchivo(temporal);
        return huella->sha256();
    };
    const JuicioRespuesta::Veredicto veredicto
        = JuicioRespuesta::juzga({envio.subido, envio.hora, hora, horas.anterior(respuesta, transmision), bytes});
    if (veredicto == JuicioRespuesta::Veredicto::Toma)
        return true;
    // Passed over: it stays on the server as it is, and the transmission
    // keeps waiting for its own; the history shows it.
    bytes();
    const auto motivo = veredicto == JuicioRespuesta::Veredicto::Anterior ? HorasServidor::Motivo::Anterior
                                                                          : HorasServidor::Motivo::Sospechosa;
    const bool nueva = horas.pasaPorAlto(
        {transmision, clase, respuesta, hora, huella->tamano(), huella->sha256(), motivo}, m_programa.reloj().ahora());
    if (nueva) {
        emit respuestaPasada(respuesta, archivo, hora.value_or(QDateTime()),
                             motivo == HorasServidor::Motivo::Sospechosa);
        if (motivo == HorasServidor::Motivo::Sospechosa)
            m_programa.dialogos().aviso(
                QStringLiteral("La respuesta %1 que está en el servidor es idéntica a la que ya recibió antes otro "
                               "archivo de ese nombre, y el servidor no dice cuándo la escribió: no se tomó como "
                               "respuesta de %2, que sigue esperando la suya.")
                    .arg(respuesta, archivo));
    }
    return false;
}

void CicloRecepcion::olvidaDescargas()
{
    for (const Descarga &d : std::as_const(m_descargas)) {
        if (!d.temporal.isEmpty())
            Funciones::Borra_Archivo(d.temporal);
        try {
            m_programa.diario().sueltaRespuesta(d.transmision, d.clase);
        } catch (const ErrorTendal &) {
            // the session's end lets it go
        }
    }
    m_descargas.clear();
}

QCoro::Task<> CicloRecepcion::guarda()
{
    const auto olvida = qScopeGuard([this] { olvidaDescargas(); });
    QList<AlmacenRespuesta::Pendiente> pendientes;
    for (const Descarga &d : std::as_const(m_descargas))
        pendientes.append({d.transmision, d.clase, d.archivo, d.icono, d.carpetaLocal, d.temporal, d.hora});
    ListaRecepcion &recepcion = m_programa.listaRecepcion();
    // Only the ones still awaited: the lists may have changed meanwhile.
    const AlmacenRespuesta::Resultado resultado = co_await m_almacen.guarda(pendientes, [&](qsizetype i) {
        const Descarga &d = m_descargas.at(i);
        const int fila = recepcion.posicionDe(d.transmision);
        return fila >= 0 && recepcion.celda(fila, d.columna).isEmpty();
    });
    // The store deleted the downloads.
    for (Descarga &d : m_descargas)
        d.temporal.clear();
    // Listed together (one change of the journal): each list tells its
    // views once.
    QList<std::pair<qint64, ListaEnvio::Entrada>> listadas;
    QList<std::pair<qint64, int>> marcas;
    qint64 version = 0;
    for (qsizetype i = 0; i < resultado.guardados.size(); ++i) {
        const auto &g = resultado.guardados.at(i);
        if (!g)
            continue;
        const Descarga &d = m_descargas.at(i);
        listadas.append({g->respuesta, {d.archivo, d.clase, d.icono, {}, {}, g->ruta}});
        marcas.append({d.transmision, d.columna});
        version = g->version;
    }
    if (!listadas.isEmpty()) {
        m_programa.listaEnvio().anadeRespuestas(listadas, version);
        recepcion.marcaVarias(marcas, version);
    }
    for (qsizetype i = 0; i < resultado.guardados.size(); ++i)
        if (const auto &g = resultado.guardados.at(i))
            emit respuestaRecibida(m_descargas.at(i).archivo, m_descargas.at(i).clase, g->ruta);
    // Another program on the office stored some: shown at the next look.
    if (resultado.deOtro)
        m_programa.refrescaListas();
    if (resultado.fallo)
        std::rethrow_exception(resultado.fallo);
}

QCoro::Task<> CicloRecepcion::recorre()
{
    // What other programs on the office changed since the last look.
    m_programa.refrescaListas();
    ListaRecepcion &recepcion = m_programa.listaRecepcion();
    // Every entry present now, in its order; entries added meanwhile wait
    // for the next tick.
    QList<std::pair<qint64, Entrada>> fotos;
    for (int i = 0; i < recepcion.cuenta(); ++i)
        fotos.append({recepcion.transmision(i), recepcion.entrada(i)});
    m_nombres.clear();
    // What was downloaded before a failure (a lost session, "Detener") is
    // stored all the same.
    std::optional<ErrorTendal> fallo;
    try {
        co_await descargaTodas(fotos);
    } catch (const ErrorTendal &e) {
        fallo = e;
    }
    m_nombres.clear();
    co_await guarda();
    if (fallo)
        throw *fallo;
}

QCoro::Task<> CicloRecepcion::descargaTodas(QList<std::pair<qint64, ListaRecepcion::Entrada>> fotos)
{
    const QList<int> columnas {ListaRecepcion::Prev, ListaRecepcion::Val};
    if (m_listar)
        for (const auto &[id, e] : std::as_const(fotos))
            for (int c : columnas)
                if (espera(e, c) && !m_deteniendo)
                    co_await lista(c == ListaRecepcion::Prev ? e.rutaPrev : e.rutaVal);
    // The listed ones (or all, where there is no listing); those a listing
    // did not show are kept for the turn below.
    QList<std::tuple<qint64, Entrada, int>> sinListar;
    for (const auto &[id, e] : std::as_const(fotos))
        for (int c : columnas)
            if (espera(e, c) && !m_deteniendo) {
                const QString carpeta = c == ListaRecepcion::Prev ? e.rutaPrev : e.rutaVal;
                const QString archivo = c == ListaRecepcion::Prev ? e.archivoPrev : e.archivoVal;
                const auto it = m_nombres.constFind(carpeta);
                if (it != m_nombres.constEnd() && it->has_value() && !(*it)->contains(archivo.toLower()))
                    sinListar.append({id, e, c});
                else
                    co_await descarga(id, e, c);
            }
    const qsizetype turno = sinListar.isEmpty() ? 0 : m_turnoPorNombre % sinListar.size();
    for (qsizetype i = 0; i < qMin(kPorNombre, sinListar.size()) && !m_deteniendo; ++i) {
        const auto &[id, e, c] = sinListar.at((turno + i) % sinListar.size());
        co_await descarga(id, e, c, true);
    }
    m_turnoPorNombre = turno + kPorNombre;
}

// The entries whose both responses are in leave the list, in one change.
void CicloRecepcion::limpia()
{
    ListaRecepcion &recepcion = m_programa.listaRecepcion();
    QList<int> completas;
    for (int i = 0; i < recepcion.cuenta(); ++i)
        if (recepcion.celda(i, ListaRecepcion::Prev) == kMarca && recepcion.celda(i, ListaRecepcion::Val) == kMarca)
            completas.append(i);
    recepcion.quitaVarias(completas);
}

CicloRecepcion::CicloRecepcion(Programa &programa, QObject *parent)
    : QObject(parent)
    , m_programa(programa)
    , m_ftp(QStringLiteral("eftpRecepcion"), programa.limitesFtp())
    , m_almacen(programa)
{
    m_temporizador.setInterval(kPrimerIntervalo);
    connect(&m_temporizador, &QTimer::timeout, this, &CicloRecepcion::alDisparar);
}

CicloRecepcion::~CicloRecepcion() = default;

void CicloRecepcion::habilita()
{
    if (!m_temporizador.isActive()) {
        m_temporizador.start();
        emit estadoCambiado(true);
    }
}

void CicloRecepcion::deshabilita()
{
    if (m_temporizador.isActive()) {
        m_temporizador.stop();
        emit estadoCambiado(false);
    }
}

bool CicloRecepcion::habilitado() const
{
    return m_temporizador.isActive();
}

int CicloRecepcion::intervalo() const
{
    return m_temporizador.interval();
}

void CicloRecepcion::alDisparar()
{
    // A tick still running (a message left open among others) makes this
    // shot pass.
    if (!m_enCurso)
        TareaSuelta::inicia(QStringLiteral("la revisión de respuestas"), tick(), m_programa.dialogos());
}

QCoro::Task<> CicloRecepcion::tick()
{
    if (m_enCurso)
        co_return;
    // Cleared on every way out of the tick, which then tells it ended.
    const Ocupacion enCurso(m_enCurso, [this](bool ocupado) {
        if (!ocupado)
            emit tickTerminado();
    });
    if (m_temporizador.interval() == kPrimerIntervalo)
        m_temporizador.setInterval(kIntervalo);

    ControlFtp &ftp = m_ftp;
    std::optional<ErrorTendal> fallo;
    try {
        try {
            co_await SesionFtp::Conecta_FTP(ftp, false, m_programa);
        } catch (const ErrorTendal &e) {
            if (e.numero() != ErrorTendal::FtpTransferencia)
                throw;
        }
        // Only a tick that had files to wait for can end the reception
        // (a send that sent nothing starts the cycle all the same).
        const bool habia = m_programa.listaRecepcion().cuenta() > 0;
        if (habia) {
            co_await recorre();
            limpia();
        }
        co_await SesionFtp::Desconecta_FTP(ftp);
        if (!m_deteniendo) {
            olvidaFallo();
            if (m_programa.listaRecepcion().cuenta() == 0) {
                const bool estaba = habilitado();
                deshabilita();
                if (estaba && habia)
                    emit recepcionTerminada();
            } else {
                emit esperandoRespuestas(respuestasPendientes());
            }
        }
    } catch (const ErrorTendal &e) {
        fallo = e;
    } catch (const std::exception &e) {
        fallo = ErrorTendal::conNumero(kErrorInterno, QString::fromLocal8Bit(e.what()));
    }

    // A stop asked by the person ends the tick with no report.
    if (fallo && !m_deteniendo) {
        // The message (if any) is shown while the tick still counts as
        // running, so an open message holds the next tick.
        reportaFallo(*fallo);
        if (ReporteConexion::siguiente(ReporteConexion::Llamador::Recepcion, *fallo)
            == ReporteConexion::Siguiente::Termina) {
            try {
                co_await SesionFtp::Desconecta_FTP(ftp);
            } catch (const ErrorTendal &) {
                // The session is gone already.
            }
        }
    }
}

QCoro::Task<> CicloRecepcion::finDelTick()
{
    if (m_enCurso)
        co_await qCoro(this, &CicloRecepcion::tickTerminado);
}

QCoro::Task<> CicloRecepcion::detiene()
{
    co_await termina();
    m_programa.listaRecepcion().limpia();
    m_falloMostrado.clear();
    m_sinConexionDesde = QDateTime();
    emit detenido();
}

QCoro::Task<> CicloRecepcion::termina()
{
    deshabilita();
    if (m_enCurso) {
        m_deteniendo = true;
        co_await m_ftp.interrumpe();
        co_await finDelTick();
        m_deteniendo = false;
    }
    try {
        co_await SesionFtp::Desconecta_FTP(m_ftp);
    } catch (const ErrorTendal &) {
        // The session is gone already.
    }
}

int CicloRecepcion::respuestasPendientes() const
{
    const ListaRecepcion &recepcion = m_programa.listaRecepcion();
    int n = 0;
    for (int i = 0; i < recepcion.cuenta(); ++i) {
        const Entrada e = recepcion.entrada(i);
        n += (espera(e, ListaRecepcion::Prev) ? 1 : 0) + (espera(e, ListaRecepcion::Val) ? 1 : 0);
    }
    return n;
}

// The rules' message for the first failure, and for one that differs from
// the failure before it; a failure that repeats tick after tick is only
// told by sinConexion (the window's status bar).
void CicloRecepcion::reportaFallo(const ErrorTendal &fallo)
{
    using namespace ReporteConexion;
    const QString texto = ReporteConexion::texto(Llamador::Recepcion, fallo, m_programa.parametros());
    if (texto.isEmpty()) {
        emit falloSinMensaje(fallo.descripcion());
        return;
    }
    if (!m_sinConexionDesde.isValid())
        m_sinConexionDesde = m_programa.reloj().ahora();
    emit sinConexion(m_sinConexionDesde);
    if (texto == m_falloMostrado)
        return;
    m_falloMostrado = texto;
    reporta(Llamador::Recepcion, fallo, m_programa);
}

void CicloRecepcion::olvidaFallo()
{
    if (!m_sinConexionDesde.isValid())
        return;
    m_falloMostrado.clear();
    m_sinConexionDesde = QDateTime();
    emit conexionRecuperada();
}

void CicloRecepcion::fijaPlazo(QDeadlineTimer fin)
{
    m_plazo = fin;
    if (fin.isForever())
        m_ftp.fijaPlazo(std::nullopt);
    else
        m_ftp.fijaPlazo(std::chrono::steady_clock::now() + fin.remainingTimeAsDuration() + kGracia);
}

QCoro::Task<> CicloRecepcion::esperaRespuestas(std::chrono::milliseconds limite)
{
    if (m_plazo.isForever())
        fijaPlazo(QDeadlineTimer(limite));
    const QDeadlineTimer fin = m_plazo;
    habilita();
    while (habilitado() && !fin.hasExpired())
        co_await qCoro(this, &CicloRecepcion::estadoCambiado, std::chrono::milliseconds(fin.remainingTime()));
    deshabilita();
    // A tick under way ends by the deadline's grace at the latest.
    co_await finDelTick();
    fijaPlazo(QDeadlineTimer(QDeadlineTimer::Forever));
}
