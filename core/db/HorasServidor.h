#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

class Conexion;

// What the journal keeps of the server's clock, beside Diario, so that a
// response is only ever taken for the file it belongs to:
//
//   TRANSMISION.HORA_SERVIDOR  the server's time of the uploaded file, read
//                              right after the upload (UTC; NULL: the server
//                              gave none).
//   RESPUESTA.HORA_SERVIDOR    the server's time of each response stored.
//   RESPUESTA_PASADA           the responses found under an awaited name and
//                              passed over: written on the server before the
//                              upload they would answer ("ANTERIOR"), or, on a
//                              server that gives no times, byte for byte the
//                              response an earlier file of that name got
//                              ("SOSPECHOSA"). One row per transmission,
//                              class and bytes.
class HorasServidor
{
public:
    explicit HorasServidor(const Conexion &conexion);

    // The schema step that adds the server's times and the passed-over responses.
    static QStringList pasoEsquema();

    void anotaEnvio(qint64 transmision, const QDateTime &hora) const;
    void anotaRespuesta(qint64 respuesta, const QDateTime &hora) const;

    // How a transmission reached the reception list: uploaded (with the
    // server's time of the upload, when known), or moved without an upload.
    struct Envio {
        bool subido = false;
        std::optional<QDateTime> hora;
    };
    Envio envio(qint64 transmision) const;

    // The SHA-256 of the latest response of this name (any case) stored for
    // another transmission than this one.
    std::optional<QString> anterior(const QString &nombre, qint64 transmision) const;

    enum class Motivo { Anterior, Sospechosa };
    struct Pasada {
        qint64 transmision = 0;
        QString clase; // "K" or "R"
        QString nombre;
        std::optional<QDateTime> hora; // the server's time of the response
        qint64 tamano = 0;
        QString sha256;
        Motivo motivo = Motivo::Anterior;
    };
    // Records a response passed over; true when it was not recorded yet
    // (the same bytes found again on a later look are not).
    bool pasaPorAlto(const Pasada &p, const QDateTime &momento) const;

    // The file of the reception list that still awaits a response of this
    // name (any case) in this server folder; empty when none does.
    QString esperadaPor(const QString &carpetaServidor, const QString &nombre) const;

    static QString texto(Motivo motivo);
    static Motivo motivo(const QString &texto);

private:
    const Conexion &m_conexion;
};
