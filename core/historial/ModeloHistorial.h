#pragma once

#include "core/db/HistorialDiario.h"

#include <QAbstractItemModel>
#include <QDate>
#include <QElapsedTimer>
#include <QFuture>
#include <QThreadPool>

#include <atomic>
#include <optional>
#include <memory>

class Programa;

// The history of the office: the journal's transmissions, newest first, each
// with its responses as child rows, filtered by dates, kinds, name and
// pedimento number. Widget-free: the history window shows it in a tree, the
// command line prints it (as a table or as CSV).
class ModeloHistorial : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Columna { Archivo = 0, Tipo, Momento, Estado, Cifrado, Tamano, Sha256, NumColumnas };
    // A response row: where it is stored (text). A transmission row: true
    // when it is late.
    static constexpr int RolRuta = Qt::UserRole + 1;
    static constexpr int RolDemorada = Qt::UserRole + 2;

    struct Filtro {
        QDate desde; // local dates, both included; invalid: no bound
        QDate hasta;
        QStringList tipos; // kind letters (M, C, D, E, S); empty: all
        QString nombre;
        QString pedimento;
    };

    // When the pedimento numbers of the responses stored since the last
    // time are read: before each query (the command line), or on a worker
    // of the model's own with a connection of its own, so that a window
    // never waits for hundreds of files; the query is made again when they
    // are in, and pedimentosLeidos follows. For a window (EnTrabajador) the
    // query itself runs on another worker with a connection of its own too:
    // the rows shown stay until the new ones are in, then are swapped in one
    // reset (consultaTerminada); at most one query runs and one waits, so
    // that changes that come while one runs make one more query, not many. A response that cannot be read
    // here (neither its file nor its bytes) is recorded so with the reason
    // and left out of the readings after; the worker's first reading tries
    // those again (once per window: its file may have come since).
    enum class Pedimentos { AlConsultar, EnTrabajador };

    explicit ModeloHistorial(Programa &programa, Pedimentos pedimentos = Pedimentos::AlConsultar,
                             QObject *parent = nullptr);
    // A reading still running is told to stop and waited for (one file at most).
    ~ModeloHistorial() override;

    const Filtro &filtro() const { return m_filtro; }
    void ponFiltro(const Filtro &filtro);
    // Reads the journal again (and the pedimento numbers of responses stored
    // since the last time).
    void actualiza();
    // True while a query of a window's model runs or waits: the rows shown
    // are those of an earlier query.
    bool consultando() const { return m_consultando; }

    const QList<HistorialDiario::Transmision> &transmisiones() const { return m_filas; }
    // The transmission of a row, or of a response row's parent.
    const HistorialDiario::Transmision *transmision(const QModelIndex &indice) const;
    // The response of a response row, nothing for a transmission row.
    const HistorialDiario::Respuesta *respuesta(const QModelIndex &indice) const;
    // A response passed over (listed after the responses), nothing otherwise.
    const HistorialDiario::Pasada *pasada(const QModelIndex &indice) const;

    bool demorada(const HistorialDiario::Transmision &t) const;
    QString estado(const HistorialDiario::Transmision &t) const;
    static QString estado(const HistorialDiario::Pasada &p);
    static QString textoTipo(const QString &letra);
    static QString textoClase(const QString &clase);
    // How the upload went over the network: "TLS (control y datos)", "TLS
    // solo en el control", "Sin cifrar"; empty when it was not recorded.
    static QString textoCifrado(const HistorialDiario::Transmision &t);
    // A moment in local time, as the history shows it.
    static QString local(const QDateTime &momento);

    // The rows as a plain table (transmissions and, indented, their responses).
    QString tabla() const;
    // The rows as CSV (RFC 4180): one record per transmission with its
    // responses' names, moments and hashes; lines end in CR LF.
    QString csv() const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    // The worker has read (and recorded) the numbers it could.
    void pedimentosLeidos();
    // A window's query ended: its rows are shown, or it failed (consultaFallida
    // came first and the rows stay as they were).
    void consultaTerminada();
    // The database refused a window's query: what it said.
    void consultaFallida(const QString &descripcion);

private:
    void leePedimentosAparte();
    void consulta();
    HistorialDiario::Filtro filtroDiario() const;
    // A window's query on its worker; one more after it when asked meanwhile.
    void consultaAparte();
    void muestraFilas(QList<HistorialDiario::Transmision> filas);
    QString celda(const QModelIndex &indice) const;
    static int hijas(const HistorialDiario::Transmision &t);

    Programa &m_programa;
    const Pedimentos m_pedimentos;
    QFuture<qsizetype> m_lectura;
    bool m_ilegiblesRevisadas = false;
    std::shared_ptr<std::atomic_bool> m_parar = std::make_shared<std::atomic_bool>(false);
    Filtro m_filtro;
    QList<HistorialDiario::Transmision> m_filas;
    // The latest acceptance that is late (EsperaRespuesta::limite), and
    // since when it is known.
    mutable qint64 m_limite = 0;
    mutable QElapsedTimer m_limiteLeido;
    // The reading of the pedimento numbers (one at a time).
    QThreadPool m_hilos;
    // A window's queries: the one running, whether another waits, and their
    // thread (one at a time).
    struct Consultado {
        QList<HistorialDiario::Transmision> filas;
        std::optional<QString> fallo;
    };
    QFuture<Consultado> m_consulta;
    bool m_consultando = false; // until its rows are shown
    bool m_otraConsulta = false;
    QThreadPool m_hilosConsulta;
};
