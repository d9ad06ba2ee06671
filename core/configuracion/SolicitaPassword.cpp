#include "core/configuracion/SolicitaPassword.h"

#include "core/base/Ocupacion.h"
#include "core/base/TareaSuelta.h"
#include "core/base/Ansi.h"
#include "core/base/Dialogos.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Funciones.h"
#include "core/oficina/Programa.h"
#include "core/servidor/SesionFtp.h"
#include "core/base/Vb.h"
#include "core/servidor/ReporteConexion.h"

#include <optional>

SolicitaPassword::SolicitaPassword(Programa &programa)
    : m_programa(programa)
{
}

QString SolicitaPassword::nombreArchivo(qint16 patente)
{
    return QStringLiteral("PASS") + Vb::formato(patente, QStringLiteral("0000")) + QStringLiteral(".TXT");
}

QString SolicitaPassword::linea(qint16 patente, const QString &clavePago)
{
    return QStringLiteral("Password de la patente ") + Vb::formato(patente, QStringLiteral("0000"))
           + QStringLiteral(":  ") + clavePago;
}

QCoro::Task<> SolicitaPassword::Solicita_Password()
{
    if (m_enCurso)
        co_return;
    const Ocupacion enCurso(m_enCurso);
    co_await solicita();
}

void SolicitaPassword::inicia()
{
    TareaSuelta::inicia(QStringLiteral("la solicitud de la contraseña"), Solicita_Password(), m_programa.dialogos());
}

QCoro::Task<> SolicitaPassword::solicita()
{
    const ValoresPrograma &v = m_programa.valores();
    const QString nombre = nombreArchivo(v.NumPatente);
    const QString local = m_programa.carpetas().enTrabajo(nombre);
    ControlFtp &ftp = m_programa.eftpPrincipal;
    std::optional<ErrorTendal> fallo;
    try {
        Ansi::escribeLineas(local, {linea(v.NumPatente, v.ClavePago)}, true);
        co_await SesionFtp::Conecta_FTP(ftp, true, m_programa);
        co_await SesionFtp::Envia_Archivo(ftp, m_programa.carpetas().trabajo(), v.yex_update, nombre);
        m_programa.dialogos().aviso(QStringLiteral("Envio satisfactorio"));
    } catch (const ErrorTendal &e) {
        fallo = e;
    }
    try {
        Funciones::Borra_Archivo(local);
    } catch (const ErrorTendal &) {
    }
    if (fallo)
        ReporteConexion::reporta(ReporteConexion::Llamador::SolicitudClave, *fallo, m_programa);
    try {
        co_await SesionFtp::Desconecta_FTP(ftp);
    } catch (const ErrorTendal &) {
    }
}
