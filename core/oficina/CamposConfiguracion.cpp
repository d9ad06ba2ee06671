#include "core/oficina/CamposConfiguracion.h"

#include "core/db/RsParametros.h"

#include <algorithm>

namespace {

const char *const kColumnasCarpetas[]
    = {"val_env", "val_rec", "tra_env", "tra_rec", "pag_env", "pag_rec", "sag_env", "sag_rec"};

} // namespace

QString CamposConfiguracion::columnaDireccion(int posicion)
{
    switch (posicion) {
    case 0:
        return QStringLiteral("Host_Ras");
    case 1:
        return QStringLiteral("Host_Internet");
    case 2:
        return QStringLiteral("Host");
    default:
        return {};
    }
}

QString CamposConfiguracion::columnaCarpeta(int campo)
{
    return campo >= kPrimeraCarpeta && campo <= kUltimaCarpeta
               ? QString::fromLatin1(kColumnasCarpetas[campo - kPrimeraCarpeta])
               : QString();
}

CamposConfiguracion::CamposConfiguracion(QObject *parent)
    : QObject(parent)
{
}

void CamposConfiguracion::ponTexto(int campo, const QString &texto)
{
    if (m_textos.at(campo) == texto)
        return;
    m_textos[campo] = texto;
    emit cambiado();
}

QString CamposConfiguracion::textoTipo(int posicion)
{
    switch (posicion) {
    case 0:
        return QStringLiteral("MODEM");
    case 1:
        return QStringLiteral("INTERNET");
    case 2:
        return QStringLiteral("RADIO MODEM");
    default:
        return {};
    }
}

void CamposConfiguracion::Imprime_Datos(const RsParametros &rs)
{
    const QVariant patente = rs.valor(QStringLiteral("Patente"));
    m_textos[Patente] = patente.isNull() ? QString() : QString::number(patente.toInt());
    m_textos[Agente] = rs.texto(QStringLiteral("Agente"));
    const QVariant tipo = rs.valor(QStringLiteral("tipo_acceso"));
    const int posicion = tipo.isNull() ? -1 : tipo.toInt();
    if (posicion >= 0 && posicion <= 2)
        eligeTipo(posicion, rs);
    else
        m_posicion = -1;
    m_proxy = rs.sino(QStringLiteral("proxy"));
    m_ipProxyVisible = m_proxy && m_posicion != 0;
    m_textos[ip_proxy] = rs.texto(QStringLiteral("ip_proxy"));
    m_textos[telefono] = rs.texto(QStringLiteral("telefono"));
    for (int campo = kPrimeraCarpeta; campo <= kUltimaCarpeta; ++campo)
        m_textos[campo] = rs.texto(columnaCarpeta(campo));
    const int cifrado = rs.entero(QStringLiteral("cifrado"));
    m_cifrado = cifrado >= 0 && cifrado < kModosCifrado ? cifrado : 0;
    m_certificado = rs.texto(QStringLiteral("certificado"));
    const int espera = rs.entero(QStringLiteral("espera_respuesta"));
    m_espera = espera >= kEsperaMinima && espera <= kEsperaMaxima ? espera : 30;
    emit cambiado();
}

QString CamposConfiguracion::textoCifrado(int modo)
{
    switch (modo) {
    case 0:
        return QStringLiteral("Ninguno");
    case 1:
        return QStringLiteral("TLS si el servidor lo ofrece");
    case 2:
        return QStringLiteral("TLS obligatorio");
    default:
        return {};
    }
}

void CamposConfiguracion::eligeCifrado(int modo)
{
    if (modo < 0 || modo >= kModosCifrado || modo == m_cifrado)
        return;
    m_cifrado = modo;
    emit cambiado();
}

void CamposConfiguracion::ponCertificado(const QString &archivo)
{
    if (archivo == m_certificado)
        return;
    m_certificado = archivo;
    emit cambiado();
}

void CamposConfiguracion::ponEspera(int minutos)
{
    const int m = std::clamp(minutos, kEsperaMinima, kEsperaMaxima);
    if (m == m_espera)
        return;
    m_espera = m;
    emit cambiado();
}

void CamposConfiguracion::eligeTipo(int posicion, const RsParametros &rs)
{
    if (posicion < 0 || posicion > 2)
        return;
    m_posicion = posicion;
    // The telephone belongs to dial-up access only, the proxy to the others.
    m_telefonoVisible = posicion == 0;
    m_proxyVisible = posicion != 0;
    m_ipProxyVisible = m_proxyVisible && m_proxy;
    m_textos[Servidor] = rs.texto(columnaDireccion(posicion));
    emit cambiado();
}

void CamposConfiguracion::marcaProxy(bool marcado)
{
    m_proxy = marcado;
    m_ipProxyVisible = marcado && m_posicion != 0;
    emit cambiado();
}
