#pragma once

#include <QDateTime>
#include <QHash>
#include <QPair>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <exception>
#include <functional>
#include <optional>

class Conexion;

// The office's journal in its database: every file's journey, recorded once.
//
//   COLA_ENVIO   the names queued for sending (the send list's "E" entries);
//                TRANSMISION points to the claim of a file being uploaded;
//                VISTO is the change number its program had read when it
//                queued it.
//   TRANSMISION  one row per file sent (or moved to the reception list
//                without sending): name, kind, server folder, size and
//                SHA-256 of the bytes uploaded, the moment the server accepted
//                them (UTC; the server's clock on a database server), the responses expected and their folders, the
//                received marks, and whether it is in the reception list.
//                While "ENVIANDO": the claiming program and workstation and
//                its lease (VENCE, seconds on the database's clock).
//   RESPUESTA    one row per response stored: its transmission, class ("K"
//                prevalidation, "R" validation), size, SHA-256, moment stored
//                (UTC, as the acceptance's), where it is stored, whether it is in the send list.
//   RESPUESTA_CONTENIDO  the bytes of each response, recorded with it, so
//                that any workstation of the office can read a response
//                whether or not it has the file (responses stored by
//                versions that kept only the file, and responses larger
//                than contenidoMaximo(), have no row here).
//
// The send list is the view VISTA_ENVIO (the queue and the listed responses),
// the reception list the view VISTA_RECEPCION; both in the order ORDEN. Every
// change is one short transaction on ids that also raises the journal's
// change number (DIARIO_VERSION), which the lists poll to see the changes of
// other programs on the same office, and which gives new rows their order.
//
// All SQL of the journal is in this class (the dialect lives here): plain
// types, integer ids, times as UTC ISO text.
class Diario
{
public:
    explicit Diario(const Conexion &conexion);

    // The schema step that creates the journal and moves into it the rows of
    // the earlier list tables (LISTA_ENVIO, LISTA_RECEPCION), then drops them.
    static QStringList pasoEsquema();
    // The schema step that adds the responses' bytes (RESPUESTA_CONTENIDO).
    static QStringList pasoContenido();

    // Where a row of the send list comes from.
    enum class Origen { Cola, Respuesta };

    struct FilaEnvio {
        Origen origen = Origen::Cola;
        qint64 id = 0;
        QString nombre;
        QString estado; // "E", "K", "R"
        QString icono;
        QString rutaPre;
        QString rutaVal;
        QString ruta; // a response: where it is stored (empty for migrated rows)
    };
    struct FilaRecepcion {
        qint64 id = 0;
        QString nombre;
        QString prev;
        QString val;
        QString hora;
        QString rutaPrev;
        QString rutaVal;
        QString archivoPrev;
        QString archivoVal;
        QString rutaDest;
        QString icono;
    };

    // The change number: raised by every change of the journal.
    qint64 version() const;
    // The change number this program's lists show. A change made here
    // advances it when no other program changed the journal in between;
    // otherwise the lists read the journal again (Programa::refrescaListas).
    qint64 visto() const { return m_visto; }
    void anota(qint64 version)
    {
        if (version == m_visto + 1)
            m_visto = version;
    }
    void fijaVisto(qint64 version) { m_visto = version; }

    QList<FilaEnvio> listaEnvio() const;
    QList<FilaRecepcion> listaRecepcion() const;

    // Each change below is one transaction; it returns the change number it
    // wrote (the id of a new row through id).

    // The send list.
    qint64 encola(const FilaEnvio &fila, qint64 *id);
    // A response entry listed without a transmission (as kept by earlier versions).
    qint64 listaRespuesta(const FilaEnvio &fila, qint64 *id);
    qint64 cambiaEnvio(const FilaEnvio &fila);
    // Entries leave the send list: a queued name is deleted (a claim under
    // way goes on, its transmission is recorded all the same), a response
    // stays in the journal.
    qint64 quitaEnvio(const QList<std::pair<Origen, qint64>> &filas);

    // The reception list.
    qint64 agregaRecepcion(const FilaRecepcion &fila, qint64 *id);
    qint64 cambiaRecepcion(const FilaRecepcion &fila);
    // Entries leave the reception list; the transmissions stay in the journal.
    qint64 quitaRecepcion(const QList<qint64> &ids);

    // Sending. A queued name is claimed before its file is copied and
    // uploaded: the claim is a transmission in state "ENVIANDO" that the queue
    // row points to, naming its program (machine and process) and its
    // workstation, and held by a lease on the database's clock that the
    // program renews while it works (renueva). A claim whose lease ran out,
    // or whose program is no longer running on this workstation, is dead:
    // the next send takes it over with its queue row, in the same row.
    // Returns the claim, or nothing when the row is gone or a live claim
    // holds this name (on this row or on another row of the same name).
    struct Subida {
        QString carpetaServidor;
        qint64 tamano = 0;
        QString sha256;
    };
    struct Reclamo {
        qint64 transmision = 0;
        qint64 version = 0;
        // A dead claim taken over whose program had started to upload
        // these bytes (marcaSubida): the upload may have reached the server.
        std::optional<Subida> cortada;
    };
    std::optional<Reclamo> reclama(qint64 cola, const QString &nombre, const QString &tipo);
    // The lease of this program's claim runs again for kVidaReclamoSegundos.
    // False when the claim is no longer this program's (taken over after
    // its lease ran out, or gone).
    bool renueva(qint64 transmision);
    // Just before an upload: the claim records the bytes it uploads and
    // where (and renews its lease). False when the claim is no longer this
    // program's: nothing may be uploaded then.
    bool marcaSubida(qint64 transmision, const Subida &subida);
    // The queued file was uploaded with these bytes by another claim, accepted
    // after the program that queued it last read the journal (two programs
    // that both queued it): the transmission accepted, or nothing.
    std::optional<qint64> enviadoDesdeCola(qint64 cola, const QString &nombre, const QString &sha256) const;
    // That queued row leaves the send list with this program's claim on it,
    // without an upload. Returns the change number.
    qint64 descarta(qint64 cola, qint64 transmision);
    // The claim ends without a send: the name stays queued, free.
    qint64 libera(qint64 transmision);
    // The server accepted the upload: the transmission is recorded with its
    // bytes and enters the reception list; its queue row is deleted.
    struct Aceptacion {
        QString carpetaServidor;
        qint64 tamano = 0;
        QString sha256;
        FilaRecepcion recepcion; // the reception entry (its id is ignored)
    };
    // momento is this program's clock, recorded on the file; a database
    // server records its own.
    qint64 acepta(qint64 transmision, const Aceptacion &a, QDateTime momento);
    // Records whether the session of an accepted upload protected its
    // control and data connections.
    void anotaProteccion(qint64 transmision, bool control, bool datos);
    // The schema step of those two columns (null: not recorded).
    static QStringList pasoProteccion();
    // The schema step of the indexes that keep the lookups by name and the
    // history's day filter flat as the journal grows: the names in upper
    // case (an expression index, on the file and on a server alike) and
    // the moment of a transmission listed without an upload.
    static QStringList pasoBusqueda();
    // The receive-only command: a queued name moves to the reception list
    // without an upload. Returns nothing when the row is gone or claimed.
    std::optional<Reclamo> mueve(qint64 cola, const QString &tipo, const FilaRecepcion &recepcion);

    // True while a program holds a live claim on the queued name (on this
    // row or on another row of the same name), once the name left the queue
    // (sent by another program, or removed), or when
    // another program sent that name after this row's program last read the
    // journal (enviadoDesdeCola: the next send drops the row when the bytes
    // are the same).
    bool reclamada(qint64 cola) const;

    // The latest moment (UTC) the server accepted these bytes under this name.
    std::optional<QDateTime> aceptadoAntes(const QString &nombre, const QString &sha256) const;

    // Storing a response once. In one transaction: the mark of the entry is
    // set only when it was still empty (another program may have stored it);
    // then guarda() stores the file and returns where it went, and the
    // response is recorded with its bytes and listed in the send list.
    // Returns nothing when the response was in already (guarda() is not
    // called). A failure of guarda(), or an end of the program before the
    // commit, undoes all: a response is never recorded without its bytes
    // (unless it is larger than the journal keeps, sinContenido).
    struct Guardado {
        qint64 version = 0;
        qint64 respuesta = 0;
        QString ruta;
    };
    struct RespuestaNueva {
        qint64 transmision = 0;
        QString clase; // "K" or "R"
        QString nombre;
        QString icono;
        qint64 tamano = 0;
        QString sha256;
        QByteArray contenido; // the response's bytes
        // Larger than contenidoMaximo(): recorded by its size, SHA-256 and
        // path only, without its bytes.
        bool sinContenido = false;
    };
    // The most bytes of one response the journal keeps (16 MiB): a larger
    // one is read from its file only. The tests lower it.
    static qint64 contenidoMaximo();
    static void fijaContenidoMaximo(qint64 bytes);
    std::optional<Guardado> guardaRespuesta(const RespuestaNueva &r, QDateTime momento,
                                            const std::function<QString()> &guarda);
    // The responses of a receive tick, stored the same way in one
    // transaction (one commit, one sync of the database for all): guarda(i)
    // stores the file of response i and returns where it went; alFinal()
    // runs after the last one, before the commit (the files' folders are
    // synced there, so that every file recorded is on the disk first).
    // Gives one result per response. A failure of guarda(i) leaves
    // response i and those after it unrecorded: the ones before it are
    // committed, and the failure is given back in fallo. A failure of
    // alFinal() or of the commit undoes all and is thrown.
    struct Lote {
        QList<std::optional<Guardado>> guardados;
        std::exception_ptr fallo;
    };
    Lote guardaRespuestas(const QList<RespuestaNueva> &respuestas, QDateTime momento,
                          const std::function<QString(qsizetype)> &guarda, const std::function<void()> &alFinal);
    // Before a response is fetched: claimed for as long as this program's
    // session on a database server lasts (no other workstation fetches it
    // meanwhile; one that dies lets it go with its session), and still
    // awaited in the journal. False when another program holds it or stored
    // it already. Every true is followed by sueltaRespuesta().
    bool reclamaRespuesta(qint64 transmision, const QString &clase);
    void sueltaRespuesta(qint64 transmision, const QString &clase);

    // A stored response was moved (an earlier copy kept aside): every
    // response recorded at ruta now points to nueva.
    void mueveRuta(const QString &ruta, const QString &nueva);

    // A send claim whose lease was not renewed for this long (on the
    // database's clock), or of a program on this workstation that is no
    // longer running, may be taken over by another program. Its program
    // renews it every kRenuevaReclamoSegundos while it works, so that a
    // database restart, a lost session or a stop of a few minutes never
    // frees the claim of a live program.
    static constexpr int kVidaReclamoSegundos = 300;
    static constexpr int kRenuevaReclamoSegundos = 30;
    // The program's name in claims: machine and process.
    static QString programa();
    // The workstation in claims: its name and its machine and boot ids, so
    // that a process id is only ever looked for where it was running.
    static QString equipo();

    // The schema step that adds the claims' leases and workstations
    // (TRANSMISION.VENCE, TRANSMISION.EQUIPO) and the change number the
    // queuing program had read (COLA_ENVIO.VISTO).
    static QStringList pasoVigencia();

private:
    qint64 sube() const; // raises the change number inside a transaction
    // The database's clock, in seconds (Dialecto::segundosServidor).
    qint64 ahoraServidor() const;
    static bool reclamoVivo(const QString &programa, const QString &equipo, const QVariant &vence, qint64 ahora);
    // Inside a transaction: claims nobody can finish any more (dead, with no
    // queue row pointing at them) are deleted.
    void barreHuerfanos(qint64 ahora) const;
    // The SQL of a recorded moment: on a server, its own clock, read in the
    // statement that records it (a workstation's clock never shows in the
    // journal); on the file, local bound as one more value.
    QString hora(QVariantList &valores, const QDateTime &local) const;
    // The session claims of a database server (Dialecto::tomaReclamo).
    enum class Sesion { Envio = 1, Prevalidacion = 2, Validacion = 3 };
    bool tomaSesion(Sesion clase, qint64 id) const;
    void sueltaSesion(Sesion clase, qint64 id) const;

    const Conexion &m_conexion;
    qint64 m_visto = -1;
    // The session each claim held was taken on (Conexion::sesion()): one of
    // a session that ended went with it and is not let go on the new one.
    mutable QHash<QPair<int, qint64>, quint64> m_sesiones;
};
