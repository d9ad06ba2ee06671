#pragma once

#include <QKeySequence>
#include <QMainWindow>
#include <QSet>
#include <QTimer>

class BarraEstado;
class CicloRecepcion;
class ComandosBarra;
class CuadroReporte;
class Principal;
class Programa;
class QAbstractButton;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPrinter;
class QSettings;
class QSplitter;
class QToolBar;
class QTreeView;

// The main window: the tool bar, the two selectors, the name box and the
// search, the agency file list, the send list and the reception list with
// their removal buttons, the report box with its print button, and the
// status bar. It shows the state of Principal and the lists and forwards every
// click; the tool bar and Ctrl+A go to Ejecuta_Comando, and so does closing
// the window ("salir").
class frmPreVal : public QMainWindow
{
    Q_OBJECT
public:
    struct BotonBarra {
        QString titulo; // with its "&" letter (Alt + the letter)
        QString clave;
        QString ayuda;
        QKeySequence atajo;
    };
    static const QList<BotonBarra> &botonesBarra();

    frmPreVal(Programa &programa, Principal &principal, ComandosBarra &comandos, QWidget *parent = nullptr);
    ~frmPreVal() override;

    QToolBar *tlbPreVal() const { return m_tlbPreVal; }
    QAction *boton(const QString &clave) const;
    QComboBox *cboPreVal(int indice) const { return m_cboPreVal[indice]; }
    QLineEdit *txtPreval() const { return m_txtPreval; }
    QAbstractButton *cmdBuscar() const { return m_cmdBuscar; }
    QListView *lvwArchivos() const { return m_lvwArchivos; }
    QTreeView *lvwPreVal(int indice) const { return m_lvwPreVal[indice]; }
    QAbstractButton *cmdPreVal() const { return m_cmdPreVal; }
    QAbstractButton *cmdPreElm() const { return m_cmdPreElm; }
    QAbstractButton *cmdLimpia() const { return m_cmdLimpia; }
    QAbstractButton *cmdImprime() const { return m_cmdImprime; }
    CuadroReporte *rtbPreVal() const { return m_rtbPreVal; }
    QLabel *lblPreVal(int indice) const { return m_lblPreVal[indice]; }
    BarraEstado *stbPrincipal() const { return m_stbPrincipal; }

    // Prints the report box: the whole report, or only the selected part
    // when text is selected. Nothing when the box is empty; a cancelled
    // dialog or a printer that fails ends it without a message.
    // The print dialog is the program's Dialogos.
    void cmdImprime_Click();

    // Size, position and the splitters' positions, kept between runs.
    void guardaGeometria(QSettings &ajustes) const;
    void restauraGeometria(const QSettings &ajustes);

    // The program ends: the window closes without asking again.
    void termina();

    // Follows the receive cycle: its state in the status bar ("Esperando 4
    // respuestas", "Recepción terminada", no connection since when) and the
    // send list's removal button.
    void sigueCiclo(CicloRecepcion &ciclo);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *objeto, QEvent *evento) override;

private:
    void construyeBarra();
    QWidget *construyeSeleccion();
    QWidget *construyeListas();
    QWidget *construyeReporte();
    void ejecuta(const QString &clave);
    int filaSeleccionada(int lista) const;
    void muestraReporteDe(int fila);
    void avisaEspera(int respuestas);
    void actualizaCuentas();
    void marcaDemoradas();

    Programa &m_programa;
    Principal &m_principal;
    ComandosBarra &m_comandos;
    bool m_terminando = false;
    int m_filaReporte = -1; // the send-list row whose report the box shows
    CicloRecepcion *m_ciclo = nullptr;
    QLabel *m_lblCuentaAgencia = nullptr;

    QToolBar *m_tlbPreVal = nullptr;
    QComboBox *m_cboPreVal[2] = {};
    QLineEdit *m_txtPreval = nullptr;
    QAbstractButton *m_cmdBuscar = nullptr;
    QListView *m_lvwArchivos = nullptr;
    QTreeView *m_lvwPreVal[2] = {};
    QAbstractButton *m_cmdPreVal = nullptr;
    QAbstractButton *m_cmdPreElm = nullptr;
    QAbstractButton *m_cmdLimpia = nullptr;
    QAbstractButton *m_cmdImprime = nullptr;
    CuadroReporte *m_rtbPreVal = nullptr;
    QLabel *m_lblPreVal[5] = {};
    BarraEstado *m_stbPrincipal = nullptr;
    // The last send went in the clear though TLS was asked for when the
    // server offers it: the status bar says so until the next command.
    QString m_sinCifrar;
    QSplitter *m_divisor = nullptr;
    QTimer m_demoras;
    QTimer m_marcaPendiente;
    // Keys pressed in this window and not released yet.
    QSet<int> m_teclasPulsadas;
};
