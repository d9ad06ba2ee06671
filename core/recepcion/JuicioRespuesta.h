#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

#include <optional>

// Whether a file found on the server under an awaited response name is the
// response of the transmission that awaits it. Names alone do not say it:
// the server may keep the response of an earlier file of the same name, of
// yesterday's file (validation names drop the day), or of another file whose
// name gives the same response name.
//
// The server's clock decides; the workstation's never enters:
// - a response the server wrote after the second it wrote the upload is
//   taken, one written before it is passed over (Anterior);
// - within that same second (MDTM gives whole seconds), it is taken unless
//   its bytes equal those of the latest response of its name stored for an
//   earlier transmission (that one is passed over as Anterior): a response
//   that came in the same second as the upload is never lost, and the one
//   an earlier file already got is never taken twice;
// - where the server gave no time for the upload or for the response, a
//   response whose bytes equal that latest earlier response is passed over
//   as suspect (Sospechosa; the person is told); any other is taken;
// - a transmission moved to the reception list without an upload has no
//   upload to compare with: whatever is there is taken.
class JuicioRespuesta
{
public:
    enum class Veredicto { Toma, Anterior, Sospechosa };

    struct Hechos {
        bool subido = true; // uploaded (not moved without an upload)
        std::optional<QDateTime> envio; // the server's time of the upload
        std::optional<QDateTime> respuesta; // the server's time of the response
        std::optional<QString> anterior; // the SHA-256 of the latest earlier response of its name
        // The SHA-256 of the response, asked for only when the times leave
        // the question open and there is an earlier response to compare.
        std::function<QString()> sha256;
    };

    static Veredicto juzga(const Hechos &h);
};
