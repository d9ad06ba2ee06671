#pragma once

#include <QString>

class CamposConfiguracion;
class Conexion;
class DestinoReporte;
class Programa;
class Reloj;

// The report builder: turns one response file into its revision report.
// It keeps nothing between reports; the folders are read from the
// configuration record (and, for the responses shown unchanged, from the
// configuration fields) each time a report is built.
class GeneradorReporte
{
public:
    GeneradorReporte(const Conexion &conexion, const CamposConfiguracion &campos, const Reloj &reloj);
    explicit GeneradorReporte(Programa &programa);

    // The title the main window passes.
    static QString tituloRevision();

    // Builds the report of the response file `archivo` (a name without
    // folder) into the target, the body in pieces as the file is read. Returns true when the build completed (a name
    // of no kind included), false when it ended with a failure report: the
    // header followed by a line that says which file and which line could not
    // be read and why. Never throws. guardada: where the journal says this
    // response was stored (empty: the reception folder of its kind).
    bool Genera_Reporte(const QString &titulo, const QString &archivo, DestinoReporte &destino,
                        const QString &guardada = {});

private:
    const Conexion &m_conexion;
    const CamposConfiguracion &m_campos;
    const Reloj &m_reloj;
};
