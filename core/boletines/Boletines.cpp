#include "core/boletines/Boletines.h"

#include "core/base/Ansi.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Funciones.h"
#include "core/oficina/Programa.h"
#include "core/db/RsConsulta.h"
#include "core/servidor/SesionFtp.h"
#include "core/base/Vb.h"
#include "core/servidor/ReporteConexion.h"

#include <QFileInfo>

#include <optional>

Boletines::Boletines(Programa &programa)
    : m_programa(programa)
{
}

QString Boletines::armaLinea(const QString &primeraLinea, const Conexion &conexion, int *barras)
{
    RsConsulta rs(conexion);
    QString linea = QStringLiteral("Información del ");
    QString campo;
    int cuenta = 0;
    for (const QChar c : primeraLinea) {
        if (c != u'|') {
            campo += c;
            continue;
        }
        if (cuenta == 0) {
            linea += campo;
        } else if (cuenta == 1) {
            linea += QStringLiteral(" a las ") + campo + QStringLiteral(" Horas");
        } else {
            linea += QStringLiteral(" - ");
            const qint16 codigo = Vb::entero(campo);
            rs.abre(QStringLiteral("select * from informacion where codigo=?"), {codigo});
            if (!rs.eof())
                linea += rs.valor(QStringLiteral("texto")).toString();
            rs.cierra();
        }
        ++cuenta;
        campo.clear();
    }
    if (barras)
        *barras = cuenta;
    return linea;
}

QCoro::Task<> Boletines::Actualiza_Boletin(bool Boton)
{
    ControlFtp &ftp = m_programa.eftpPrincipal;
    const QString carpeta = m_programa.carpetas().trabajo();
    const QString local = m_programa.carpetas().enTrabajo(nombreArchivo());
    std::optional<ErrorTendal> fallo;
    m_mensajeMostrado.clear();
    try {
        co_await SesionFtp::Conecta_FTP(ftp, true, m_programa);
        Funciones::Borra_Archivo(local);
        co_await SesionFtp::Recibe_Archivo(ftp, carpeta, m_programa.valores().yex_update, nombreArchivo());
        if (!QFileInfo::exists(local)) {
            m_estado.apaga();
        } else {
            int barras = 0;
            QString linea;
            try {
                linea = armaLinea(Ansi::leePrimeraLinea(local), m_programa.conexion(), &barras);
            } catch (...) {
                // The copy is not left behind when its reading fails.
                try {
                    Funciones::Borra_Archivo(local);
                } catch (const ErrorTendal &) {
                }
                throw;
            }
            Funciones::Borra_Archivo(local);
            if (barras <= 2)
                m_estado.apaga();
            else
                m_estado.pon(linea, true);
        }
    } catch (const ErrorTendal &e) {
        fallo = e;
    }
    if (fallo) {
        if (fallo->numero() == ErrorTendal::FtpTransferencia)
            m_estado.apaga();
        if (ReporteConexion::reporta(ReporteConexion::Llamador::Boletin, *fallo, m_programa, Boton).mensaje)
            m_mensajeMostrado
                = ReporteConexion::texto(ReporteConexion::Llamador::Boletin, *fallo, m_programa.parametros(), Boton);
    }
    // Also after a refused login or a lost connection: disconnecting a control
    // without a session does nothing, and no session outlives the refresh.
    try {
        co_await SesionFtp::Desconecta_FTP(ftp);
    } catch (const ErrorTendal &) {
    }
}
