#pragma once

#include "core/reportes/CargaReporte.h"

#include <QTimer>
#include <QWidget>

class CuadroReporte;
class ModeloHistorial;
class Programa;
class QAbstractButton;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPrinter;
class QTreeView;

// The history window: the filters (dates, kind, name, pedimento), the
// transmissions with their responses (ModeloHistorial), the report of the
// response double-clicked, and the receipt of the selected transmission,
// printed or saved as PDF. Not modal; it follows the journal while shown.
// Escape and "Cerrar" close it; Enter in any filter searches.
class frmHistorial : public QWidget
{
    Q_OBJECT
public:
    explicit frmHistorial(Programa &programa, QWidget *parent = nullptr);
    ~frmHistorial() override;

    // Shows the window (reading the journal again) and brings it forward.
    void muestra();

    ModeloHistorial &modelo() const { return *m_modelo; }
    QDateEdit *dtpDesde() const { return m_desde; }
    QDateEdit *dtpHasta() const { return m_hasta; }
    QComboBox *cboTipo() const { return m_tipo; }
    QLineEdit *txtNombre() const { return m_nombre; }
    QLineEdit *txtPedimento() const { return m_pedimento; }
    QAbstractButton *cmdBuscar() const { return m_buscar; }
    QTreeView *lvwHistorial() const { return m_lista; }
    CuadroReporte *rtbReporte() const { return m_reporte; }
    QAbstractButton *cmdImprimeAcuse() const { return m_imprime; }
    QAbstractButton *cmdGuardaPdf() const { return m_pdf; }
    QLabel *lblCuenta() const { return m_cuenta; }
    QAbstractButton *cmdCerrar() const { return m_cerrar; }
    // The journal's change number of the last search (-1: it must be read
    // again); its rows are shown once the model is no longer querying.
    qint64 versionConsultada() const { return m_version; }

    // Applies the filters of the window.
    void busca();
    // Shows the report of the response at the index (nothing for a transmission).
    void muestraReporte(const QModelIndex &indice);
    // The receipt of the selected transmission (of a response's too):
    // printed through the print dialog, or written to the PDF file chosen.
    void imprimeAcuse();
    void guardaAcusePdf();

protected:
    void keyPressEvent(QKeyEvent *evento) override;

private:
    // The selected transmission's receipt as printable text; empty when none is selected.
    QString acuseSeleccionado(QString *nombre = nullptr) const;
    void imprime(const QString &texto, QPrinter &impresora) const;
    void actualizaBotones();
    // How many transmissions the list shows, in the label under it.
    void muestraCuenta();
    void sigueDiario();

    Programa &m_programa;
    // Builds the report shown (a large one on a worker); abandoned when the
    // window goes, before its report box.
    CargaReporte m_carga;
    ModeloHistorial *m_modelo = nullptr;
    QDateEdit *m_desde = nullptr;
    QDateEdit *m_hasta = nullptr;
    QComboBox *m_tipo = nullptr;
    QLineEdit *m_nombre = nullptr;
    QLineEdit *m_pedimento = nullptr;
    QAbstractButton *m_buscar = nullptr;
    QTreeView *m_lista = nullptr;
    CuadroReporte *m_reporte = nullptr;
    QAbstractButton *m_imprime = nullptr;
    QAbstractButton *m_pdf = nullptr;
    QLabel *m_cuenta = nullptr;
    QAbstractButton *m_cerrar = nullptr;
    QTimer m_vigia;
    qint64 m_version = -1;
};
