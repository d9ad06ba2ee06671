#include "core/historial/ModeloHistorial.h"

#include "core/base/ErrorTendal.h"
#include "core/db/Conexion.h"
#include <QSysInfo>
#include "core/historial/EsperaRespuesta.h"
#include "core/oficina/Programa.h"
#include "core/reportes/PedimentosRespuesta.h"

#include <QtConcurrent/QtConcurrentRun>

namespace {

const char *const kTitulos[ModeloHistorial::NumColumnas]
    = {"Archivo", "Tipo", "Enviado / recibido", "Estado", "Cifrado", "Tamaño", "SHA-256"};

// One CSV field: quoted when it holds a comma, a quote or a line break.
QString campoCsv(const QString &t)
{
    if (!t.contains(u',') && !t.contains(u'"') && !t.contains(u'\n') && !t.contains(u'\r'))
        return t;
    QString c = t;
    c.replace(u'"', QStringLiteral("\"\""));
    return u'"' + c + u'"';
}

QString isoUtc(const QDateTime &momento)
{
    return momento.isValid() ? momento.toUTC().toString(Qt::ISODate) : QString();
}

QString bytes(const std::optional<qint64> &n)
{
    return n ? QString::number(*n) : QString();
}

// Reads and records the pedimento numbers of the responses not read yet on
// the connection, until parar; how many were read. A response this
// workstation cannot read (neither its file nor its bytes are here) is
// recorded as unread with the reason, and is not tried again by each query
// (an office whose older responses have neither would read them all at
// every look); otraVez tries those again too (their file may have come
// since, or this workstation may have it).
qsizetype leePedimentos(const Conexion &conexion, const std::atomic_bool &parar, bool otraVez = false)
{
    HistorialDiario historial(conexion);
    const PedimentosRespuesta lector(conexion);
    QList<std::pair<qint64, QStringList>> leidos;
    QList<std::pair<qint64, QString>> ilegibles;
    QList<HistorialDiario::PorLeer> porLeer = historial.sinPedimentos();
    if (otraVez)
        porLeer << historial.ilegibles();
    for (const HistorialDiario::PorLeer &r : std::as_const(porLeer)) {
        if (parar)
            break;
        QString motivo;
        if (auto numeros = lector.lee(r.nombre, r.ruta, r.id, &motivo))
            leidos.append({r.id, std::move(*numeros)});
        else
            ilegibles.append({r.id, QStringLiteral("%1 (%2): %3").arg(r.ruta, QSysInfo::machineHostName(), motivo)});
    }
    historial.anotaPedimentos(leidos);
    historial.anotaIlegibles(ilegibles);
    return leidos.size();
}

} // namespace

ModeloHistorial::ModeloHistorial(Programa &programa, Pedimentos pedimentos, QObject *parent)
    : QAbstractItemModel(parent)
    , m_programa(programa)
    , m_pedimentos(pedimentos)
{
    m_hilos.setMaxThreadCount(1);
    m_hilosConsulta.setMaxThreadCount(1);
}

ModeloHistorial::~ModeloHistorial()
{
    *m_parar = true;
    m_lectura.waitForFinished();
    m_consulta.waitForFinished();
}

void ModeloHistorial::ponFiltro(const Filtro &filtro)
{
    m_filtro = filtro;
    actualiza();
}

void ModeloHistorial::leePedimentosAparte()
{
    if (m_lectura.isRunning())
        return; // what it does not see is read by the next one
    const QString base = m_programa.conexion().ruta();
    // The first reading of the model (of the window's run) tries again the
    // responses recorded as unreadable.
    const bool otraVez = !std::exchange(m_ilegiblesRevisadas, true);
    m_lectura = QtConcurrent::run(&m_hilos, [base, parar = m_parar, otraVez]() -> qsizetype {
        try {
            const auto conexion = Conexion::abreArchivo(base);
            return leePedimentos(*conexion, *parar, otraVez);
        } catch (const ErrorTendal &) {
            return 0; // a busy or unreachable database: the next query tries again
        }
    });
    m_lectura.then(this, [this](qsizetype leidos) {
        // Only the pedimento filter sees the numbers.
        if (leidos > 0 && !m_filtro.pedimento.isEmpty())
            consulta();
        emit pedimentosLeidos();
    });
}

void ModeloHistorial::actualiza()
{
    if (m_pedimentos == Pedimentos::AlConsultar)
        leePedimentos(m_programa.conexion(), *m_parar);
    else
        leePedimentosAparte();
    consulta();
}

HistorialDiario::Filtro ModeloHistorial::filtroDiario() const
{
    HistorialDiario::Filtro f;
    if (m_filtro.desde.isValid())
        f.desde = QDateTime(m_filtro.desde, QTime(0, 0));
    if (m_filtro.hasta.isValid())
        f.hasta = QDateTime(m_filtro.hasta.addDays(1), QTime(0, 0));
    f.tipos = m_filtro.tipos;
    f.nombre = m_filtro.nombre;
    f.pedimento = m_filtro.pedimento;
    return f;
}

void ModeloHistorial::consulta()
{
    if (m_pedimentos == Pedimentos::EnTrabajador) {
        consultaAparte();
        return;
    }
    muestraFilas(HistorialDiario(m_programa.conexion()).consulta(filtroDiario()));
}

void ModeloHistorial::muestraFilas(QList<HistorialDiario::Transmision> filas)
{
    beginResetModel();
    m_limiteLeido.invalidate();
    m_filas = std::move(filas);
    endResetModel();
}

void ModeloHistorial::consultaAparte()
{
    if (m_consultando) {
        m_otraConsulta = true; // with the filter of when it starts
        return;
    }
    m_consultando = true;
    m_otraConsulta = false;
    const QString base = m_programa.conexion().ruta();
    m_consulta = QtConcurrent::run(&m_hilosConsulta, [base, f = filtroDiario()]() -> Consultado {
        try {
            const auto conexion = Conexion::abreArchivo(base);
            return {HistorialDiario(*conexion).consulta(f), std::nullopt};
        } catch (const ErrorTendal &e) {
            return {{}, e.descripcion()};
        }
    });
    m_consulta.then(this, [this](Consultado consultado) {
        m_consultando = false;
        // Changes came meanwhile: their query replaces this one's rows.
        if (m_otraConsulta) {
            consultaAparte();
            return;
        }
        if (consultado.fallo)
            emit consultaFallida(*consultado.fallo);
        else
            muestraFilas(std::move(consultado.filas));
        emit consultaTerminada();
    });
}

const HistorialDiario::Transmision *ModeloHistorial::transmision(const QModelIndex &indice) const
{
    if (!indice.isValid())
        return nullptr;
    const int fila = indice.internalId() == 0 ? indice.row() : int(indice.internalId()) - 1;
    return fila >= 0 && fila < m_filas.size() ? &m_filas[fila] : nullptr;
}

const HistorialDiario::Respuesta *ModeloHistorial::respuesta(const QModelIndex &indice) const
{
    if (!indice.isValid() || indice.internalId() == 0)
        return nullptr;
    const HistorialDiario::Transmision *t = transmision(indice);
    return t && indice.row() < t->respuestas.size() ? &t->respuestas[indice.row()] : nullptr;
}

const HistorialDiario::Pasada *ModeloHistorial::pasada(const QModelIndex &indice) const
{
    if (!indice.isValid() || indice.internalId() == 0)
        return nullptr;
    const HistorialDiario::Transmision *t = transmision(indice);
    if (!t)
        return nullptr;
    const qsizetype i = indice.row() - t->respuestas.size();
    return i >= 0 && i < t->pasadas.size() ? &t->pasadas[i] : nullptr;
}

QString ModeloHistorial::estado(const HistorialDiario::Pasada &p)
{
    if (p.sospechosa)
        return QStringLiteral("Pasada por alto: igual a la respuesta de un envío anterior, sin hora del servidor");
    return QStringLiteral("Pasada por alto: el servidor la escribió el %1, antes del envío").arg(local(p.horaServidor));
}

bool ModeloHistorial::demorada(const HistorialDiario::Transmision &t) const
{
    // The bound is read again at most once a second, and at each query: a
    // list asks for each row it paints or sizes.
    if (!m_limiteLeido.isValid() || m_limiteLeido.hasExpired(1000)) {
        m_limite = EsperaRespuesta(m_programa).limite();
        m_limiteLeido.start();
    }
    return t.enRecepcion && EsperaRespuesta::demorada(t.aceptado, m_limite);
}

QString ModeloHistorial::estado(const HistorialDiario::Transmision &t) const
{
    QString texto;
    if (t.enRecepcion)
        texto = demorada(t) ? EsperaRespuesta(m_programa).texto() : QStringLiteral("En espera de respuesta");
    else if (t.prevRecibida && t.valRecibida)
        texto = QStringLiteral("Respuestas recibidas");
    else
        texto = QStringLiteral("Quitado de la lista de recepción");
    // Passed to the reception list with "Recibir": this program uploaded
    // nothing (no size, no hash, no time of sending).
    if (t.estado == u"MOVIDO")
        texto += QStringLiteral(" (pasó con «Recibir», sin envío)");
    return texto;
}

int ModeloHistorial::hijas(const HistorialDiario::Transmision &t)
{
    return int(t.respuestas.size() + t.pasadas.size());
}

QString ModeloHistorial::textoTipo(const QString &letra)
{
    const QString l = letra.toUpper();
    if (l == u"M")
        return QStringLiteral("SAAI M3");
    if (l == u"C" || l == u"D")
        return QStringLiteral("Carta cupo");
    if (l == u"E")
        return QStringLiteral("Pago electrónico");
    if (l == u"S")
        return QStringLiteral("SAGARPA");
    return letra;
}

QString ModeloHistorial::textoClase(const QString &clase)
{
    return clase == u"K" ? QStringLiteral("Prevalidación") : QStringLiteral("Validación");
}

QString ModeloHistorial::local(const QDateTime &momento)
{
    return momento.isValid() ? momento.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) : QString();
}

QString ModeloHistorial::celda(const QModelIndex &indice) const
{
    if (const HistorialDiario::Pasada *p = pasada(indice)) {
        switch (indice.column()) {
        case Archivo:
            return p->nombre;
        case Tipo:
            return textoClase(p->clase);
        case Momento:
            return p->horaServidor.isValid() ? local(p->horaServidor) : QStringLiteral("(sin hora del servidor)");
        case Estado:
            return estado(*p);
        case Tamano:
            return QString::number(p->tamano);
        case Sha256:
            return p->sha256;
        default:
            return {};
        }
    }
    if (const HistorialDiario::Respuesta *r = respuesta(indice)) {
        switch (indice.column()) {
        case Archivo:
            return r->nombre;
        case Tipo:
            return textoClase(r->clase);
        case Momento:
            return local(r->guardado);
        case Tamano:
            return bytes(r->tamano);
        case Sha256:
            return r->sha256;
        default:
            return {};
        }
    }
    const HistorialDiario::Transmision *t = transmision(indice);
    if (!t)
        return {};
    switch (indice.column()) {
    case Archivo:
        return t->nombre;
    case Tipo:
        return textoTipo(t->tipo);
    case Momento:
        return t->aceptado.isValid() ? local(t->aceptado) : QStringLiteral("(sin envío)");
    case Estado:
        return estado(*t);
    case Cifrado:
        return textoCifrado(*t);
    case Tamano:
        return bytes(t->tamano);
    case Sha256:
        return t->sha256;
    default:
        return {};
    }
}

QString ModeloHistorial::textoCifrado(const HistorialDiario::Transmision &t)
{
    if (!t.controlCifrado)
        return {};
    if (!*t.controlCifrado)
        return QStringLiteral("Sin cifrar");
    return t.datosCifrados.value_or(false) ? QStringLiteral("TLS (control y datos)")
                                           : QStringLiteral("TLS solo en el control");
}

QModelIndex ModeloHistorial::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column < 0 || column >= NumColumnas)
        return {};
    if (!parent.isValid())
        return row < m_filas.size() ? createIndex(row, column, quintptr(0)) : QModelIndex();
    if (parent.internalId() != 0 || parent.row() >= m_filas.size() || row >= hijas(m_filas[parent.row()]))
        return {};
    return createIndex(row, column, quintptr(parent.row() + 1));
}

QModelIndex ModeloHistorial::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return {};
    return createIndex(int(child.internalId()) - 1, 0, quintptr(0));
}

int ModeloHistorial::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return int(m_filas.size());
    if (parent.internalId() != 0 || parent.column() != 0 || parent.row() >= m_filas.size())
        return 0;
    return hijas(m_filas[parent.row()]);
}

int ModeloHistorial::columnCount(const QModelIndex &) const
{
    return NumColumnas;
}

QVariant ModeloHistorial::data(const QModelIndex &indice, int role) const
{
    if (!indice.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return celda(indice);
    case RolRuta:
        if (const HistorialDiario::Respuesta *r = respuesta(indice))
            return r->ruta;
        return {};
    case RolDemorada: {
        const HistorialDiario::Transmision *t = indice.internalId() == 0 ? transmision(indice) : nullptr;
        return t && demorada(*t);
    }
    case Qt::ToolTipRole:
        if (indice.column() == Sha256 || indice.column() == Estado)
            return celda(indice);
        return {};
    default:
        return {};
    }
}

QVariant ModeloHistorial::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < NumColumnas)
        return QString::fromUtf8(kTitulos[section]);
    return {};
}

QString ModeloHistorial::tabla() const
{
    QString t;
    for (int i = 0; i < m_filas.size(); ++i) {
        const QModelIndex fila = index(i, 0);
        QStringList celdas;
        for (int c = 0; c < NumColumnas; ++c)
            if (c != Cifrado || !celda(fila.siblingAtColumn(c)).isEmpty()) // not recorded: nothing to say
                celdas << celda(fila.siblingAtColumn(c));
        t += celdas.join(QStringLiteral("  ")).trimmed() + u'\n';
        for (int r = 0; r < rowCount(fila); ++r) {
            const QModelIndex hija = index(r, 0, fila);
            QStringList respuesta;
            for (int c : {Archivo, Tipo, Momento, Tamano, Sha256})
                respuesta << celda(hija.siblingAtColumn(c));
            if (pasada(hija))
                respuesta << celda(hija.siblingAtColumn(Estado));
            t += QStringLiteral("    ") + respuesta.join(QStringLiteral("  ")).trimmed() + u'\n';
        }
    }
    return t;
}

QString ModeloHistorial::csv() const
{
    const QStringList encabezado = {QStringLiteral("archivo"),
                                    QStringLiteral("tipo"),
                                    QStringLiteral("estado"),
                                    QStringLiteral("carpeta_servidor"),
                                    QStringLiteral("tamano"),
                                    QStringLiteral("sha256"),
                                    QStringLiteral("aceptado_utc"),
                                    QStringLiteral("prevalidacion"),
                                    QStringLiteral("prevalidacion_utc"),
                                    QStringLiteral("prevalidacion_sha256"),
                                    QStringLiteral("validacion"),
                                    QStringLiteral("validacion_utc"),
                                    QStringLiteral("validacion_sha256"),
                                    QStringLiteral("control_cifrado"),
                                    QStringLiteral("datos_cifrados")};
    QString t = encabezado.join(u',') + QStringLiteral("\r\n");
    for (const HistorialDiario::Transmision &tr : m_filas) {
        QStringList campos
            = {tr.nombre, tr.tipo, estado(tr), tr.carpetaServidor, bytes(tr.tamano), tr.sha256, isoUtc(tr.aceptado)};
        for (const QString &clase : {QStringLiteral("K"), QStringLiteral("R")}) {
            QStringList nombres, momentos, huellas;
            for (const HistorialDiario::Respuesta &r : tr.respuestas) {
                if (r.clase != clase)
                    continue;
                nombres << r.nombre;
                momentos << isoUtc(r.guardado);
                huellas << r.sha256;
            }
            campos << nombres.join(u' ') << momentos.join(u' ') << huellas.join(u' ');
        }
        // "si", "no", or empty when the journal did not record it.
        for (const std::optional<bool> &cifrado : {tr.controlCifrado, tr.datosCifrados})
            campos << (cifrado ? (*cifrado ? QStringLiteral("si") : QStringLiteral("no")) : QString());
        QStringList fila;
        for (const QString &c : std::as_const(campos))
            fila << campoCsv(c);
        t += fila.join(u',') + QStringLiteral("\r\n");
    }
    return t;
}
