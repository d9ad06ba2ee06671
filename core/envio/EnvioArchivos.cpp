#include "core/envio/EnvioArchivos.h"

#include "core/boletines/Boletines.h"
#include "core/base/Secreto.h"
#include "core/base/Ansi.h"
#include "core/base/CopiaBloques.h"
#include "core/base/Dialogos.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Funciones.h"
#include "core/base/Huella.h"
#include "core/oficina/Programa.h"
#include "core/base/Reloj.h"
#include "core/db/HorasServidor.h"
#include "core/servidor/SesionFtp.h"
#include "core/base/Vb.h"
#include "core/recepcion/CicloRecepcion.h"
#include "core/envio/ArchivoPago.h"
#include "core/envio/ClaveValidacion.h"
#include "core/envio/ReglaEnvio.h"
#include "core/servidor/ReporteConexion.h"

#include <QCoro/QCoroFuture>
#include <QDir>
#include <QTimer>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cerrno>
#include <optional>

namespace {

const QString E = QStringLiteral("E");
const QString S = QStringLiteral("S");
const QString N = QStringLiteral("N");

// Copies a file to send into TendalTmp, replacing an older copy; the copy
// appears under its name only when it is whole. File errors are numbered as
// the send command tells them apart (docs/envio.md):
// 68 the send folder is not there, 53 the file is not there, 70 the file or
// its copy cannot be opened (access denied, locked, something in the way),
// 61 the disk is full, 75 any other failure while copying.
// The file of a send folder named like nombre without regard to case, as the
// office's systems (and the names typed in the window, upper-cased) name
// them; empty when there is none. A name never reaches into another folder.
QString buscaSinMayusculas(const QString &carpeta, const QString &nombre)
{
    if (nombre.contains(u'/') || nombre.contains(u'\\') || nombre == u"." || nombre == u"..")
        return {};
    const QString exacta = QDir(carpeta).filePath(nombre);
    if (QFileInfo::exists(exacta))
        return exacta;
    const QString buscado = nombre.toCaseFolded();
    QDirIterator it(carpeta, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        if (it.fileName().toCaseFolded() == buscado)
            return it.filePath();
    }
    return {};
}

Huella copiaParaEnvio(const QString &carpetaEnvio, const QString &nombre, const QString &destino)
{
    const QFileInfo carpeta(carpetaEnvio);
    if (!carpeta.isDir())
        throw ErrorTendal::conNumero(ErrorTendal::DispositivoNoDisponible,
                                     QDir::toNativeSeparators(carpeta.filePath()));
    if (!carpeta.isExecutable())
        throw ErrorTendal::conNumero(ErrorTendal::PermisoDenegado, QDir::toNativeSeparators(carpeta.filePath()));
    const QString origen = buscaSinMayusculas(carpetaEnvio, nombre);
    if (origen.isEmpty())
        throw ErrorTendal::conNumero(ErrorTendal::ArchivoNoEncontrado,
                                     QDir::toNativeSeparators(QDir(carpetaEnvio).filePath(nombre)));
    const QFileInfo archivo(origen);
    QFile entrada(origen);
    if (archivo.isDir() || !entrada.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw ErrorTendal::conNumero(ErrorTendal::PermisoDenegado, QDir::toNativeSeparators(origen));

    const QString carpetaTemporal = QFileInfo(destino).absolutePath();
    QDir().mkpath(carpetaTemporal);
    QSaveFile salida(destino);
    if (!salida.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw ErrorTendal::conNumero(ErrorTendal::PermisoDenegado, QDir::toNativeSeparators(destino));
    // One pass over the file: each block read is hashed and written.
    Huella huella;
    CopiaBloques copia(salida);
    const bool copiado
        = copia.copia(entrada, [&huella](const char *datos, qint64 largo) { huella.agrega(datos, largo); });
    errno = 0;
    if (!copiado || !salida.commit()) {
        const int error = errno;
        CopiaBloques::descarta(salida);
        if (copia.fallo())
            throw copia.error(nombre, copia.falloDeLectura() ? carpetaEnvio : carpetaTemporal);
        throw CopiaBloques::errorDeEscritura(error, nombre, carpetaTemporal);
    }
    return huella;
}

// The copy runs on a worker so that the window stays live with large files.
// The future is made in a statement of its own: GCC 12 mishandles the
// captures of a lambda built inside a co_await expression.
QCoro::Task<std::shared_ptr<Huella>> copiaEnTrabajador(QThreadPool *hilos, QString carpeta, QString nombre,
                                                       QString destino)
{
    QFuture<std::shared_ptr<Huella>> copia = QtConcurrent::run(hilos, [carpeta, nombre, destino] {
        return std::make_shared<Huella>(copiaParaEnvio(carpeta, nombre, destino));
    });
    co_return co_await copia;
}

bool esErrorDeArchivo(const ErrorTendal &e)
{
    return e.numero() == ErrorTendal::DispositivoNoDisponible || e.numero() == ErrorTendal::PermisoDenegado;
}

// A name with a control character (a line break, a tab) is no julian name
// and no server takes it in an FTP command: it is never copied nor sent.
bool tieneControl(const QString &nombre)
{
    return std::any_of(nombre.cbegin(), nombre.cend(),
                       [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

// Why a name that a send folder holds cannot go to the server as it is
// (empty when it can). A backslash is a folder separator to the server and
// to the office's other systems; a name whose bytes are not UTF-8 reaches
// the program with U+FFFD where they were, and no name written so is the
// file's own.
QString nombreInenviable(const QString &nombre)
{
    if (nombre.contains(u'\\'))
        return QStringLiteral("su nombre lleva una diagonal invertida (\\), que el servidor toma por separador de "
                              "carpetas");
    if (nombre.contains(QChar::ReplacementCharacter))
        return QStringLiteral("su nombre no es texto válido (UTF-8), y con el nombre que se lee no se encuentra "
                              "el archivo ni se puede escribir en el servidor");
    return {};
}

QString visible(const QString &nombre)
{
    QString v = nombre;
    for (QChar &c : v)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u'?';
    return v;
}

} // namespace

EnvioArchivos::EnvioArchivos(Programa &programa, CicloRecepcion &ciclo, Boletines &boletines, QObject *parent)
    : QObject(parent)
    , m_programa(programa)
    , m_ciclo(ciclo)
    , m_boletines(boletines)
{
    m_copias.setMaxThreadCount(1);
}

EnvioArchivos::~EnvioArchivos() = default;

QCoro::Task<> EnvioArchivos::Envia()
{
    if (!puedeEscribir())
        co_return;
    if (m_programa.listaEnvio().cuenta() == 0) {
        m_programa.dialogos().aviso(QStringLiteral("Debes incluir al menos un archivo en la lista de envío!!!"));
        co_return;
    }
    co_await m_boletines.Actualiza_Boletin(false);
    // A refusal the refresh showed (the same server refusing its
    // certificate, say) is not shown again for the send's own session.
    const QString mostrado = m_boletines.mensajeMostrado();
    m_avisoCifrado = false;
    std::optional<ErrorTendal> fallo;
    try {
        co_await preparaSesion();
        decideClave();
        const ValoresPrograma &v = m_programa.valores();
        if ((v.PideClave == S && v.ClaveAceptada) || v.PideClave == N)
            co_await cicloArchivos(true);
        co_await SesionFtp::Desconecta_FTP(m_programa.eftpEnvio);
        m_ciclo.habilita();
    } catch (const ErrorTendal &e) {
        fallo = e;
    }
    if (fallo)
        terminaConError(*fallo, mostrado);
}

QCoro::Task<> EnvioArchivos::RecibeSinEnviar()
{
    if (!puedeEscribir())
        co_return;
    if (m_programa.listaEnvio().cuenta() == 0) {
        m_programa.dialogos().aviso(QStringLiteral("Debes incluir al menos un archivo en la lista de recepción!!!"));
        co_return;
    }
    // The payment password is asked when any name of the list is of a
    // payment file; the server's file is not read.
    ValoresPrograma &v = m_programa.valores();
    const ListaEnvio &lista = m_programa.listaEnvio();
    v.ClaveAceptada = true;
    for (int i = 0; i < lista.cuenta(); ++i) {
        if (lista.celda(i, ListaEnvio::Nombre).startsWith(E, Qt::CaseInsensitive)) {
            v.ClaveAceptada = ClaveValidacion::confirma(m_programa.dialogos(), v.ClavePago);
            break;
        }
    }
    std::optional<ErrorTendal> fallo;
    try {
        co_await cicloArchivos(false);
        m_ciclo.habilita();
    } catch (const ErrorTendal &e) {
        fallo = e;
    }
    if (fallo)
        terminaConError(*fallo);
}

// Nothing is sent or moved on a database opened read only: nothing of it
// could be recorded. Said before any session opens or any password is asked.
bool EnvioArchivos::puedeEscribir()
{
    if (!m_programa.conexion().soloLectura())
        return true;
    m_programa.dialogos().error(m_programa.conexion().errorSoloLectura().descripcion());
    return false;
}

// The broker's session and the payment-password file. A step that fails with
// 1003 is passed over (a missing payment file is the flag "N").
QCoro::Task<> EnvioArchivos::preparaSesion()
{
    ControlFtp &ftp = m_programa.eftpEnvio;
    const QString trabajo = m_programa.carpetas().trabajo();
    const QString nombre = ArchivoPago::nombre(m_programa.valores().NumPatente);
    const auto pasaPor1003 = [](const std::optional<ErrorTendal> &f) {
        if (f && f->numero() != ErrorTendal::FtpTransferencia)
            throw *f;
    };
    std::optional<ErrorTendal> fallo;
    try {
        co_await SesionFtp::Conecta_FTP(ftp, false, m_programa);
    } catch (const ErrorTendal &e) {
        fallo = e;
    }
    pasaPor1003(fallo);
    // An older copy left by an interrupted run is never taken for the server's.
    Funciones::Borra_Archivo(m_programa.carpetas().enTrabajo(nombre));
    fallo.reset();
    try {
        co_await SesionFtp::Recibe_Archivo(ftp, trabajo, ArchivoPago::carpetaServidor(), nombre);
    } catch (const ErrorTendal &e) {
        fallo = e;
    }
    pasaPor1003(fallo);
    leeArchivoPago();
}

void EnvioArchivos::leeArchivoPago()
{
    ValoresPrograma &v = m_programa.valores();
    const QString local = m_programa.carpetas().enTrabajo(ArchivoPago::nombre(v.NumPatente));
    if (!QFileInfo::exists(local)) {
        v.PideClave = N;
        return;
    }
    QString linea;
    try {
        linea = Ansi::leePrimeraLinea(local);
    } catch (const ErrorTendal &) {
        // The file holds the password: it does not stay behind.
        try {
            Funciones::Borra_Archivo(local);
        } catch (const ErrorTendal &) {
        }
        throw;
    }
    Funciones::Borra_Archivo(local);
    v.ClavePago = ArchivoPago::clave(linea);
    v.PideClave = ArchivoPago::bandera(linea);
    Secreto::borra(linea); // the password is kept decoded, once
}

void EnvioArchivos::decideClave()
{
    ValoresPrograma &v = m_programa.valores();
    if (v.PideClave == S) {
        v.ClaveAceptada = ClaveValidacion::confirma(m_programa.dialogos(), v.ClavePago);
        return;
    }
    v.ClaveAceptada = true;
    const ListaEnvio &lista = m_programa.listaEnvio();
    for (int i = 0; i < lista.cuenta(); ++i) {
        if (lista.celda(i, ListaEnvio::Nombre).startsWith(E, Qt::CaseInsensitive)
            && lista.celda(i, ListaEnvio::Estado) == E && tomado(lista.celda(i, ListaEnvio::Nombre))) {
            v.PideClave = S;
            v.ClaveAceptada = ClaveValidacion::confirma(m_programa.dialogos(), v.ClavePago);
            return;
        }
    }
}

// The send loop (enviando) or the receive-only loop, over the queued names
// that were in the send list when it started, each followed by its id in the
// journal: a name another program sent meanwhile, or that the person
// removed, is passed over.
QCoro::Task<> EnvioArchivos::cicloArchivos(bool enviando)
{
    m_programa.refrescaListas();
    ListaEnvio &lista = m_programa.listaEnvio();
    // The rule of an entry this run takes (none for the others).
    const auto reglaDe = [&](const ListaEnvio::Entrada &e) -> const ReglaEnvio * {
        if (!tomado(e.nombre))
            return nullptr;
        if (enviando && Vb::entero(e.nombre.right(3)) != m_programa.valores().DiaJuliano)
            return nullptr;
        return ReglaEnvio::de(e.nombre, m_programa.valores().ClaveAceptada);
    };
    QList<ListaArchivos::Clave> claves;
    for (int i = 0; i < lista.cuenta(); ++i)
        // Response entries ("K", "R") are never sent: their names are not
        // julian and are not read as a day.
        if (lista.celda(i, ListaEnvio::Estado) == E && !lista.celda(i, ListaEnvio::Nombre).isEmpty()
            && reglaDe(lista.entrada(i)))
            claves.append(lista.clave(i));
    const int total = int(claves.size());
    int numero = 0;
    for (const ListaArchivos::Clave &clave : std::as_const(claves)) {
        const int i = lista.posicion(clave);
        if (i < 0)
            continue;
        const ListaEnvio::Entrada e = lista.entrada(i);
        const ReglaEnvio *regla = reglaDe(e);
        if (!regla)
            continue;
        emit enviandoArchivo(e.nombre, ++numero, std::max(total, numero));
        if (tieneControl(e.nombre)) {
            m_programa.dialogos().aviso(
                QStringLiteral("El archivo «%1» no se envió: su nombre tiene caracteres que no pueden ir en un "
                               "nombre de archivo (un salto de línea, un tabulador). Quítalo de la lista de envío.")
                    .arg(visible(e.nombre)));
            continue;
        }
        if (const QString motivo = nombreInenviable(e.nombre); !motivo.isEmpty()) {
            m_programa.dialogos().aviso(QStringLiteral("El archivo «%1» no se envió: %2. Cámbiale el nombre en su "
                                                       "carpeta de envío y quítalo de la lista de envío.")
                                            .arg(visible(e.nombre), motivo));
            continue;
        }
        co_await procesa(clave.id, e, *regla, enviando);
    }
}

// The journal records that the file is being sent before anything is
// copied or uploaded. A database that cannot be written stops the command
// here, with the file still in the send list.
std::optional<Diario::Reclamo> EnvioArchivos::reclama(qint64 cola, const QString &nombre)
{
    try {
        const auto reclamo = m_programa.diario().reclama(cola, nombre, nombre.left(1).toUpper());
        if (!reclamo)
            return std::nullopt;
        m_programa.diario().anota(reclamo->version);
        return reclamo;
    } catch (const ErrorTendal &e) {
        // The connection's text names the database and says what happened.
        throw ErrorTendal(ErrorTendal::BaseDeDatos,
                          QStringLiteral("No se envió el archivo %1: no se pudo registrar su envío. %2.")
                              .arg(nombre, e.descripcion()));
    }
}

QCoro::Task<> EnvioArchivos::borraCopia(QString nombre)
{
    // Freeing the blocks of a large copy takes the file system tens of
    // milliseconds: it is done on a worker, and the send waits for it, so
    // that a later copy of the same name is never the one deleted. A copy
    // that cannot be deleted stays until the next send replaces it.
    QFuture<bool> borrado = QtConcurrent::run(
        &m_copias, [ruta = m_programa.carpetas().enTemporal(nombre)] { return QFile::remove(ruta); });
    co_await borrado;
}

// The claim's lease runs again while the file is copied and uploaded. A
// journal that cannot be written now (restarted, locked) is tried again at
// the next renewal: the lease outlasts several of them.
void EnvioArchivos::renueva(qint64 transmision)
{
    try {
        m_programa.diario().renueva(transmision);
    } catch (const ErrorTendal &) {
    }
}

// An earlier upload of these bytes, cut when its program ended, may have
// reached the server whole: the server's size of the file in its folder
// equal to the local size says so. A server that does not tell sizes, or
// does not hold the file, gets the upload again.
QCoro::Task<bool> EnvioArchivos::yaEnServidor(QString carpetaServidor, QString nombre, qint64 tamano)
{
    const std::optional<qint64> enServidor = co_await m_programa.eftpEnvio.tamano(carpetaServidor, nombre);
    co_return enServidor &&*enServidor == tamano;
}

void EnvioArchivos::libera(qint64 transmision)
{
    try {
        m_programa.diario().anota(m_programa.diario().libera(transmision));
    } catch (const ErrorTendal &) {
        // The claim is this program's: it lapses when the program ends.
    }
}

// True when the person wants bytes the server already accepted under this
// name sent again.
bool EnvioArchivos::confirmaReenvio(const QString &nombre, const Huella &huella)
{
    const auto antes = m_programa.diario().aceptadoAntes(nombre, huella.sha256());
    if (!antes)
        return true;
    const QDateTime local = antes->toLocalTime();
    return m_programa.dialogos().preguntaDestructiva(
        QStringLiteral("El archivo %1 ya se envió el %2 a las %3. ¿Enviarlo de nuevo?")
            .arg(nombre, local.toString(QStringLiteral("dd/MM/yyyy")), local.toString(QStringLiteral("hh:mm"))));
}

// One file: claim, copy, upload (recorded in the journal as accepted, which
// lists it for reception), deletions. Returns whether it reached the
// reception list. The questions of errors 68 and 70 choose the step to go on
// with; a file that was not uploaded stays in the send list.
QCoro::Task<bool> EnvioArchivos::procesa(qint64 cola, ListaEnvio::Entrada entrada, const ReglaEnvio &regla,
                                         bool enviando)
{
    const QString nombre = entrada.nombre;
    const Carpetas &carpetas = m_programa.carpetas();
    const QString carpetaEnvio = m_programa.campos().texto(regla.campoEnvio);
    const QString carpetaServidor = m_programa.valores().*regla.carpetaServidor;
    const ListaRecepcion::Entrada recepcion = entradaRecepcion(entrada, regla);

    // Its response names awaited by an earlier transmission: it waits. When
    // that transmission is of this same name, this row may ask for the very
    // upload another program made of these bytes (decided once they are
    // read, after the claim): the wait is told only if it is not.
    QString esperaOtro = esperaAun(recepcion, enviando);
    if (!esperaOtro.isEmpty() && !(enviando && esperadaPorElMismo(recepcion))) {
        m_programa.dialogos().aviso(esperaOtro);
        co_return false;
    }

    std::optional<qint64> transmision;
    std::optional<Diario::Subida> cortada;
    // The claim's lease, renewed while this file is under way.
    QTimer renovacion;
    renovacion.setInterval(Diario::kRenuevaReclamoSegundos * 1000);
    connect(&renovacion, &QTimer::timeout, this, [this, &transmision] {
        if (transmision)
            renueva(*transmision);
    });
    Paso paso = enviando ? Paso::Reclama : Paso::BorraRespuestas;
    bool subido = false;
    std::shared_ptr<Huella> huella;
    qint64 version = 0;
    while (paso != Paso::Lista && paso != Paso::Queda) {
        const Paso enCurso = paso;
        std::optional<ErrorTendal> fallo;
        try {
            switch (paso) {
            case Paso::Reclama:
                if (const auto reclamo = reclama(cola, nombre)) {
                    transmision = reclamo->transmision;
                    cortada = reclamo->cortada;
                    renovacion.start();
                }
                // Another program is sending it: it lists it for reception.
                paso = transmision ? Paso::Copia : Paso::Ajeno;
                if (!transmision)
                    emit archivoNoEnviado(nombre, QStringLiteral("lo está enviando otro programa de la oficina"));
                break;
            case Paso::Copia:
                huella = co_await copiaEnTrabajador(&m_copias, carpetaEnvio, nombre, carpetas.enTemporal(nombre));
                // Two programs that both queued the file: the other one sent
                // these bytes after this one last read the journal, so this
                // row asked for the upload that was made.
                if (!subido) {
                    if (m_programa.diario().enviadoDesdeCola(cola, nombre, huella->sha256())) {
                        version = m_programa.diario().descarta(cola, *transmision);
                        transmision.reset();
                        m_programa.listaEnvio().olvida(cola, version);
                        paso = Paso::Ajeno;
                        break;
                    }
                }
                if (!subido && !esperaOtro.isEmpty()) {
                    m_programa.dialogos().aviso(esperaOtro);
                    paso = Paso::Queda;
                    break;
                }
                // A retry after the upload sends again what the person asked for.
                paso = subido || confirmaReenvio(nombre, *huella) ? Paso::Sube : Paso::Queda;
                if (paso == Paso::Queda)
                    emit archivoNoEnviado(nombre, QStringLiteral("el servidor ya aceptó este mismo contenido y no "
                                                                 "se confirmó enviarlo de nuevo"));
                break;
            case Paso::Sube: {
                // The claim records the bytes before they go; a claim that is
                // no longer this program's (its lease ran out and another
                // program took it over) uploads nothing. A retry after the
                // upload sends again under the transmission recorded then.
                const Diario::Subida subida {carpetaServidor, huella->tamano(), huella->sha256()};
                if (!subido && !m_programa.diario().marcaSubida(*transmision, subida)) {
                    transmision.reset();
                    paso = Paso::Ajeno;
                    break;
                }
                bool completa = false;
                if (cortada && cortada->sha256 == subida.sha256 && cortada->carpetaServidor == subida.carpetaServidor)
                    completa = co_await yaEnServidor(carpetaServidor, nombre, subida.tamano);
                cortada.reset();
                // A large file tells how far its upload went.
                QTimer avance;
                const qint64 total = completa ? 0 : huella->tamano();
                if (total > kAvanceDesde) {
                    connect(&avance, &QTimer::timeout, this,
                            [this, nombre, total] { emit avanceEnvio(nombre, m_programa.eftpEnvio.enviado(), total); });
                    avance.start(200);
                    emit avanceEnvio(nombre, 0, total);
                }
                if (!completa) {
                    avisaSiSinCifrar();
                    co_await SesionFtp::Envia_Archivo(m_programa.eftpEnvio, carpetas.temporal(), carpetaServidor,
                                                      nombre);
                }
                avance.stop();
                if (total > kAvanceDesde)
                    emit avanceEnvio(nombre, total, total);
                subido = true;
                anotaHoraEnvio(*transmision);
                version = m_programa.diario().acepta(*transmision,
                                                     {carpetaServidor, huella->tamano(), huella->sha256(),
                                                      ListaRecepcion::filaDiario(*transmision, recepcion)},
                                                     m_programa.reloj().ahora());
                anotaProteccion(*transmision);
                paso = Paso::BorraRespuestas;
                break;
            }
            case Paso::BorraRespuestas:
                Funciones::Borra_Archivo(carpetas.enTemporal(regla.archivoVal(nombre)));
                if (regla.esperaPrevalidacion())
                    Funciones::Borra_Archivo(carpetas.enTemporal(regla.archivoPrev(nombre)));
                paso = enviando ? Paso::BorraLocal : Paso::Lista;
                break;
            case Paso::BorraLocal:
                Funciones::Borra_Archivo(carpetas.enTrabajo(nombre));
                paso = Paso::Lista;
                break;
            case Paso::Ajeno:
            case Paso::Lista:
            case Paso::Queda:
                break;
            }
        } catch (const ErrorTendal &e) {
            fallo = e;
        }
        // The copy in TendalTmp is only for the upload: it goes once the
        // upload is done or failed.
        if (enCurso == Paso::Sube || (enCurso == Paso::Copia && (paso == Paso::Queda || paso == Paso::Ajeno)))
            co_await borraCopia(nombre);
        if (paso == Paso::Ajeno)
            break;
        if (!fallo)
            continue;
        // A file that is no longer in its send folder is passed over: it
        // stays in the send list (nothing is lost) and the others go.
        if (enviando && enCurso == Paso::Copia && fallo->numero() == ErrorTendal::ArchivoNoEncontrado) {
            m_programa.dialogos().aviso(
                QStringLiteral("No se encontró el archivo %1 en %2; no se envió y sigue en la lista de envío.")
                    .arg(nombre, QDir::toNativeSeparators(carpetaEnvio)));
            paso = Paso::Queda;
            continue;
        }
        // Any other failure ends the command; a file whose upload failed
        // was not sent and stays in the send list, free for another send.
        if (!esErrorDeArchivo(*fallo)) {
            if (transmision && !subido)
                libera(*transmision);
            if (enviando)
                co_await borraCopia(nombre);
            throw *fallo;
        }
        if (preguntaPorArchivo(*fallo, nombre)) {
            paso = enviando ? Paso::Copia : Paso::BorraRespuestas;
            continue;
        }
        if (enviando && !subido)
            paso = Paso::Queda; // not sent: it keeps its "E"
        else if (enviando && enCurso != Paso::BorraLocal)
            paso = Paso::BorraLocal;
        else
            paso = Paso::Lista;
    }
    if (paso == Paso::Queda && transmision)
        libera(*transmision);
    if (paso == Paso::Lista && enviando) {
        m_programa.listaEnvio().olvida(cola, version);
        m_programa.listaRecepcion().anade(*transmision, recepcion, version);
        emit archivoEnviado(nombre, carpetaServidor, regla.archivoPrev(nombre), regla.archivoVal(nombre));
    } else if (paso == Paso::Lista) {
        const auto movido
            = m_programa.diario().mueve(cola, nombre.left(1).toUpper(), ListaRecepcion::filaDiario(0, recepcion));
        if (movido) {
            m_programa.listaEnvio().olvida(cola, movido->version);
            m_programa.listaRecepcion().anade(movido->transmision, recepcion, movido->version);
        }
    }
    co_return paso == Paso::Lista;
}

// Why a file cannot be sent (or moved) now: a response name it would await
// in that server folder is still awaited by a file sent before it. Two
// transmissions never await one name at once, so that a response is never
// taken by the wrong one; the file stays in the send list until then.
QString EnvioArchivos::esperaAun(const ListaRecepcion::Entrada &r, bool enviando) const
{
    const HorasServidor horas(m_programa.conexion());
    QList<std::pair<QString, QString>> nombres;
    if (r.prev.isEmpty() && !r.archivoPrev.isEmpty())
        nombres.append({r.rutaPrev, r.archivoPrev});
    nombres.append({r.rutaVal, r.archivoVal});
    for (const auto &[carpeta, nombre] : std::as_const(nombres)) {
        const QString otro = horas.esperadaPor(carpeta, nombre);
        if (!otro.isEmpty())
            return QStringLiteral("El archivo %1 no se %2 y sigue en la lista de envío: su respuesta %3 todavía la "
                                  "espera %4, que se envió antes. %5 cuando haya llegado esa respuesta.")
                .arg(r.nombre, enviando ? QStringLiteral("envió") : QStringLiteral("pasó a la lista de recepción"),
                     nombre, otro, enviando ? QStringLiteral("Envíalo") : QStringLiteral("Pásalo"));
    }
    return {};
}

// Whether the transmission that awaits a response name of this file is one
// of the same file name (the same file, queued again).
bool EnvioArchivos::esperadaPorElMismo(const ListaRecepcion::Entrada &r) const
{
    const HorasServidor horas(m_programa.conexion());
    for (const auto &[carpeta, nombre] : {std::pair(r.rutaPrev, r.archivoPrev), std::pair(r.rutaVal, r.archivoVal)})
        if (!nombre.isEmpty()) {
            const QString otro = horas.esperadaPor(carpeta, nombre);
            if (!otro.isEmpty() && otro.compare(r.nombre, Qt::CaseInsensitive) != 0)
                return false;
        }
    return true;
}

// The server's time of the file just uploaded, recorded with its claim
// before the transmission is listed for reception: the responses found later
// are judged against it. A server that gives none leaves it empty.
void EnvioArchivos::anotaHoraEnvio(qint64 transmision)
{
    const std::optional<QDateTime> hora = m_programa.eftpEnvio.horaServidor();
    if (!hora)
        return;
    try {
        HorasServidor(m_programa.conexion()).anotaEnvio(transmision, *hora);
    } catch (const ErrorTendal &) {
        // Without it the responses are judged by their bytes (JuicioRespuesta).
    }
}

// The reception entry of a file, from its send entry as it was when the file
// was taken (the person may remove it from the list while it uploads).
ListaRecepcion::Entrada EnvioArchivos::entradaRecepcion(const ListaEnvio::Entrada &e, const ReglaEnvio &regla) const
{
    const QString &nombre = e.nombre;
    ListaRecepcion::Entrada r;
    r.nombre = nombre;
    r.prev = regla.esperaPrevalidacion() ? QString() : QStringLiteral("X");
    r.hora = Vb::horaAmPm(m_programa.ahoraOficina().time(), false);
    r.rutaPrev = regla.esperaPrevalidacion() ? e.rutaPre : QString();
    r.rutaVal = e.rutaVal;
    r.archivoPrev = regla.archivoPrev(nombre);
    r.archivoVal = regla.archivoVal(nombre);
    r.rutaDest = m_programa.campos().texto(regla.campoRecepcion);
    // An empty or unreadable icon number gives an entry without icon.
    r.icono = e.icono;
    return r;
}

bool EnvioArchivos::preguntaPorArchivo(const ErrorTendal &error, const QString &nombre)
{
    const QString texto = error.numero() == ErrorTendal::DispositivoNoDisponible
                              ? QStringLiteral("La ruta o directorio del archivo : ") + nombre
                                    + QStringLiteral(" no se encuentra, ¿deseas reintentar el envío?")
                              : QStringLiteral("Archivo : ") + nombre
                                    + QStringLiteral(" se encuentra bloqueado, ¿deseas reintentar el envío?");
    return m_programa.dialogos().pregunta(texto, Dialogos::Icono::Ninguno);
}

// The command ends after a failure: the report of its kind, then the lists
// are left right (no emptied rows) and the files already sent are awaited.
bool EnvioArchivos::tomado(const QString &nombre) const
{
    return m_solo.isEmpty() || m_solo.contains(nombre, Qt::CaseInsensitive);
}

// With "TLS si el servidor lo ofrece", a session the server left in the
// clear (or whose data connections it would not protect) is said once.
void EnvioArchivos::avisaSiSinCifrar()
{
    if (m_avisoCifrado || m_programa.eftpEnvio.cifrado.modo != ClienteFtp::Cifrado::SiLoOfrece)
        return;
    const ClienteFtp::Proteccion p = m_programa.eftpEnvio.proteccion();
    if (p.control && p.datos)
        return;
    m_avisoCifrado = true;
    emit envioSinCifrar(p.control ? QStringLiteral("El servidor no protege la conexión de datos (TLS): los "
                                                   "archivos de este envío van sin cifrar.")
                                  : QStringLiteral("El servidor no ofrece conexión cifrada (TLS): los archivos de "
                                                   "este envío van sin cifrar."));
}

// The journal keeps how the upload went over the network. A journal that
// refuses it leaves the transmission without it ("no registrado"): the
// upload itself is recorded already.
void EnvioArchivos::anotaProteccion(qint64 transmision)
{
    const ClienteFtp::Proteccion p = m_programa.eftpEnvio.proteccion();
    try {
        m_programa.diario().anotaProteccion(transmision, p.control, p.datos);
    } catch (const ErrorTendal &) {
    }
}

void EnvioArchivos::terminaConError(const ErrorTendal &error, const QString &yaMostrado)
{
    // The program ends and cut the send short itself.
    if (m_interrumpido)
        return;
    // The same refusal the bulletin refresh showed a moment ago: once.
    if (!yaMostrado.isEmpty()
        && ReporteConexion::texto(ReporteConexion::Llamador::Envio, error, m_programa.parametros()) == yaMostrado) {
        if (m_programa.listaRecepcion().cuenta() > 0)
            m_ciclo.habilita();
        return;
    }
    const auto r = ReporteConexion::reporta(ReporteConexion::Llamador::Envio, error, m_programa);
    // A command that stops is always told: a connection lost in the middle of
    // the send (1000) leaves files unsent, and 1003, passed over where a step
    // may be skipped (the payment file), ends the command anywhere else.
    if (!r.mensaje)
        m_programa.dialogos().error(ReporteConexion::textoGenerico(error));
    if (m_programa.listaRecepcion().cuenta() > 0)
        m_ciclo.habilita();
}
