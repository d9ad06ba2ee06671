#include "core/recepcion/CicloRecepcion.h"

#include "core/ftp/ControlFtp.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Funciones.h"
#include "core/base/Huella.h"
#include "core/base/Reloj.h"
#include "core/oficina/Programa.h"
#include "core/servidor/SesionFtp.h"
#include "core/servidor/ReporteConexion.h"
#include "core/oficina/CamposConfiguracion.h"

#include <QCoreApplication>
#include <QCoro/QCoroSignal>
#include <QDeadlineTimer>
#include <QDir>
#include <QScopeGuard>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

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

// Copies a received file to destino as a whole: written beside it under a
// temporary name and renamed, so that a full disk or a broken copy never
// leaves a partial response under the response's name.
void copiaEntera(const QString &origen, const QString &destino)
{
    const QString carpeta = QFileInfo(destino).absolutePath();
    if (!QFileInfo(carpeta).isDir())
        throw ErrorTendal::conNumero(ErrorTendal::RutaNoEncontrada, QDir::toNativeSeparators(carpeta));
    QFile entrada(origen);
    if (!entrada.open(QIODevice::ReadOnly))
        throw ErrorTendal::conNumero(ErrorTendal::AccesoRutaArchivo, QDir::toNativeSeparators(origen));
    QSaveFile salida(destino);
    if (!salida.open(QIODevice::WriteOnly))
        throw ErrorTendal::conNumero(ErrorTendal::PermisoDenegado, QDir::toNativeSeparators(destino));
    bool ok = true;
    while (ok && !entrada.atEnd()) {
        const QByteArray bloque = entrada.read(1 << 16);
        ok = !bloque.isEmpty() && salida.write(bloque) == bloque.size();
    }
    ok = ok && entrada.error() == QFileDevice::NoError;
    if (!ok || !salida.commit()) {
        const bool lleno = salida.error() == QFileDevice::ResourceError;
        salida.cancelWriting();
        throw ErrorTendal::conNumero(lleno ? ErrorTendal::DiscoLleno : ErrorTendal::AccesoRutaArchivo,
                                     QDir::toNativeSeparators(destino));
    }
}

// A file already under the response's name (an earlier response of the same
// name: another file sent that expects it, or the same file sent again) is
// never overwritten: it moves to the folder "anteriores" beside it as
// NOMBRE.1, NOMBRE.2, ..., and the journal follows it there.
void apartaAnterior(const QString &destino, Diario &diario)
{
    if (!QFileInfo::exists(destino))
        return;
    const QFileInfo info(destino);
    const QDir anteriores(info.dir().filePath(QStringLiteral("anteriores")));
    if (!anteriores.exists() && !QDir().mkpath(anteriores.path()))
        throw ErrorTendal::conNumero(ErrorTendal::PermisoDenegado, QDir::toNativeSeparators(anteriores.path()));
    int n = 1;
    while (QFileInfo::exists(anteriores.filePath(info.fileName() + u'.' + QString::number(n))))
        ++n;
    const QString aparte = anteriores.filePath(info.fileName() + u'.' + QString::number(n));
    if (!QFile::rename(destino, aparte))
        throw ErrorTendal::conNumero(ErrorTendal::PermisoDenegado, QDir::toNativeSeparators(destino));
    diario.mueveRuta(destino, aparte);
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

QCoro::Task<> CicloRecepcion::recibe(qint64 transmision, ListaRecepcion::Entrada foto, int columna, bool porNombre)
{
    ListaRecepcion &recepcion = m_programa.listaRecepcion();
    const Respuesta r = respuesta(foto, columna, m_programa.campos().texto(CamposConfiguracion::val_rec));
    QString remoto = r.archivo;
    if (const auto it = m_nombres.constFind(r.carpetaServidor); it != m_nombres.constEnd() && it->has_value()) {
        const auto nombre = (*it)->constFind(r.archivo.toLower());
        if (nombre != (*it)->constEnd())
            remoto = *nombre;
        else if (!porNombre)
            co_return; // not listed
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
    const auto suelta = qScopeGuard([&] {
        try {
            diario.sueltaRespuesta(transmision, r.estado);
        } catch (const ErrorTendal &) {
            // the session's end lets it go
        }
    });

    ControlFtp &ftp = m_ftp;
    // Downloaded under a name of this program's own: two programs of one
    // user share TendalTmp, and both may fetch the same response at once
    // (the first to store it wins), so neither may write or delete the
    // other's file.
    static std::atomic<int> descargas = 0;
    const QString temporal = m_programa.carpetas().enTemporal(
        QStringLiteral("%1.%2-%3").arg(r.archivo).arg(QCoreApplication::applicationPid()).arg(++descargas));
    // A file left from an earlier run is never taken for this response.
    Funciones::Borra_Archivo(temporal);
    try {
        ftp.archivoLocal = temporal;
        ftp.carpetaRemota = r.carpetaServidor;
        ftp.archivoRemoto = remoto;
        co_await ftp.descarga();
    } catch (const ErrorTendal &e) {
        if (e.numero() != ErrorTendal::FtpTransferencia)
            throw;
    }
    const QFileInfo info(temporal);
    if (!info.exists())
        co_return;
    if (info.size() == 0 || !espera()) {
        // Still being written on the server (fetched again next tick), or
        // no longer awaited.
        Funciones::Borra_Archivo(temporal);
        co_return;
    }
    // Stored once: the journal marks the response received only if no other
    // program did, and in the same transaction the file is stored (an
    // earlier file of its name kept aside) and listed. A failed copy undoes
    // the mark, and the response is fetched again on the next tick.
    const Huella huella = Huella::deArchivo(temporal);
    const QString destino = QDir(r.carpetaLocal).filePath(r.archivo);
    const auto guardado = diario.guardaRespuesta(
        {transmision, r.estado, r.archivo, r.icono, huella.tamano(), huella.sha256()}, m_programa.reloj().ahora(), [&] {
            apartaAnterior(destino, diario);
            copiaEntera(temporal, destino);
            return destino;
        });
    Funciones::Borra_Archivo(temporal);
    if (!guardado) {
        // Another program on the office stored it: shown at the next look.
        m_programa.refrescaListas();
        co_return;
    }
    m_programa.listaEnvio().anadeRespuesta(guardado->respuesta, {r.archivo, r.estado, r.icono, {}, {}, destino},
                                           guardado->version);
    recepcion.marca(transmision, columna, guardado->version);
    emit respuestaRecibida(r.archivo, r.estado, destino);
}

QCoro::Task<> CicloRecepcion::recorre()
{
    // What other programs on the office changed since the last look.
    m_programa.refrescaListas();
    ListaRecepcion &recepcion = m_programa.listaRecepcion();
    const QList<int> columnas {ListaRecepcion::Prev, ListaRecepcion::Val};
    // Every entry present now, in its order; entries added meanwhile wait
    // for the next tick.
    QList<std::pair<qint64, Entrada>> fotos;
    for (int i = 0; i < recepcion.cuenta(); ++i)
        fotos.append({recepcion.transmision(i), recepcion.entrada(i)});
    m_nombres.clear();
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
                    co_await recibe(id, e, c);
            }
    const qsizetype turno = sinListar.isEmpty() ? 0 : m_turnoPorNombre % sinListar.size();
    for (qsizetype i = 0; i < qMin(kPorNombre, sinListar.size()) && !m_deteniendo; ++i) {
        const auto &[id, e, c] = sinListar.at((turno + i) % sinListar.size());
        co_await recibe(id, e, c, true);
    }
    m_turnoPorNombre = turno + kPorNombre;
    m_nombres.clear();
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
        tick();
}

QCoro::Task<> CicloRecepcion::tick()
{
    if (m_enCurso)
        co_return;
    m_enCurso = true;
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
        if (m_programa.listaRecepcion().cuenta() > 0) {
            co_await recorre();
            limpia();
        }
        co_await SesionFtp::Desconecta_FTP(ftp);
        if (!m_deteniendo) {
            olvidaFallo();
            if (m_programa.listaRecepcion().cuenta() == 0) {
                const bool estaba = habilitado();
                deshabilita();
                if (estaba)
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
    m_enCurso = false;
    emit tickTerminado();
}

QCoro::Task<> CicloRecepcion::finDelTick()
{
    if (m_enCurso)
        co_await qCoro(this, &CicloRecepcion::tickTerminado);
}

QCoro::Task<> CicloRecepcion::detiene()
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
    m_programa.listaRecepcion().limpia();
    m_falloMostrado.clear();
    m_sinConexionDesde = QDateTime();
    emit detenido();
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
