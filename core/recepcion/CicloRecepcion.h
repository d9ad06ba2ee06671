#pragma once

#include "core/ftp/ControlFtp.h"
#include "core/oficina/ListaRecepcion.h"
#include "core/recepcion/AlmacenRespuesta.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

class ErrorTendal;
class Programa;

// The receive cycle, the one owner of everything it runs on: its timer
// tmrPreVal, its FTP session eftpRecepcion, whether a tick is running, and
// stopping it. Every tick logs in with the broker's account, downloads the responses that
// have appeared for the entries of the reception list, stores them in the
// reception folders, lists them in the send list ("K", "R") and drops the
// entries whose both responses are in. The first tick comes 2000 ms after
// the timer is first enabled, every later one 5000 ms after the previous.
// A tick never starts while another runs: a tick that is still running
// (waiting for the server, or for the person to close a message) makes the
// timer's next shots pass.
//
// A tick asks the server once per response folder for the names it holds
// and downloads only the responses that are there (the names are matched
// without regard to case and stored under the expected name). When the
// server refuses to list a folder, every expected name of that folder is
// downloaded instead, and a missing one is simply not there yet. A listing
// may also leave out names the folder holds (a server that hides some kinds
// of file, or cuts a long listing short): besides the listed ones, a few
// awaited responses that the listing did not show are asked for by name on
// every tick, in turn, so each is tried within a bounded number of ticks.
//
// Names repeat (a file sent again, yesterday's validation name, two payment
// files with one prevalidation name): a response downloaded is taken only
// when the server wrote it after it wrote the file's upload, both times by
// the server's clock (JuicioRespuesta). An older one stays on the server,
// is recorded as passed over, and the file keeps waiting for its own.
//
// Every change of the lists is stored as it happens (the list models do it),
// so a restart neither forgets a response that was received nor fetches one
// twice. Entries are followed by what they are (the file, its expected
// responses, its time of sending), never by a position taken before a wait
// on the server: the lists may change while a tick waits.
class CicloRecepcion : public QObject
{
    Q_OBJECT
public:
    explicit CicloRecepcion(Programa &programa, QObject *parent = nullptr);
    ~CicloRecepcion() override;

    // tmrPreVal.Enabled
    void habilita();
    void deshabilita();
    bool habilitado() const;
    int intervalo() const; // 2000 until the first tick, then 5000

    // One tick, as the timer runs it (also for the command line and tests).
    // Returns at once when another tick is running.
    QCoro::Task<> tick();
    bool enCurso() const { return m_enCurso; }

    // "Detener": the timer stops, a running tick is cut short at once (an
    // exchange with the server under way is interrupted, and nothing is
    // reported for it), the session is closed and the reception list is
    // emptied (its files are no longer awaited).
    QCoro::Task<> detiene();
    // The program ends: the timer stops and a running tick is cut short and
    // awaited, as by detiene(), but the reception list keeps every file it
    // awaits (the next start goes on waiting for them). A response already
    // downloaded and not stored is fetched again then.
    QCoro::Task<> termina();

    // Responses still awaited by the files of the reception list.
    int respuestasPendientes() const;

    // Without a window: runs the cycle on its timer until no file awaits a
    // response or limite has passed, then stops the timer and lets a running
    // tick end. The reception list keeps what is still awaited.
    // Every exchange with the server ends by then: a tick that waits on a
    // silent server is cut when the wait is over. With a deadline already
    // set (fijaPlazo), that one counts.
    QCoro::Task<> esperaRespuestas(std::chrono::milliseconds limite);
    // The end of the wait of a command, set before its first tick: the
    // cycle's exchanges end at most kGracia after it, whatever the server
    // does (a silent greeting, a stalled data connection), and fail as timed
    // out then. QDeadlineTimer::Forever: no deadline.
    void fijaPlazo(QDeadlineTimer fin);
    static constexpr std::chrono::seconds kGracia {3};

    // The session of the cycle (eftpRecepcion).
    ControlFtp &ftp() { return m_ftp; }

    // Ask the server for the names of each folder (true, the default), or
    // download every expected name as it is (false).
    void usaListado(bool listar) { m_listar = listar; }

    // Where the tick's responses are stored (the tests stop a program at
    // its steps).
    AlmacenRespuesta &almacen() { return m_almacen; }

signals:
    // A response was received and listed: the name of the response file,
    // its state in the send list ("K" or "R") and where it was stored.
    void respuestaRecibida(const QString &archivo, const QString &estado, const QString &ruta);
    // A file found under the response name that archivo awaits was passed
    // over: written on the server (hora, invalid when the server gave none)
    // before archivo was uploaded, or, sospechosa, without a time and byte
    // for byte the response an earlier file of that name got. Once per
    // file found.
    void respuestaPasada(const QString &respuesta, const QString &archivo, const QDateTime &hora, bool sospechosa);
    // The state of the timer changed: the cycle waits for responses, or it
    // is idle.
    void estadoCambiado(bool habilitado);
    // A tick ended with files still awaiting their responses: how many
    // responses are awaited.
    void esperandoRespuestas(int respuestas);
    // The last response came in: the cycle stopped by itself.
    void recepcionTerminada();
    // The person stopped the cycle ("Detener").
    void detenido();
    // A tick failed, as the ticks before it since desde (the time of the
    // first failure in a row). Only the first failure, and a failure that
    // differs from the one before, is shown as a message.
    void sinConexion(const QDateTime &desde);
    // A tick succeeded after failures.
    void conexionRecuperada();
    // A tick ended.
    void tickTerminado();
    // A tick failed in a way the rules leave without a message (a connection
    // lost in the middle of a download): what happened, for a caller with
    // no window (the command line says it).
    void falloSinMensaje(const QString &descripcion);

private:
    void alDisparar();
    QCoro::Task<> recorre();
    // The listings and the downloads of a tick, over the entries present at
    // its start.
    QCoro::Task<> descargaTodas(QList<std::pair<qint64, ListaRecepcion::Entrada>> fotos);
    QCoro::Task<> lista(QString carpeta);
    // Downloads the response of column Prev or Val of the entry foto, when
    // it is there, into TendalTmp; it joins the tick's downloads, claimed,
    // to be stored by guarda(). porNombre: asked for by name even when the
    // folder's listing did not show it.
    QCoro::Task<> descarga(qint64 transmision, ListaRecepcion::Entrada foto, int columna, bool porNombre = false);
    // Stores the tick's downloads (AlmacenRespuesta), then lists them.
    QCoro::Task<> guarda();
    // A response listed in carpeta that could not be downloaded: when the
    // server has a folder of that name, says so once.
    QCoro::Task<> avisaSiEsCarpeta(QString carpeta, QString nombre, QString archivo);
    // Whether a response downloaded to temporal is the transmission's own
    // (JuicioRespuesta); one that is not is recorded as passed over.
    bool esSuya(qint64 transmision, const QString &archivo, const QString &clase, const QString &respuesta,
                const QString &temporal, const std::optional<QDateTime> &hora);
    // Lets the claims of the downloads go and deletes their files in
    // TendalTmp.
    void olvidaDescargas();
    void limpia();
    QCoro::Task<> finDelTick();
    void reportaFallo(const ErrorTendal &fallo);
    void olvidaFallo();

    Programa &m_programa;
    ControlFtp m_ftp;
    QDeadlineTimer m_plazo {QDeadlineTimer::Forever};
    QTimer m_temporizador;
    bool m_enCurso = false;
    bool m_deteniendo = false;
    bool m_listar = true;
    // Failures in a row: the text shown for the last one and the time of the first.
    QString m_falloMostrado;
    QDateTime m_sinConexionDesde;
    // During a tick: the names each server folder holds, lower case to the
    // server's own spelling; no value when the folder could not be listed.
    QHash<QString, std::optional<QHash<QString, QString>>> m_nombres;
    // Server paths of responses found to be folders, already told.
    QSet<QString> m_carpetasAvisadas;
    // Where the turn of the responses asked for by name is.
    qsizetype m_turnoPorNombre = 0;
    // A response downloaded in this tick and claimed, not stored yet.
    struct Descarga {
        qint64 transmision = 0;
        int columna = 0;
        QString clase; // "K" or "R"
        QString archivo; // the expected name
        QString icono;
        QString carpetaLocal; // its reception folder
        QString temporal; // where it was downloaded (TendalTmp)
        std::optional<QDateTime> hora; // the server's time of the response
    };
    QList<Descarga> m_descargas;
    // Stores the tick's downloads.
    AlmacenRespuesta m_almacen;
};
