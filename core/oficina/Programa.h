#pragma once

#include "core/oficina/CamposConfiguracion.h"
#include "core/base/Carpetas.h"
#include "core/db/Conexion.h"
#include "core/db/Diario.h"
#include "core/ftp/ControlFtp.h"
#include "core/db/RsParametros.h"
#include "core/oficina/ValoresPrograma.h"
#include "core/oficina/ListaEnvio.h"
#include "core/oficina/ListaRecepcion.h"

#include <QElapsedTimer>

#include <memory>

class Dialogos;
class Reloj;

// Everything the program shares from start to end: the database objects,
// the configuration fields, the program-wide values, the two lists and the
// FTP controls of the windows (the receive cycle owns its own). Built once
// by the composition root (the program, the command line or a test) and
// passed to the procedures.
class Programa
{
public:
    Programa(Carpetas carpetas, Reloj &reloj, Dialogos &dialogos, ClienteFtp::Limites limitesFtp = {});
    ~Programa();

    // The start-up sequence: the work folders, the start-up file, the
    // connection and recordsets, the configuration fields, the server
    // address, today's scheduled changes, the program-wide values, the julian
    // day and the stored lists. Throws ErrorTendal with a clear message when
    // the start cannot complete.
    void carga();

    // The title of the main window.
    QString titulo() const;

    // Shows in both lists what other programs on the office changed in the
    // journal since this program last looked; true when something did.
    bool refrescaListas();

    // Applies the server-address rule to Servidor (configuration fields and
    // the column chosen by tipo_acceso).
    void eligeServidor();
    // Loads the program-wide values from the fields and the record.
    void cargaValores();

    // The office's time now: on a database server its clock (the one the
    // journal records acceptances and responses with), followed through this
    // workstation's clock since it was last read; on the file, this
    // workstation's clock.
    QDateTime ahoraOficina() const;

    const Carpetas &carpetas() const { return m_carpetas; }
    Reloj &reloj() { return m_reloj; }
    Dialogos &dialogos() { return m_dialogos; }
    Conexion &conexion() { return *m_conexion; }
    RsParametros &parametros() { return *m_rsParametros; }
    CamposConfiguracion &campos() { return m_campos; }
    ValoresPrograma &valores() { return m_valores; }
    Diario &diario() { return *m_diario; }
    ListaEnvio &listaEnvio() { return *m_listaEnvio; }
    ListaRecepcion &listaRecepcion() { return *m_listaRecepcion; }

    // The FTP limits every control of the program is made with.
    const ClienteFtp::Limites &limitesFtp() const { return m_limitesFtp; }

    ControlFtp eftpEnvio;
    ControlFtp eftpPrincipal;
    ControlFtp eftpActCatErr;

private:
    ClienteFtp::Limites m_limitesFtp;
    Carpetas m_carpetas;
    Reloj &m_reloj;
    Dialogos &m_dialogos;
    std::unique_ptr<Conexion> m_conexion;
    std::unique_ptr<RsParametros> m_rsParametros;
    CamposConfiguracion m_campos;
    ValoresPrograma m_valores;
    std::unique_ptr<Diario> m_diario;
    std::unique_ptr<ListaEnvio> m_listaEnvio;
    std::unique_ptr<ListaRecepcion> m_listaRecepcion;
    // The server's clock minus this workstation's, and when it was read.
    void mideDesfase();
    qint64 m_desfaseMs = 0;
    QElapsedTimer m_desfaseMedido;
};
