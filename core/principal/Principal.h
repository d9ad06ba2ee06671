#pragma once

#include "core/archivos/ArchivosAgencia.h"
#include "core/archivos/ListadoCarpeta.h"
#include "core/reportes/CargaReporte.h"
#include "core/reportes/ConteoErrores.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

class CicloRecepcion;
class DestinoReporte;
class Programa;

// What the main window decides, without its widgets: the two selectors with
// their tags, the pattern and the search that fill the agency file list,
// names typed in the name box, adding files to the send list, the three
// removals and the report of a clicked response entry. The window shows
// this state and forwards its clicks here; every message goes through the
// program's Dialogos.
class Principal : public QObject
{
    Q_OBJECT
public:
    enum Selector { Dia = 0, Tipo = 1 };

    // The entries of a selector, in order.
    static QStringList entradas(Selector selector);
    // TipoActual of a type entry: "M", "E", "S", "D".
    static QString letraTipo(int entrada);
    // The configuration field of the send folder a type entry lists: 5, 9, 11, 5.
    static int campoTipo(int entrada);
    // PatronActual from the type letter, the day selector's entry, the name
    // box, the patente and the julian day.
    static QString construyePatron(const QString &tipo, int dia, const QString &texto, int patente, int diaJuliano);

    Principal(Programa &programa, CicloRecepcion &ciclo, QObject *parent = nullptr);

    // The end of loading: TipoActual "M", its pattern, then each selector
    // gets its tag "0" and its first entry, which fills the agency list.
    void inicia();

    const QString &TipoActual() const { return m_tipoActual; }
    const QString &PatronActual() const { return m_patronActual; }
    int ElementoActual() const { return m_elementoActual; }
    int seleccion(Selector selector) const { return m_seleccion[selector]; }
    const QString &etiqueta(Selector selector) const { return m_etiqueta[selector]; }

    // The name box txtPreval.
    const QString &texto() const { return m_texto; }
    void ponTexto(const QString &texto);

    ArchivosAgencia &archivos() { return m_archivos; }
    const ListadoCarpeta &listado() const { return m_listado; }

    // The report box; the report of a response entry and the emptying of the
    // send list write there. A report still loading into the previous box is
    // abandoned.
    void ponReporte(DestinoReporte *reporte);

    // A selector's entry was picked (also the entry already selected).
    void elige(Selector selector, int entrada);
    // The search: search button, Enter in the name box, end of a selector change.
    void busca();
    // Refills the agency file list from the folder listing, in one update.
    void Llena_Archivos();
    // Double-click on a row of the agency file list.
    void agregaArchivo(int fila);
    // Removal of the selected send-list entry (button or Delete key); -1: none selected.
    void quitaEnvio(int fila);
    // Removal of the selected reception-list entry.
    void quitaRecepcion(int fila);
    // Empties the send list and the report box.
    void vaciaEnvio();
    // Click on the send list (lista 0) or the reception list (lista 1). A
    // large report is built off the window's thread and replaces the box's
    // content when it is ready; a report still loading is abandoned.
    void muestraReporte(int lista, int fila);
    // Empties the report box, abandoning a report still loading.
    void vaciaReporte();
    bool cargandoReporte() const { return m_carga.cargando(); }
    // The program ends: the report in progress is abandoned and the workers
    // of the reports and of the error counts are joined.
    void terminaTrabajos()
    {
        m_carga.termina();
        m_conteo.termina();
    }
    // How many errors the report of a response entry shows: a response of
    // the send list (lista 0), or the validation response an entry of the
    // reception list (lista 1) already received. ConteoErrores::kSinCuenta
    // while it is being counted (erroresContados follows) or when none
    // applies (a file waiting to be sent, a response shown unchanged).
    int errores(int lista, int fila);

signals:
    void erroresContados();
    void textoCambiado(const QString &texto);
    void seleccionCambiada(Principal::Selector selector, int entrada);

private:
    void agregaNombreEscrito();
    void avisaCarpeta(bool existe);
    void avisaIlegibles();
    void agregaEnvio(const QString &nombre, int icono);
    void cambiaLista(const std::function<void()> &cambio);

    Programa &m_programa;
    CicloRecepcion &m_ciclo;
    DestinoReporte *m_reporte = nullptr;
    ConteoErrores m_conteo;
    CargaReporte m_carga;
    ArchivosAgencia m_archivos;
    ListadoCarpeta m_listado;
    QString m_tipoActual;
    QString m_patronActual;
    QString m_texto;
    int m_elementoActual = -1;
    std::array<int, 2> m_seleccion {-1, -1};
    std::array<QString, 2> m_etiqueta;
    std::optional<QString> m_carpetaAvisada; // the missing folder already reported
    QSet<QString> m_ilegiblesAvisados; // files whose names are not UTF-8, already reported
};
