#include "core/base/Secreto.h"
#include "core/envio/CambioPassword.h"

#include "core/base/Ansi.h"
#include "core/base/Dialogos.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Funciones.h"
#include "core/oficina/Programa.h"
#include "core/servidor/SesionFtp.h"
#include "core/envio/ArchivoPago.h"
#include "core/servidor/ReporteConexion.h"

#include <optional>

namespace {

const QString PassBan = QStringLiteral("PassBan");

} // namespace

CambioPassword::CambioPassword(Programa &programa)
    : m_programa(programa)
{
}

Dialogos &CambioPassword::dialogos()
{
    return m_programa.dialogos();
}

QCoro::Task<bool> CambioPassword::Acepta(QString actual, QString nueva, QString confirmacion)
{
    // The typed texts are not kept once checked (nueva once published: the
    // program's value shares its text and keeps it).
    const bool actualValida = actual.compare(m_programa.valores().ClavePago, Qt::CaseSensitive) == 0;
    const bool confirmada = nueva.compare(confirmacion, Qt::CaseSensitive) == 0;
    Secreto::borra(actual);
    Secreto::borra(confirmacion);
    if (!actualValida) {
        Secreto::borra(nueva);
        m_programa.dialogos().error(QStringLiteral("No coincide la contraseña actual"));
        co_return false;
    }
    if (!confirmada) {
        Secreto::borra(nueva);
        m_programa.dialogos().error(QStringLiteral("La contraseña nueva no coincide con la confirmación"));
        co_return false;
    }
    const bool publicada = co_await publica(nueva);
    Secreto::borra(nueva);
    co_return publicada;
}

QCoro::Task<bool> CambioPassword::publica(QString nueva)
{
    ValoresPrograma &v = m_programa.valores();
    RsParametros &rs = m_programa.parametros();
    const QString passBanAnterior = rs.texto(PassBan);
    const QString claveAnterior = v.ClavePago;
    const QString nombre = ArchivoPago::nombre(v.NumPatente);
    const QString local = m_programa.carpetas().enTrabajo(nombre);
    ControlFtp &ftp = m_programa.eftpPrincipal;
    bool guardado = false;
    std::optional<ErrorTendal> fallo;
    QString linea;
    try {
        linea = ArchivoPago::linea(v.PideClave, nueva);
        rs.asigna(PassBan, Funciones::Codifica_Cadena(nueva));
        rs.guarda();
        guardado = true;
        v.ClavePago = nueva;
        co_await SesionFtp::Conecta_FTP(ftp, false, m_programa);
        Ansi::escribeLineas(local, {linea}, true);
        co_await SesionFtp::Envia_Archivo(ftp, m_programa.carpetas().trabajo(), ArchivoPago::carpetaServidor(), nombre);
        co_await SesionFtp::Desconecta_FTP(ftp);
    } catch (const ErrorTendal &e) {
        fallo = e;
    }
    // The local file holds the password: it goes whatever happened, and
    // so does its line.
    Secreto::borra(linea);
    try {
        Funciones::Borra_Archivo(local);
    } catch (const ErrorTendal &) {
    }
    if (fallo) {
        ReporteConexion::reporta(ReporteConexion::Llamador::CambioClave, *fallo, m_programa);
        try {
            co_await SesionFtp::Desconecta_FTP(ftp);
        } catch (const ErrorTendal &) {
        }
        v.ClavePago = claveAnterior;
        try {
            if (guardado) {
                rs.asigna(PassBan, passBanAnterior);
                rs.guarda();
            } else {
                rs.abre();
            }
        } catch (const ErrorTendal &e) {
            m_programa.dialogos().error(ReporteConexion::textoGenerico(e));
        }
    }
    co_return !fallo;
}
