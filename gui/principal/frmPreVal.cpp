#include "gui/principal/frmPreVal.h"

#include "core/oficina/Programa.h"
#include "core/base/Reloj.h"
#include "core/base/Vb.h"
#include "gui/principal/BarraEstado.h"
#include "gui/principal/CuadroReporte.h"
#include "gui/comun/Iconos.h"
#include "gui/principal/ModeloIconos.h"
#include "core/principal/Principal.h"
#include "core/principal/ComandosBarra.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinter>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

QToolButton *botonIcono(const QString &icono, const QString &ayuda, QWidget *padre)
{
    auto *boton = new QToolButton(padre);
    boton->setIcon(Iconos::boton(icono));
    boton->setIconSize(QSize(20, 20));
    boton->setToolTip(ayuda);
    boton->setFocusPolicy(Qt::TabFocus);
    return boton;
}

QLabel *etiqueta(const QString &texto, QWidget *padre, bool titulo = false)
{
    auto *l = new QLabel(texto, padre);
    if (titulo) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

QVBoxLayout *columna(QWidget *w)
{
    auto *diseno = new QVBoxLayout(w);
    diseno->setContentsMargins(6, 6, 6, 6);
    diseno->setSpacing(4);
    return diseno;
}

} // namespace

const QList<frmPreVal::BotonBarra> &frmPreVal::botonesBarra()
{
    static const QList<BotonBarra> botones = {
        {QStringLiteral("Enviar/Recibir"), QStringLiteral("enviar"),
         QStringLiteral("Envia los archivos a Prevalidación/Validación")},
        {QStringLiteral("Recibir"), QStringLiteral("recibir"),
         QStringLiteral("Inicia la recepción manual de archivos")},
        {QStringLiteral("Detener"), QStringLiteral("detener"),
         QStringLiteral("Detiene la recepción de archivos en proceso")},
        {QStringLiteral("Actualizar Catálogo"), QStringLiteral("caterr"),
         QStringLiteral("Actualiza el catálogo de errores")},
        {QStringLiteral("Configuración"), QStringLiteral("parametros"),
         QStringLiteral("Configuración de rutas de los archivos")},
        {QStringLiteral("Salir"), QStringLiteral("salir"), QStringLiteral("Cierra el módulo de envío de archivos M3")},
    };
    return botones;
}

frmPreVal::frmPreVal(Programa &programa, Principal &principal, ComandosBarra &comandos, QWidget *parent)
    : QMainWindow(parent)
    , m_programa(programa)
    , m_principal(principal)
    , m_comandos(comandos)
{
    setObjectName(QStringLiteral("frmPreVal"));
    setWindowTitle(programa.titulo());
    setWindowIcon(Iconos::lista(2));
    construyeBarra();

    m_divisor = new QSplitter(Qt::Horizontal, this);
    m_divisor->addWidget(construyeSeleccion());
    m_divisor->addWidget(construyeListas());
    m_divisor->addWidget(construyeReporte());
    m_divisor->setStretchFactor(0, 0);
    m_divisor->setStretchFactor(1, 0);
    m_divisor->setStretchFactor(2, 1);
    m_divisor->setChildrenCollapsible(false);
    m_divisor->setSizes({270, 330, 760});
    setCentralWidget(m_divisor);

    const QDate hoy = programa.reloj().hoy();
    m_stbPrincipal = new BarraEstado(
        programa.reloj(), QLocale::system().toString(hoy, QLocale::LongFormat),
        QStringLiteral("Día Juliano:  ") + Vb::formato(programa.valores().DiaJuliano, QStringLiteral("000")), this);
    setStatusBar(m_stbPrincipal);
    resize(1240, 720);

    qApp->installEventFilter(this);
    principal.ponReporte(m_rtbPreVal);
    dialogoImpresion = [this](QPrinter &impresora) {
        return muestraDialogoImpresion(impresora);
    };
    principal.inicia();
}

frmPreVal::~frmPreVal()
{
    m_principal.ponReporte(nullptr);
}

void frmPreVal::construyeBarra()
{
    m_tlbPreVal = addToolBar(QStringLiteral("tlbPreVal"));
    m_tlbPreVal->setObjectName(QStringLiteral("tlbPreVal"));
    m_tlbPreVal->setMovable(false);
    m_tlbPreVal->setFloatable(false);
    m_tlbPreVal->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_tlbPreVal->setIconSize(QSize(24, 24));
    m_tlbPreVal->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    for (const BotonBarra &b : botonesBarra()) {
        QAction *accion = m_tlbPreVal->addAction(Iconos::boton(b.clave), b.titulo);
        accion->setObjectName(b.clave);
        accion->setData(b.clave);
        accion->setToolTip(b.ayuda);
        const QString clave = b.clave;
        connect(accion, &QAction::triggered, this, [this, clave] { ejecuta(clave); });
        if (b.clave == u"detener" || b.clave == u"parametros")
            m_tlbPreVal->addSeparator();
    }
}

QWidget *frmPreVal::construyeSeleccion()
{
    auto *panel = new QWidget(this);
    auto *diseno = columna(panel);
    const char *const nombres[2] = {"Buscar Por", "Tipo de Archivo"};
    for (int i : {1, 0}) {
        m_lblPreVal[i == 1 ? 3 : 4] = etiqueta(QString::fromUtf8(nombres[i]), panel);
        m_cboPreVal[i] = new QComboBox(panel);
        m_cboPreVal[i]->addItems(Principal::entradas(Principal::Selector(i)));
        m_cboPreVal[i]->setCurrentIndex(-1);
        m_lblPreVal[i == 1 ? 3 : 4]->setBuddy(m_cboPreVal[i]);
        diseno->addWidget(m_lblPreVal[i == 1 ? 3 : 4]);
        diseno->addWidget(m_cboPreVal[i]);
        connect(m_cboPreVal[i], &QComboBox::activated, this,
                [this, i](int entrada) { m_principal.elige(Principal::Selector(i), entrada); });
    }
    connect(&m_principal, &Principal::seleccionCambiada, this,
            [this](Principal::Selector s, int entrada) { m_cboPreVal[s]->setCurrentIndex(entrada); });

    auto *fila = new QHBoxLayout;
    m_txtPreval = new QLineEdit(panel);
    m_txtPreval->setObjectName(QStringLiteral("txtPreval"));
    m_cmdBuscar = botonIcono(QStringLiteral("buscar"), QString(), panel);
    fila->addWidget(m_txtPreval, 1);
    fila->addWidget(m_cmdBuscar);
    diseno->addSpacing(4);
    diseno->addLayout(fila);
    connect(m_txtPreval, &QLineEdit::textEdited, &m_principal, &Principal::ponTexto);
    connect(&m_principal, &Principal::textoCambiado, this, [this](const QString &t) {
        if (m_txtPreval->text() != t)
            m_txtPreval->setText(t);
    });
    connect(m_txtPreval, &QLineEdit::returnPressed, this, [this] {
        if (!m_principal.texto().isEmpty())
            m_principal.busca();
    });
    connect(m_cmdBuscar, &QAbstractButton::clicked, &m_principal, &Principal::busca);

    m_lblPreVal[0] = etiqueta(QStringLiteral("Archivos  Agencia"), panel, true);
    m_lvwArchivos = new QListView(panel);
    m_lvwArchivos->setObjectName(QStringLiteral("lvwArchivos"));
    m_lvwArchivos->setModel(&m_principal.archivos());
    m_lvwArchivos->setUniformItemSizes(true);
    m_lvwArchivos->setSpacing(1);
    m_lvwArchivos->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lvwArchivos->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lblPreVal[0]->setBuddy(m_lvwArchivos);
    diseno->addSpacing(4);
    diseno->addWidget(m_lblPreVal[0]);
    diseno->addWidget(m_lvwArchivos, 1);
    connect(m_lvwArchivos, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &i) { m_principal.agregaArchivo(i.row()); });
    return panel;
}

QWidget *frmPreVal::construyeListas()
{
    auto *panel = new QWidget(this);
    auto *diseno = columna(panel);
    m_lblPreVal[1] = etiqueta(QStringLiteral("Archivos Norvelia (NORV)"), panel, true);
    diseno->addWidget(m_lblPreVal[1]);

    auto *divisor = new QSplitter(Qt::Vertical, panel);
    divisor->setChildrenCollapsible(false);
    ListaArchivos *modelos[2] = {&m_programa.listaEnvio(), &m_programa.listaRecepcion()};
    for (int i = 0; i < 2; ++i) {
        auto *parte = new QWidget(divisor);
        auto *fila = new QHBoxLayout(parte);
        fila->setContentsMargins(0, 0, 0, 0);
        auto *vista = new QTreeView(parte);
        vista->setObjectName(QStringLiteral("lvwPreVal%1").arg(i));
        vista->setModel(new ModeloIconos(modelos[i], vista));
        vista->setRootIsDecorated(false);
        vista->setUniformRowHeights(true);
        vista->setAllColumnsShowFocus(true);
        vista->setHeaderHidden(true);
        vista->setEditTriggers(QAbstractItemView::NoEditTriggers);
        vista->setSelectionMode(QAbstractItemView::SingleSelection);
        vista->setSelectionBehavior(QAbstractItemView::SelectRows);
        vista->setIconSize(QSize(16, 16));
        for (int c = 1; c < modelos[i]->columnCount(); ++c)
            vista->setColumnHidden(c, !(i == 1 && c == 3));
        vista->header()->setStretchLastSection(false);
        vista->header()->setSectionResizeMode(0, QHeaderView::Stretch);
        if (i == 1)
            vista->header()->setSectionResizeMode(3, QHeaderView::ResizeToContents);
        m_lvwPreVal[i] = vista;
        connect(vista, &QAbstractItemView::clicked, this,
                [this, i](const QModelIndex &ix) { m_principal.muestraReporte(i, ix.row()); });

        auto *botones = new QVBoxLayout;
        if (i == 0) {
            m_cmdPreVal
                = botonIcono(QStringLiteral("elimina"), QStringLiteral("Elimina un archivo de lista de envío"), parte);
            m_cmdLimpia = botonIcono(QStringLiteral("limpia"),
                                     QStringLiteral("Elimina todos los elementos de la lista"), parte);
            botones->addWidget(m_cmdPreVal);
            botones->addWidget(m_cmdLimpia);
            connect(m_cmdPreVal, &QAbstractButton::clicked, this,
                    [this] { m_principal.quitaEnvio(filaSeleccionada(0)); });
            connect(m_cmdLimpia, &QAbstractButton::clicked, &m_principal, &Principal::vaciaEnvio);
        } else {
            m_cmdPreElm = botonIcono(QStringLiteral("elimina"),
                                     QStringLiteral("Elimina un archivo de lista de recepción"), parte);
            botones->addWidget(m_cmdPreElm);
            connect(m_cmdPreElm, &QAbstractButton::clicked, this,
                    [this] { m_principal.quitaRecepcion(filaSeleccionada(1)); });
        }
        botones->addStretch();
        fila->addWidget(vista, 1);
        fila->addLayout(botones);
    }
    divisor->setSizes({380, 220});
    diseno->addWidget(divisor, 1);
    return panel;
}

QWidget *frmPreVal::construyeReporte()
{
    auto *panel = new QWidget(this);
    auto *diseno = columna(panel);
    auto *fila = new QHBoxLayout;
    m_lblPreVal[2] = etiqueta(QStringLiteral("REVISIÓN DE ARCHIVOS"), panel, true);
    m_cmdImprime
        = botonIcono(QStringLiteral("imprime"), QStringLiteral("Imprime el reporte de revisión del archivo"), panel);
    fila->addWidget(m_lblPreVal[2], 1);
    fila->addWidget(m_cmdImprime);
    diseno->addLayout(fila);
    m_rtbPreVal = new CuadroReporte(panel);
    m_rtbPreVal->setObjectName(QStringLiteral("rtbPreVal"));
    m_lblPreVal[2]->setBuddy(m_rtbPreVal);
    diseno->addWidget(m_rtbPreVal, 1);
    connect(m_cmdImprime, &QAbstractButton::clicked, this, &frmPreVal::cmdImprime_Click);
    return panel;
}

QAction *frmPreVal::boton(const QString &clave) const
{
    for (QAction *a : m_tlbPreVal->actions())
        if (a->data().toString() == clave)
            return a;
    return nullptr;
}

void frmPreVal::ejecuta(const QString &clave)
{
    // The command runs on by itself when it waits for the server.
    m_comandos.Ejecuta_Comando(clave);
}

int frmPreVal::filaSeleccionada(int lista) const
{
    const QModelIndexList filas = m_lvwPreVal[lista]->selectionModel()->selectedRows();
    return filas.isEmpty() ? -1 : filas.first().row();
}

void frmPreVal::termina()
{
    m_terminando = true;
}

void frmPreVal::closeEvent(QCloseEvent *event)
{
    if (m_terminando) {
        event->accept();
        return;
    }
    event->ignore();
    ejecuta(QStringLiteral("salir"));
    if (m_terminando) // confirmed
        event->accept();
}

// The window sees every key released in it before its controls do: Ctrl+A
// (Ctrl alone held) is the command "agregar"; Delete in the send list
// removes its selected entry.
bool frmPreVal::eventFilter(QObject *objeto, QEvent *evento)
{
    if (evento->type() != QEvent::KeyRelease || !objeto->isWidgetType()
        || static_cast<QWidget *>(objeto)->window() != this)
        return QMainWindow::eventFilter(objeto, evento);
    const auto *tecla = static_cast<QKeyEvent *>(evento);
    if (tecla->key() == Qt::Key_A && tecla->modifiers() == Qt::ControlModifier) {
        ejecuta(QStringLiteral("agregar"));
        return true;
    }
    if (objeto == m_lvwPreVal[0] && tecla->key() == Qt::Key_Delete) {
        m_principal.quitaEnvio(filaSeleccionada(0));
        return true;
    }
    return QMainWindow::eventFilter(objeto, evento);
}

bool frmPreVal::muestraDialogoImpresion(QPrinter &impresora)
{
    QPrintDialog dialogo(&impresora, this);
    dialogo.setOption(QAbstractPrintDialog::PrintSelection, m_rtbPreVal->textCursor().hasSelection());
    return dialogo.exec() == QDialog::Accepted;
}

void frmPreVal::cmdImprime_Click()
{
    if (m_rtbPreVal->document()->isEmpty())
        return;
    QPrinter impresora(QPrinter::HighResolution);
    if (m_rtbPreVal->textCursor().hasSelection())
        impresora.setPrintRange(QPrinter::Selection);
    if (!dialogoImpresion || !dialogoImpresion(impresora))
        return;
    m_rtbPreVal->print(&impresora);
}
