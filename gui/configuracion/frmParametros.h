#pragma once

#include <QDialog>
#include <QTimer>

class Parametros;
class Programa;
class QAbstractButton;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTabWidget;
class QToolBar;

// The configuration window: its tool bar of ten buttons, the tab
// "Generales" (patente, agent, connection type, address, telephone, proxy,
// encryption and certificate file), the tab "Directorios de Archivos" (eight
// folders with their pickers) and the tab "Recepción" (the minutes before a
// file without responses is flagged).
// It mirrors the configuration fields and the mode of Parametros and
// forwards every edit and click; it is created once and only ever hidden.
class frmParametros : public QDialog
{
    Q_OBJECT
public:
    frmParametros(Programa &programa, Parametros &parametros, QWidget *parent = nullptr);

    // Shows the window modally over the program (without blocking the caller).
    void muestra();
    // A short notice under the pages ("Configuración guardada"), for a few seconds.
    void avisa(const QString &texto);
    QString aviso() const;

    QToolBar *tlbParametros() const { return m_tlbParametros; }
    QAction *boton(int n) const { return m_botones[n - 1]; } // 1 to 10
    QTabWidget *sstParametros() const { return m_sstParametros; }
    QLineEdit *txtParametros(int n) const { return m_txtParametros[n]; }
    QComboBox *cboParametros() const { return m_cboParametros; }
    QCheckBox *chkParametros() const { return m_chkParametros; }
    QSpinBox *spnEspera() const { return m_spnEspera; }
    QAbstractButton *cmdParametros(int n) const { return m_cmdParametros[n]; }
    // The encryption of the sessions and the certificate file with its picker.
    QComboBox *cboCifrado() const { return m_cboCifrado; }
    QLineEdit *txtCertificado() const { return m_txtCertificado; }
    QAbstractButton *cmdCertificado() const { return m_cmdCertificado; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    QWidget *construyeGenerales();
    QWidget *construyeDirectorios();
    QWidget *construyeRecepcion();
    void muestraCampos();
    void muestraModo();

    Programa &m_programa;
    Parametros &m_parametros;
    QToolBar *m_tlbParametros = nullptr;
    QAction *m_botones[10] = {};
    QTabWidget *m_sstParametros = nullptr;
    QLineEdit *m_txtParametros[13] = {};
    QComboBox *m_cboParametros = nullptr;
    QCheckBox *m_chkParametros = nullptr;
    QSpinBox *m_spnEspera = nullptr;
    QAbstractButton *m_cmdParametros[8] = {};
    QComboBox *m_cboCifrado = nullptr;
    QLineEdit *m_txtCertificado = nullptr;
    QAbstractButton *m_cmdCertificado = nullptr;
    QLabel *m_aviso = nullptr;
    bool m_modificarVisible = true;
    QTimer m_finAviso;
};
