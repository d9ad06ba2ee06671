#include "core/configuracion/Parametros.h"

#include "core/base/Dialogos.h"
#include "core/base/ErrorTendal.h"
#include "core/oficina/Programa.h"
#include "core/servidor/ReporteConexion.h"

#include <QDir>

namespace {

// An empty field is stored as empty text, never as a null column.
QVariant textoCampo(const CamposConfiguracion &campos, int n)
{
    const QString t = campos.texto(n);
    return t.isNull() ? QStringLiteral("") : t;
}

} // namespace

const std::array<Parametros::Boton, Parametros::kBotones> &Parametros::botones()
{
    static const std::array<Boton, kBotones> lista = {{
        {QStringLiteral("      Modificar      "), QStringLiteral("modificar"),
         QStringLiteral("Permite modificar los parámetros del sistema")},
        {{}, {}, {}, true},
        {QStringLiteral("Salir"), QStringLiteral("salir"),
         QStringLiteral("Cierra el módulo de parámetros del sistema")},
        {QStringLiteral("Guardar"), QStringLiteral("guardar"),
         QStringLiteral("Guarda los cambios efectuados a los parámetros del sistema")},
        {QStringLiteral("Cancelar"), QStringLiteral("cancelar"),
         QStringLiteral("Cancela los cambios efectuados a los parámetros del sistema")},
        {{}, {}, {}, true},
        {QStringLiteral("Cambiar Contraseña"), QStringLiteral("password"), {}},
        {{}, {}, {}, true},
        {QStringLiteral("Recuperar Contraseña"), QStringLiteral("envyex"),
         QStringLiteral("Solicita a contraseña de pago electrónico")},
        {{}, {}, {}, true},
    }};
    return lista;
}

Parametros::Parametros(Programa &programa, QObject *parent)
    : QObject(parent)
    , m_programa(programa)
    , m_carpetaInicial(QDir::homePath())
{
}

void Parametros::Guarda_Datos()
{
    RsParametros &rs = m_programa.parametros();
    const CamposConfiguracion &campos = m_programa.campos();
    const int posicion = campos.posicion();
    rs.asigna(QStringLiteral("tipo_acceso"), qint16(posicion));
    rs.asigna(QStringLiteral("acc_tel"), qint16(posicion == 0 ? -1 : 0));
    rs.asigna(QStringLiteral("telefono"), textoCampo(campos, CamposConfiguracion::telefono));
    const QString direccion = CamposConfiguracion::columnaDireccion(posicion);
    if (!direccion.isEmpty())
        rs.asigna(direccion, textoCampo(campos, CamposConfiguracion::Servidor));
    rs.asigna(QStringLiteral("proxy"), qint16(campos.proxy() ? -1 : 0));
    rs.asigna(QStringLiteral("ip_proxy"), textoCampo(campos, CamposConfiguracion::ip_proxy));
    for (int campo = CamposConfiguracion::kPrimeraCarpeta; campo <= CamposConfiguracion::kUltimaCarpeta; ++campo)
        rs.asigna(CamposConfiguracion::columnaCarpeta(campo), textoCampo(campos, campo));
    rs.asigna(QStringLiteral("cifrado"), qint16(campos.cifrado()));
    // No file: the system's certificates (a null column, as a new office has).
    const QString certificado = campos.certificado().trimmed();
    rs.asigna(QStringLiteral("certificado"), certificado.isEmpty() ? QVariant() : QVariant(certificado));
    rs.asigna(QStringLiteral("espera_respuesta"), qint16(campos.espera()));
    rs.asigna(QStringLiteral("vererr"), qint16(1));
}

void Parametros::Muestra_Botones(bool vista)
{
    for (int n = 1; n <= 3; ++n)
        m_visible[n - 1] = vista;
    for (int n = 4; n <= 5; ++n)
        m_visible[n - 1] = !vista;
    emit modoCambiado();
}

void Parametros::Habilita_Campos(bool activo)
{
    m_habilitados = activo;
    emit modoCambiado();
    if (activo)
        emit camposActivados();
}

void Parametros::Ejecuta_Accion(const QString &accion)
{
    if (accion == u"modificar") {
        Muestra_Botones(false);
        Habilita_Campos(true);
    } else if (accion == u"guardar") {
        guarda();
    } else if (accion == u"cancelar") {
        Habilita_Campos(false);
        m_programa.campos().Imprime_Datos(m_programa.parametros());
        Muestra_Botones(true);
    } else if (accion == u"salir") {
        emit ocultaPedido();
    } else if (accion == u"password") {
        emit cambioPasswordPedido();
    } else if (accion == u"envyex") {
        emit solicitudPasswordPedida();
    }
}

// A save the database refuses is reported and leaves the window in edit mode
// with the typed values, so that they can be corrected; the record returns to
// what is stored, so that no later save of another column carries them.
void Parametros::guarda()
{
    RsParametros &rs = m_programa.parametros();
    Guarda_Datos();
    try {
        rs.guarda();
    } catch (const ErrorTendal &e) {
        try {
            rs.abre();
        } catch (const ErrorTendal &) {
        }
        m_programa.dialogos().error(QStringLiteral("No se guardaron los parámetros del sistema.\r\n\r\n")
                                    + ReporteConexion::textoGenerico(e));
        return;
    }
    const QString direccion = CamposConfiguracion::columnaDireccion(rs.entero(QStringLiteral("tipo_acceso")));
    if (!direccion.isEmpty())
        m_programa.valores().Servidor = rs.texto(direccion);
    Habilita_Campos(false);
    Muestra_Botones(true);
    emit guardado();
}

void Parametros::Elige_Certificado()
{
    CamposConfiguracion &campos = m_programa.campos();
    const QString actual = campos.certificado().trimmed();
    const std::optional<QString> elegido = m_programa.dialogos().eligeArchivo(
        actual.isEmpty() ? m_carpetaInicial : actual,
        QStringLiteral("Certificados (*.pem *.crt *.cer);;Todos los archivos (*)"));
    if (elegido)
        campos.ponCertificado(QDir::toNativeSeparators(*elegido));
}

void Parametros::Elige_Carpeta(int n)
{
    if (n < 0 || n > CamposConfiguracion::kUltimaCarpeta - CamposConfiguracion::kPrimeraCarpeta)
        return;
    CamposConfiguracion &campos = m_programa.campos();
    const QString actual = campos.texto(CamposConfiguracion::kPrimeraCarpeta + n);
    if (!actual.isEmpty())
        m_carpetaInicial = actual;
    const std::optional<QString> elegida = m_programa.dialogos().eligeCarpeta(m_carpetaInicial);
    if (elegida)
        campos.ponTexto(CamposConfiguracion::kPrimeraCarpeta + n, QDir::toNativeSeparators(*elegida));
}
