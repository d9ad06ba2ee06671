#include "core/servidor/ReporteConexion.h"

#include "core/base/Dialogos.h"
#include "core/base/ErrorTendal.h"
#include "core/oficina/Programa.h"
#include "core/db/RsParametros.h"

namespace ReporteConexion {

namespace {

const QString CRLF = QStringLiteral("\r\n");

// The message of one case.
enum class Texto {
    Ninguno, // no message
    Login, // the caller's login text
    SinConexion, // "No hay conexión al servidor de VORDELAN" ...
    Generico, // "Error No. " ... "Descripcion: " ...
    GenericoCatalogo, // "Error Número: " ... "Proceso: Actualización del catálogo de errores"
    SinComunicacion, // "No hay comunicación al servidor de validación"
};

struct Trato {
    Texto texto;
    Siguiente siguiente;
    // Shown only when the person asked for the work (Boton); otherwise the
    // caller ends at once, silently, leaving the control as it is.
    bool soloConBoton = false;
};

// How one caller treats each number the FTP layer tells apart.
struct Variante {
    const char16_t *textoLogin;
    Trato e1000, e1002, e1003, e1013, e1014, e1015, e1029, otro;
};

constexpr Siguiente Continua = Siguiente::Continua;
constexpr Siguiente Termina = Siguiente::Termina;
constexpr Siguiente Queda = Siguiente::TerminaSinDesconectar;

const Variante &variante(Llamador llamador)
{
    static const Trato generico {Texto::Generico, Termina};
    static const Trato login {Texto::Login, Termina};
    static const Trato sinConexion {Texto::SinConexion, Termina};
    static const Trato callaYTermina {Texto::Ninguno, Termina};
    static const Trato continua {Texto::Ninguno, Continua};

    static const Variante envio {u"Usuario o Contraseña no aceptado",
                                 callaYTermina,
                                 generico,
                                 continua,
                                 login,
                                 login,
                                 login,
                                 sinConexion,
                                 generico};
    static const Variante recepcion {u"Usuario o Contraseña no válido",
                                     callaYTermina,
                                     {Texto::Generico, Queda},
                                     continua,
                                     {Texto::Login, Queda},
                                     {Texto::Login, Queda},
                                     {Texto::Login, Queda},
                                     {Texto::SinConexion, Queda},
                                     {Texto::Generico, Queda}};
    static const Variante boletin {u"El Usuario o Contraseña no aceptado",
                                   generico,
                                   generico,
                                   callaYTermina,
                                   {Texto::Login, Termina, true},
                                   {Texto::SinConexion, Termina, true},
                                   {Texto::Login, Termina, true},
                                   {Texto::SinConexion, Termina, true},
                                   generico};
    static const Variante solicitud {u"El Usuario o Contraseña no aceptado",
                                     generico,
                                     generico,
                                     callaYTermina,
                                     login,
                                     login,
                                     login,
                                     sinConexion,
                                     generico};
    // A password change that did not reach the server is never passed over:
    // the caller restores the previous password, and the person must know.
    static const Variante cambio {
        u"Usuario o Contraseña no aceptado", generico, generico, generico, login, login, login, sinConexion, generico};
    static const Trato catalogo {Texto::GenericoCatalogo, Termina};
    static const Variante actualizacion {u"Usuario o Password no aceptado",
                                         catalogo,
                                         {Texto::SinComunicacion, Termina},
                                         continua,
                                         login,
                                         login,
                                         login,
                                         sinConexion,
                                         catalogo};
    static const Variante revision {u"",           callaYTermina, callaYTermina, callaYTermina, callaYTermina,
                                    callaYTermina, callaYTermina, callaYTermina, callaYTermina};

    switch (llamador) {
    case Llamador::Envio:
        return envio;
    case Llamador::Recepcion:
        return recepcion;
    case Llamador::Boletin:
        return boletin;
    case Llamador::SolicitudClave:
        return solicitud;
    case Llamador::CambioClave:
        return cambio;
    case Llamador::ActualizacionCatalogo:
        return actualizacion;
    case Llamador::RevisionCatalogo:
        return revision;
    }
    return revision;
}

const Trato &trato(const Variante &v, int numero)
{
    switch (numero) {
    case ErrorTendal::FtpTerminado:
        return v.e1000;
    case ErrorTendal::FtpSinComunicacion:
        return v.e1002;
    case ErrorTendal::FtpTransferencia:
        return v.e1003;
    case ErrorTendal::FtpUsuario:
        return v.e1013;
    case ErrorTendal::FtpClave:
        return v.e1014;
    case ErrorTendal::FtpLogin:
        return v.e1015;
    case ErrorTendal::FtpSinConexion:
        return v.e1029;
    default:
        return v.otro;
    }
}

QString textoGenericoCatalogo(const ErrorTendal &error)
{
    return QStringLiteral("Error Número: ") + QString::number(error.numero()) + CRLF + QStringLiteral("Descripción: ")
           + error.descripcion() + CRLF + QStringLiteral("Proceso: Actualización del catálogo de errores");
}

} // namespace

QString textoSinConexion(const RsParametros &parametros)
{
    const QVariant tipo = parametros.valor(QStringLiteral("tipo_acceso"));
    const bool telefonico = !tipo.isNull() && tipo.toInt() == 0;
    return QStringLiteral("No hay conexión al servidor de VORDELAN") + CRLF + CRLF
           + (telefonico ? QStringLiteral("Revisa tu Tendal Telefónico") : QStringLiteral("Revisa tu Conexión de Red"))
           + QStringLiteral(" o tu Contraseña de Acceso");
}

QString textoGenerico(const ErrorTendal &error)
{
    return QStringLiteral("Error No. ") + QString::number(error.numero()) + CRLF + QStringLiteral("Descripcion: ")
           + error.descripcion();
}

QString texto(Llamador llamador, const ErrorTendal &error, const RsParametros &parametros, bool boton)
{
    const Variante &v = variante(llamador);
    const Trato &t = trato(v, error.numero());
    if (t.soloConBoton && !boton)
        return QString();
    switch (t.texto) {
    case Texto::Ninguno:
        return QString();
    case Texto::Login:
        return QString::fromUtf16(v.textoLogin);
    case Texto::SinConexion:
        return textoSinConexion(parametros);
    case Texto::Generico:
        return textoGenerico(error);
    case Texto::GenericoCatalogo:
        return textoGenericoCatalogo(error);
    case Texto::SinComunicacion:
        return QStringLiteral("No hay comunicación al servidor de validación");
    }
    return QString();
}

Siguiente siguiente(Llamador llamador, const ErrorTendal &error, bool boton)
{
    const Trato &t = trato(variante(llamador), error.numero());
    return t.soloConBoton && !boton ? Siguiente::TerminaSinDesconectar : t.siguiente;
}

Resultado reporta(Llamador llamador, const ErrorTendal &error, Dialogos &dialogos, const RsParametros &parametros,
                  bool boton)
{
    const Trato &t = trato(variante(llamador), error.numero());
    const QString mensaje = texto(llamador, error, parametros, boton);
    if (mensaje.isEmpty())
        return {siguiente(llamador, error, boton), false};
    const bool sencillo = t.texto == Texto::GenericoCatalogo || t.texto == Texto::SinComunicacion;
    if (sencillo)
        dialogos.mensaje(mensaje, Dialogos::tituloPrograma(), Dialogos::Icono::Ninguno, Dialogos::Botones::Aceptar);
    else
        dialogos.mensaje(mensaje, Dialogos::nombreProducto(), Dialogos::Icono::Critico, Dialogos::Botones::Aceptar);
    return {t.siguiente, true};
}

Resultado reporta(Llamador llamador, const ErrorTendal &error, Programa &programa, bool boton)
{
    return reporta(llamador, error, programa.dialogos(), programa.parametros(), boton);
}

} // namespace ReporteConexion
