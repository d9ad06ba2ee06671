#include "core/oficina/Programa.h"

#include "core/access/ImportadorAccess.h"
#include "core/oficina/Actualizaciones.h"
#include "core/base/Dialogos.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Funciones.h"
#include "core/base/Permisos.h"
#include "core/base/Reloj.h"
#include "core/base/Vb.h"
#include "core/base/Version.h"

#include <QDir>

Programa::Programa(Carpetas carpetas, Reloj &reloj, Dialogos &dialogos, ClienteFtp::Limites limitesFtp)
    : eftpEnvio(QStringLiteral("eftpEnvio"), limitesFtp)
    , eftpPrincipal(QStringLiteral("eftpPrincipal"), limitesFtp)
    , eftpActCatErr(QStringLiteral("eftpActCatErr"), limitesFtp)
    , m_limitesFtp(limitesFtp)
    , m_carpetas(std::move(carpetas))
    , m_reloj(reloj)
    , m_dialogos(dialogos)
{
}

Programa::~Programa() = default;

void Programa::carga()
{
    m_carpetas.preparaTrabajo();
    const QString carpetaDatos = m_carpetas.carpetaBaseDatos();
    if (!Conexion::esServidor(carpetaDatos)) {
        ImportadorAccess::importaOficina(carpetaDatos, m_dialogos); // an office that still has only Prevalida.mdb
        const QString aviso = Permisos::restringeBase(QDir(carpetaDatos).filePath(Conexion::nombreArchivo()));
        if (!aviso.isEmpty())
            m_dialogos.mensaje(aviso, Dialogos::nombreProducto(), Dialogos::Icono::Informacion,
                               Dialogos::Botones::Aceptar);
    }
    m_conexion = Conexion::abre(carpetaDatos);
    m_rsParametros = std::make_unique<RsParametros>(*m_conexion);
    m_campos.Imprime_Datos(*m_rsParametros);
    eligeServidor();
    // A database read only keeps today's scheduled changes for a start that
    // can write them.
    if (!m_conexion->soloLectura())
        Actualizaciones::Aplica_Actualizaciones(*m_conexion, *m_rsParametros, m_reloj.hoy());
    cargaValores();
    m_valores.DiaJuliano = Funciones::Dia_Juliano(m_reloj.hoy());
    m_diario = std::make_unique<Diario>(*m_conexion);
    m_listaEnvio = std::make_unique<ListaEnvio>(m_diario.get());
    m_listaRecepcion = std::make_unique<ListaRecepcion>(m_diario.get());
    refrescaListas();
}

void Programa::mideDesfase()
{
    // Read again every few minutes, at a step that talks to the database
    // anyway; a failure keeps the last reading.
    constexpr qint64 kCadaMs = 5 * 60 * 1000;
    if (m_desfaseMedido.isValid() && m_desfaseMedido.elapsed() < kCadaMs)
        return;
    try {
        if (const auto servidor = m_conexion->ahoraServidor())
            m_desfaseMs = m_reloj.ahora().msecsTo(*servidor);
        m_desfaseMedido.start();
    } catch (const ErrorTendal &) {
        // Without the server now; the next step reads it again.
    }
}

QDateTime Programa::ahoraOficina() const
{
    return m_reloj.ahora().addMSecs(m_desfaseMs);
}

bool Programa::refrescaListas()
{
    mideDesfase();
    const qint64 version = m_diario->version();
    if (version == m_diario->visto())
        return false;
    m_listaEnvio->restaura();
    m_listaRecepcion->restaura();
    m_diario->fijaVisto(version);
    return true;
}

void Programa::eligeServidor()
{
    const RsParametros &rs = *m_rsParametros;
    m_valores.Servidor = rs.sino(QStringLiteral("acc_tel")) ? m_campos.texto(CamposConfiguracion::Servidor)
                                                            : m_campos.texto(CamposConfiguracion::ip_proxy);
    const QString columna = CamposConfiguracion::columnaDireccion(rs.entero(QStringLiteral("tipo_acceso")));
    if (!columna.isEmpty())
        m_valores.Servidor = rs.texto(columna);
}

void Programa::cargaValores()
{
    const RsParametros &rs = *m_rsParametros;
    m_valores.NumPatente = Vb::entero(m_campos.texto(CamposConfiguracion::Patente));
    m_valores.PideClave = QStringLiteral("N");
    m_valores.ClavePago = Funciones::Decodifica_Cadena(rs.texto(QStringLiteral("PassBan")));
    m_valores.ClaveFTP = Funciones::Decodifica_Cadena(rs.texto(QStringLiteral("PassFTP"))).toLower();
    for (const char *columna : {"yex_valin", "yex_valout", "yex_valresp", "yex_pagin", "yex_pagout", "yex_pagin1",
                                "yex_pagout1", "yex_sagin", "yex_sagout", "yex_apiin", "yex_apiout", "yex_update"}) {
        const QString c = QString::fromLatin1(columna);
        *m_valores.carpetaServidor(c) = rs.texto(c);
    }
}

QString Programa::titulo() const
{
    return Dialogos::nombreProducto() + QStringLiteral(" - VERSIÓN ") + Version::texto()
           + QStringLiteral("  |  PATENTE ") + Vb::formato(m_valores.NumPatente, QStringLiteral("0000"))
           + QStringLiteral(" - ") + m_rsParametros->texto(QStringLiteral("Agente"));
}
