#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class Conexion;

// The journal read back: the transmissions with their responses, newest
// first, and the pedimento numbers each stored response names. All its SQL
// is here, beside Diario, in plain SQL.
//
//   PEDIMENTO  one row per pedimento number a response names (RESPUESTA,
//              NUMERO); RESPUESTA.PEDIMENTOS is 1 once the file was read,
//              2 when it could not be read (neither its file nor its bytes
//              where it was tried), with the reason in RESPUESTA.ILEGIBLE.
//   NOMBRE_PARTE  every part of each transmission's name in capitals from
//              each of its characters on (up to kParte characters), kept by
//              triggers on TRANSMISION: a search for any part of a name is
//              a range of this table's key, so it reads the names that
//              match and not the whole journal.
class HistorialDiario
{
public:
    explicit HistorialDiario(const Conexion &conexion);

    // The journal's part of schema step 5: the pedimento numbers.
    static QStringList pasoEsquema();
    // Its part of schema step 10: the reason a response could not be read.
    static QStringList pasoIlegibles();
    // Schema step 11: the parts of the names, for either engine.
    static QStringList pasoPartesNombre(bool servidor);
    // The longest part kept of a name from each of its characters.
    static constexpr int kParte = 12;

    struct Respuesta {
        qint64 id = 0;
        QString clase; // "K" prevalidation, "R" validation
        QString nombre;
        std::optional<qint64> tamano;
        QString sha256;
        QDateTime guardado; // UTC; invalid when not recorded
        QString ruta; // where the file is stored
    };
    // A file found on the server under a name the transmission awaited and
    // passed over (HorasServidor): not its response.
    struct Pasada {
        QString clase; // "K" or "R"
        QString nombre;
        QDateTime horaServidor; // the server's time of the file (UTC); invalid when it gave none
        qint64 tamano = 0;
        QString sha256;
        bool sospechosa = false; // no times: the bytes of an earlier file's response
        QDateTime visto; // UTC, when it was found
    };
    struct Transmision {
        qint64 id = 0;
        QString nombre;
        QString tipo; // the kind's letter: M, C, D, E, S
        QString estado; // "ENVIADO", or "MOVIDO" (listed without an upload)
        QString carpetaServidor;
        std::optional<qint64> tamano;
        QString sha256;
        QDateTime aceptado; // UTC; invalid for a file listed without an upload
        bool enRecepcion = false; // still in the reception list
        bool prevRecibida = false; // the prevalidation mark ("X": in, or none expected)
        bool valRecibida = false;
        // Whether the session that uploaded it protected its control and its
        // data connections (TLS); nothing for a transmission recorded
        // before the journal kept it, or listed without an upload.
        std::optional<bool> controlCifrado;
        std::optional<bool> datosCifrados;
        QList<Respuesta> respuestas; // in the order they were stored
        QList<Pasada> pasadas; // in the order they were found
    };

    // What the history shows. Empty or invalid members do not filter.
    struct Filtro {
        QDateTime desde; // from this moment (UTC), inclusive
        QDateTime hasta; // up to this moment (UTC), exclusive
        QStringList tipos; // kinds by letter
        QString nombre; // part of the file name, any case
        QString pedimento; // a pedimento number one of its responses names
    };
    QList<Transmision> consulta(const Filtro &filtro) const;

    // The latest transmission of this name that the server accepted.
    std::optional<Transmision> ultimaAceptada(const QString &nombre) const;

    // The latest response of this name (any case) the journal recorded: its
    // id, and where it was stored.
    struct Guardada {
        qint64 id = 0;
        QString ruta;
    };
    std::optional<Guardada> ultimaRespuesta(const QString &nombre) const;

    // The bytes of a response as the journal keeps them; nothing for a
    // response recorded without them (by a version that kept only the file).
    // Read in one piece: the driver's copy is let go before this returns,
    // so the bytes are held once.
    std::optional<QByteArray> contenido(qint64 respuesta) const;
    // Their size, without reading them.
    std::optional<qint64> tamanoContenido(qint64 respuesta) const;
    // The size recorded for a response (its file's), whether or not its
    // bytes are kept; nothing when no such response is recorded.
    std::optional<qint64> tamanoRespuesta(qint64 respuesta) const;

    // The transmissions in the reception list that the server accepted, with
    // the moment it did (UTC).
    QList<std::pair<qint64, QDateTime>> enEspera() const;

    // Stored responses whose pedimento numbers were not read yet.
    struct PorLeer {
        qint64 id = 0;
        QString nombre;
        QString ruta;
    };
    QList<PorLeer> sinPedimentos() const;
    // Stored responses that could not be read where they were tried.
    QList<PorLeer> ilegibles() const;
    // Records the numbers read of each response (one not read yet, or one
    // that could not be read before), all in one transaction; a response
    // another program recorded meanwhile is left as it is.
    void anotaPedimentos(const QList<std::pair<qint64, QStringList>> &leidos);
    // Records why each response could not be read, in one transaction: it
    // leaves sinPedimentos() (ilegibles() has it). A response another
    // program read meanwhile is left as it is.
    void anotaIlegibles(const QList<std::pair<qint64, QString>> &motivos);

private:
    QList<Transmision> lee(const QString &donde, const QVariantList &valores) const;

    const Conexion &m_conexion;
};
