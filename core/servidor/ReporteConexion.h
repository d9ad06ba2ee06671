#pragma once

#include <QString>

class Dialogos;
class ErrorTendal;
class Programa;
class RsParametros;

// The one handler of a failed exchange with the validation server, shared by
// every procedure that talks to it. The procedure catches the ErrorTendal,
// hands it over with its own name, and does what the answer says; the texts,
// icons and titles of each procedure are data inside (ReporteConexion.cpp).
//
//   try { ... } catch (const ErrorTendal &e) {
//       const auto r = ReporteConexion::reporta(ReporteConexion::Llamador::Envio, e, programa);
//       if (r.siguiente == ReporteConexion::Siguiente::Continua) ... // next step
//   }
//
// Numbers that a procedure handles before the report (the file questions of
// errors 68 and 70 when sending, a missing table while installing the
// catalogue) stay with that procedure; anything else given here is reported.
namespace ReporteConexion {

// Who failed, with the FTP control it uses.
enum class Llamador {
    Envio, // tool bar commands and the send procedure (eftpEnvio)
    Recepcion, // the receive cycle (eftpRecepcion)
    Boletin, // the bulletin refresh (eftpPrincipal); its Boton flag matters
    SolicitudClave, // the password recovery request (eftpPrincipal)
    CambioClave, // the publication of a changed payment password (eftpPrincipal)
    ActualizacionCatalogo, // the catalogue update run (eftpActCatErr)
    RevisionCatalogo, // the catalogue version check (eftpPrincipal): always silent
};

// What the caller does after the report.
enum class Siguiente {
    Continua, // pass over the failed step and go on with the next one
    Termina, // end through the common exit, which disconnects the control
    TerminaSinDesconectar, // end at once; the control is left as it is
};

struct Resultado {
    Siguiente siguiente;
    bool mensaje; // a message was shown
};

// Shows the caller's message for the error, if it has one, and says what to
// do next. tipo_acceso is read from the configuration record when the error
// is one of no connection. boton is the bulletin refresh's flag (the person
// asked for the refresh); the other callers ignore it.
Resultado reporta(Llamador llamador, const ErrorTendal &error, Dialogos &dialogos, const RsParametros &parametros,
                  bool boton = false);
// The same with the program's Dialogos and configuration record.
Resultado reporta(Llamador llamador, const ErrorTendal &error, Programa &programa, bool boton = false);

// The two halves of reporta without showing anything: the message it would
// show (empty when none) and what the caller does next. The receive cycle
// uses them to show a failure that repeats only once.
QString texto(Llamador llamador, const ErrorTendal &error, const RsParametros &parametros, bool boton = false);
Siguiente siguiente(Llamador llamador, const ErrorTendal &error, bool boton = false);

// The shared texts, for a procedure that reports a failure of its own in the
// same words: the no-connection text (hint by tipo_acceso: 0 telephone
// access, any other value network access; a null column counts as network),
// and the generic "Error No. ..." text.
QString textoSinConexion(const RsParametros &parametros);
QString textoGenerico(const ErrorTendal &error);

} // namespace ReporteConexion
