#pragma once

#include <QDateTime>
#include <QString>

class Conexion;
class DestinoReporte;
class Programa;

// The report builder: turns one response file into its revision report.
// One builder serves one report: the folders are read from the configuration
// record when the report is built (and, for the responses shown unchanged,
// from the configuration fields when the builder is made), and the header
// carries the moment the builder was made.
class GeneradorReporte
{
public:
    // A builder on a connection of its own (a worker's): sinCambios is the
    // folder of the responses shown unchanged, momento the header's time.
    GeneradorReporte(const Conexion &conexion, QString sinCambios, QDateTime momento);
    explicit GeneradorReporte(Programa &programa);

    // The title the main window passes.
    static QString tituloRevision();

    // Builds the report of the response file `archivo` (a name without
    // folder) into the target, the body in pieces as the file is read. Returns true when the build completed (a name
    // of no kind included), false when it ended with a failure report: the
    // header followed by a line that says which file and which line could not
    // be read and why. Never throws. guardada: where the journal says this
    // response was stored (empty: the reception folder of its kind).
    // respuesta: the response's id in the journal (0: not known); when the
    // file is not on this workstation, its bytes in the journal are read.
    bool Genera_Reporte(const QString &titulo, const QString &archivo, DestinoReporte &destino,
                        const QString &guardada = {}, qint64 respuesta = 0);

    // Where the builder reads the response `archivo` (as Genera_Reporte
    // takes it); empty when it has no kind or its folder is not configured
    // or cannot be read.
    QString ruta(const QString &archivo, const QString &guardada = {}) const;

private:
    QString ubica(const QString &archivo, const QString &guardada) const;

    const Conexion &m_conexion;
    QString m_sinCambios;
    QDateTime m_momento;
};
