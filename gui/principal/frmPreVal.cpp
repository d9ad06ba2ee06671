#include "gui/principal/frmPreVal.h"

#include "core/base/Dialogos.h"
#include "gui/comun/TeclaEnter.h"
#include "gui/comun/Ubicacion.h"
#include "core/oficina/Programa.h"
#include "core/base/Reloj.h"
#include "core/base/Vb.h"
#include "gui/principal/BarraEstado.h"
#include "gui/principal/CuadroReporte.h"
#include "gui/comun/Iconos.h"
#include "gui/principal/ModeloIconos.h"
#include "core/principal/Principal.h"
#include "core/principal/ComandosBarra.h"
#include "core/envio/EnvioArchivos.h"
#include "core/recepcion/CicloRecepcion.h"
#include "core/base/ErrorTendal.h"
#include "core/historial/EsperaRespuesta.h"

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
#include <QPrinter>
#include <QAbstractTextDocumentLayout>
#include <QSettings>
#include <QSplitter>
#include <QStyle>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <memory>

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

// Prints a copy of the report (or of its selection) laid out on the page:
// every line wraps at the page width (at a blank when it can, anywhere when
// it must), so no character is lost, and the pages carry nothing that the
// box does not show (no page numbers).
void imprimeReporte(const QPlainTextEdit &cuadro, QPrinter &impresora)
{
    const QTextDocument &original = *cuadro.document();
    std::unique_ptr<QTextDocument> copia;
    const QTextCursor cursor = cuadro.textCursor();
    if (impresora.printRange() == QPrinter::Selection && cursor.hasSelection()) {
        copia = std::make_unique<QTextDocument>();
        copia->setDefaultFont(original.defaultFont());
        QTextCursor(copia.get()).insertFragment(cursor.selection());
    } else {
        copia.reset(original.clone());
    }
    QTextOption opcion = copia->defaultTextOption();
    opcion.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    copia->setDefaultTextOption(opcion);
    copia->documentLayout()->setPaintDevice(&impresora);
    copia->setPageSize(QSizeF(impresora.width(), impresora.height()));
    copia->print(&impresora);
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
        {QStringLiteral("&Enviar/Recibir"), QStringLiteral("enviar"),
         QStringLiteral("Envia los archivos a Prevalidación/Validación"), QKeySequence(Qt::CTRL | Qt::Key_E)},
        {QStringLiteral("&Recibir"), QStringLiteral("recibir"),
         QStringLiteral("Inicia la recepción manual de archivos"), QKeySequence(Qt::CTRL | Qt::Key_R)},
        {QStringLiteral("&Detener"), QStringLiteral("detener"),
         QStringLiteral("Detiene la recepción de archivos en proceso"), QKeySequence(Qt::CTRL | Qt::Key_D)},
        {QStringLiteral("&Actualizar Catálogo"), QStringLiteral("caterr"),
         QStringLiteral("Actualiza el catálogo de errores"), QKeySequence(Qt::CTRL | Qt::Key_U)},
        {QStringLiteral("&Historial"), QStringLiteral("historial"),
         QStringLiteral("Muestra los archivos enviados con sus respuestas y sus acuses de envío"),
         QKeySequence(Qt::CTRL | Qt::Key_H)},
        {QStringLiteral("&Configuración"), QStringLiteral("parametros"),
         QStringLiteral("Configuración de rutas de los archivos"), QKeySequence(Qt::CTRL | Qt::Key_Comma)},
        {QStringLiteral("&Salir"), QStringLiteral("salir"), QStringLiteral("Cierra el módulo de envío de archivos M3"),
         QKeySequence(Qt::CTRL | Qt::Key_Q)},
    };
    return botones;
}

frmPreVal::frmPreVal(Programa &programa, Principal &principal, ComandosBarra &comandos, QWidget *parent)
    : QMainWindow(parent)
    , m_programa(programa)
    , m_principal(principal)
    , m_comandos(comandos)
{
    TeclaEnter::instala();
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
    Ubicacion::centraSobre(*this, nullptr);

    actualizaCuentas();
    // Files that wait too long for their responses are flagged in the
    // reception list: once after the list changes (a tick that takes
    // hundreds of entries out asks the journal once, not once per entry;
    // meanwhile the flags move with their rows), and every 20 seconds.
    ListaRecepcion &recepcion = programa.listaRecepcion();
    m_marcaPendiente.setSingleShot(true);
    m_marcaPendiente.setInterval(0);
    connect(&m_marcaPendiente, &QTimer::timeout, this, &frmPreVal::marcaDemoradas);
    const auto pideMarcas = [this] {
        m_marcaPendiente.start();
    };
    connect(&recepcion, &QAbstractItemModel::modelReset, this, pideMarcas);
    connect(&recepcion, &QAbstractItemModel::rowsInserted, this, pideMarcas);
    connect(&recepcion, &QAbstractItemModel::rowsRemoved, this, pideMarcas);
    m_demoras.setInterval(20000);
    connect(&m_demoras, &QTimer::timeout, this, &frmPreVal::marcaDemoradas);
    m_demoras.start();
    marcaDemoradas();
    // What a command does shows in the window: a busy cursor while it runs,
    // the file being sent in the status bar.
    connect(&comandos, &ComandosBarra::ocupadoCambiado, this, [this](bool ocupado) {
        if (ocupado) {
            if (!m_sinCifrar.isEmpty() && m_stbPrincipal->aviso() == m_sinCifrar)
                m_stbPrincipal->ponAviso(QString());
            m_sinCifrar.clear();
            setCursor(Qt::BusyCursor);
            return;
        }
        unsetCursor();
        m_stbPrincipal->quitaAvance();
        if (m_stbPrincipal->aviso().startsWith(QStringLiteral("Enviando")))
            m_stbPrincipal->ponAviso(m_sinCifrar);
        if (m_ciclo && m_ciclo->habilitado())
            avisaEspera(m_ciclo->respuestasPendientes());
    });
    connect(&comandos.envio(), &EnvioArchivos::enviandoArchivo, this,
            [this](const QString &nombre, int numero, int total) {
                m_stbPrincipal->quitaAvance();
                m_stbPrincipal->ponAviso(QStringLiteral("Enviando %1 (%2 de %3)%4…")
                                             .arg(nombre)
                                             .arg(numero)
                                             .arg(total)
                                             .arg(m_sinCifrar.isEmpty() ? QString() : QStringLiteral(" sin cifrar")));
            });
    connect(&comandos.envio(), &EnvioArchivos::envioSinCifrar, this, [this](const QString &texto) {
        m_sinCifrar = texto;
        m_stbPrincipal->ponAviso(texto);
    });
    connect(&comandos.envio(), &EnvioArchivos::avanceEnvio, this,
            [this](const QString &, qint64 enviado, qint64 total) { m_stbPrincipal->ponAvance(enviado, total); });
    qApp->installEventFilter(this);
    principal.ponReporte(m_rtbPreVal);
    principal.inicia();
}

frmPreVal::~frmPreVal()
{
    m_principal.ponReporte(nullptr);
    // The lists are laid out once more while QWidget closes the window,
    // after this object is gone: they no longer ask it for error counts.
    for (ModeloIconos *modelo : findChildren<ModeloIconos *>())
        modelo->ponErrores({});
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
        // The button shows the "&" letter (Alt + letter); the tooltip names the shortcut.
        accion->setIconText(b.titulo);
        accion->setShortcut(b.atajo);
        accion->setShortcutContext(Qt::WindowShortcut);
        accion->setToolTip(b.ayuda + QStringLiteral(" (") + b.atajo.toString(QKeySequence::NativeText) + u')');
        if (QWidget *boton = m_tlbPreVal->widgetForAction(accion))
            boton->setFocusPolicy(Qt::TabFocus);
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
    const char *const nombres[2] = {"Buscar &Por", "&Tipo de Archivo"};
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

    m_lblPreVal[0] = etiqueta(QStringLiteral("Archivos  A&gencia"), panel, true);
    m_lblCuentaAgencia = new QLabel(panel);
    m_lblCuentaAgencia->setObjectName(QStringLiteral("lblCuentaAgencia"));
    m_lblCuentaAgencia->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_lvwArchivos = new QListView(panel);
    m_lvwArchivos->setObjectName(QStringLiteral("lvwArchivos"));
    m_lvwArchivos->setModel(&m_principal.archivos());
    m_lvwArchivos->setUniformItemSizes(true);
    m_lvwArchivos->setSpacing(1);
    m_lvwArchivos->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lvwArchivos->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lblPreVal[0]->setBuddy(m_lvwArchivos);
    diseno->addSpacing(4);
    auto *titulo = new QHBoxLayout;
    titulo->addWidget(m_lblPreVal[0], 1);
    titulo->addWidget(m_lblCuentaAgencia);
    diseno->addLayout(titulo);
    diseno->addWidget(m_lvwArchivos, 1);
    for (auto senal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(&m_principal.archivos(), senal, this, &frmPreVal::actualizaCuentas);
    connect(&m_principal.archivos(), &QAbstractItemModel::modelReset, this, &frmPreVal::actualizaCuentas);
    connect(m_lvwArchivos, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &i) { m_principal.agregaArchivo(i.row()); });
    return panel;
}

QWidget *frmPreVal::construyeListas()
{
    auto *panel = new QWidget(this);
    auto *diseno = columna(panel);
    m_lblPreVal[1] = etiqueta(QStringLiteral("Archivos &Norvelia (NORV)"), panel, true);
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
        auto *modelo = new ModeloIconos(modelos[i], vista);
        modelo->ponErrores([this, i](int fila) { return m_principal.errores(i, fila); });
        connect(&m_principal, &Principal::erroresContados, modelo, &ModeloIconos::erroresCambiados);
        connect(modelo, &ModeloIconos::aspectoCambiado, vista, [vista] { vista->viewport()->update(); });
        vista->setModel(modelo);
        vista->setRootIsDecorated(false);
        vista->setUniformRowHeights(true);
        vista->setAllColumnsShowFocus(true);
        vista->header()->setSectionsMovable(false);
        vista->setEditTriggers(QAbstractItemView::NoEditTriggers);
        vista->setSelectionMode(QAbstractItemView::SingleSelection);
        vista->setSelectionBehavior(QAbstractItemView::SelectRows);
        vista->setIconSize(QSize(16, 16));
        for (int c = 1; c < modelos[i]->columnCount(); ++c)
            vista->setColumnHidden(c, !(i == 1 && c == 3));
        vista->header()->setStretchLastSection(false);
        vista->header()->setSectionResizeMode(0, QHeaderView::Stretch);
        // The time's width is worked out from the font (ponTitulos), not
        // from every row: sizing a column to its contents asks each row of
        // a backlog of thousands at every change of the list.
        if (i == 1)
            vista->header()->setSectionResizeMode(3, QHeaderView::Fixed);
        m_lvwPreVal[i] = vista;
        // A click that made the entry current has shown its report already.
        connect(vista, &QAbstractItemView::clicked, this, [this, i](const QModelIndex &ix) {
            if (i != 0 || ix.row() != m_filaReporte)
                m_principal.muestraReporte(i, ix.row());
        });
        if (i == 0)
            connect(vista->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                    [this](const QModelIndex &actual) { muestraReporteDe(actual.row()); });

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
    m_lblPreVal[1]->setBuddy(m_lvwPreVal[0]);
    divisor->setSizes({380, 220});
    diseno->addWidget(divisor, 1);
    for (ListaArchivos *modelo : modelos)
        for (auto senal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
            connect(modelo, senal, this, &frmPreVal::actualizaCuentas);
    for (ListaArchivos *modelo : modelos)
        connect(modelo, &QAbstractItemModel::modelReset, this, &frmPreVal::actualizaCuentas);
    return panel;
}

QWidget *frmPreVal::construyeReporte()
{
    auto *panel = new QWidget(this);
    auto *diseno = columna(panel);
    auto *fila = new QHBoxLayout;
    m_lblPreVal[2] = etiqueta(QStringLiteral("RE&VISIÓN DE ARCHIVOS"), panel, true);
    // On a narrow screen the title takes two lines rather than room from the lists.
    m_lblPreVal[2]->setWordWrap(true);
    m_cmdImprime = botonIcono(QStringLiteral("imprime"),
                              QStringLiteral("Imprime el reporte de revisión del archivo (")
                                  + QKeySequence(QKeySequence::Print).toString(QKeySequence::NativeText) + u')',
                              panel);
    m_cmdImprime->setShortcut(QKeySequence::Print);
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
    m_comandos.inicia(clave);
}

// The report box shows the current entry of the send list, whether it came
// by a click, by the keys or by a change of the list: the report of a
// response, nothing for a file that waits to be sent.
void frmPreVal::muestraReporteDe(int fila)
{
    const ListaEnvio &envio = m_programa.listaEnvio();
    m_filaReporte = fila;
    if (fila >= 0 && fila < envio.cuenta() && envio.celda(fila, ListaEnvio::Estado) != u"E")
        m_principal.muestraReporte(0, fila);
    else
        m_principal.vaciaReporte();
}

int frmPreVal::filaSeleccionada(int lista) const
{
    const QModelIndexList filas = m_lvwPreVal[lista]->selectionModel()->selectedRows();
    return filas.isEmpty() ? -1 : filas.first().row();
}

void frmPreVal::avisaEspera(int respuestas)
{
    const QString espera = respuestas == 0   ? QStringLiteral("Ninguna respuesta en espera")
                           : respuestas == 1 ? QStringLiteral("Esperando 1 respuesta")
                                             : QStringLiteral("Esperando %1 respuestas").arg(respuestas);
    m_stbPrincipal->ponAviso(m_sinCifrar.isEmpty() ? espera : espera + QStringLiteral(". ") + m_sinCifrar);
}

// How many entries each list holds, beside its title.
void frmPreVal::actualizaCuentas()
{
    const auto archivos = [](int n) {
        return n == 1 ? QStringLiteral("1 archivo") : QStringLiteral("%1 archivos").arg(n);
    };
    m_lblCuentaAgencia->setText(archivos(m_principal.archivos().rowCount()));
    const int envio = m_programa.listaEnvio().cuenta();
    const int recepcion = m_programa.listaRecepcion().cuenta();
    auto *modeloEnvio = static_cast<ModeloIconos *>(m_lvwPreVal[0]->model());
    auto *modeloRecepcion = static_cast<ModeloIconos *>(m_lvwPreVal[1]->model());
    modeloEnvio->ponTitulo(0, QStringLiteral("Lista de envío (%1)").arg(envio));
    modeloRecepcion->ponTitulo(0, QStringLiteral("En espera de respuesta (%1)").arg(recepcion));
    // A file passed to this list with "Recibir" was not uploaded: its time
    // is when it was passed.
    modeloRecepcion->ponTitulo(3, QStringLiteral("Hora"),
                               QStringLiteral("Hora: cuándo se envió el archivo, o cuándo pasó a esta lista con "
                                              "«Recibir» sin enviarse."));
    // The reception list is never narrower than its titles, so that its
    // count stays in sight on a small screen at a large scale.
    QTreeView *vista = m_lvwPreVal[1];
    const QHeaderView *cabecera = vista->header();
    // The time under "Hora" as the list writes it, with the cell's margins.
    const int hora = vista->fontMetrics().horizontalAdvance(QStringLiteral("00:00 p. m.")) + 16;
    vista->header()->resizeSection(3, std::max(cabecera->sectionSizeHint(3), hora));
    const int ancho = cabecera->sectionSizeHint(0) + std::max(cabecera->sectionSizeHint(3), hora)
                      + 2 * vista->frameWidth()
                      + vista->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, vista);
    vista->setMinimumWidth(ancho);
}

void frmPreVal::marcaDemoradas()
{
    const EsperaRespuesta espera(m_programa);
    QSet<qint64> demoradas;
    try {
        demoradas = espera.demoradas();
    } catch (const ErrorTendal &) {
        return; // the database does not answer: the marks stay until the next look
    }
    const ListaRecepcion &recepcion = m_programa.listaRecepcion();
    QSet<int> filas;
    for (int i = 0; i < recepcion.cuenta(); ++i)
        if (demoradas.contains(recepcion.transmision(i)))
            filas.insert(i);
    static_cast<ModeloIconos *>(m_lvwPreVal[1]->model())->marcaFilas(filas, espera.texto());
}

void frmPreVal::sigueCiclo(CicloRecepcion &ciclo)
{
    m_ciclo = &ciclo;
    const auto esperando = [this](int respuestas) {
        avisaEspera(respuestas);
    };
    // The count follows the reception list (an entry removed by hand), and
    // a cycle that stops with nothing awaited says so.
    connect(&ciclo, &CicloRecepcion::estadoCambiado, this, [this, &ciclo, esperando](bool habilitado) {
        if (habilitado)
            esperando(ciclo.respuestasPendientes());
        else if (m_stbPrincipal->aviso().startsWith(QStringLiteral("Esperando")))
            esperando(0);
    });
    connect(&m_programa.listaRecepcion(), &QAbstractItemModel::rowsRemoved, this, [this, &ciclo, esperando] {
        if (ciclo.habilitado() && m_stbPrincipal->aviso().startsWith(QStringLiteral("Esperando")))
            esperando(ciclo.respuestasPendientes());
    });
    connect(&ciclo, &CicloRecepcion::esperandoRespuestas, this, [this, esperando](int respuestas) {
        m_cmdPreVal->setEnabled(true);
        esperando(respuestas);
    });
    connect(&ciclo, &CicloRecepcion::recepcionTerminada, this,
            [this] { m_stbPrincipal->avisaBreve(QStringLiteral("Recepción terminada")); });
    connect(&ciclo, &CicloRecepcion::detenido, this,
            [this] { m_stbPrincipal->avisaBreve(QStringLiteral("Recepción detenida")); });
    connect(&ciclo, &CicloRecepcion::sinConexion, this, [this](const QDateTime &desde) {
        // The tick failed on the database rather than on the FTP server.
        const QDateTime base = m_programa.conexion().perdidaDesde();
        if (base.isValid())
            m_stbPrincipal->ponAviso(
                QStringLiteral("Sin conexión con la base de datos desde %1; se reintenta cada 5 segundos")
                    .arg(base.toLocalTime().time().toString(QStringLiteral("HH:mm:ss"))));
        else
            m_stbPrincipal->ponAviso(
                QStringLiteral("Sin conexión con el servidor desde %1; se reintenta cada 5 segundos")
                    .arg(desde.time().toString(QStringLiteral("HH:mm:ss"))));
    });
    if (ciclo.habilitado())
        esperando(ciclo.respuestasPendientes());
}

namespace {
const QString kGeometria = QStringLiteral("principal/geometria");
const QString kDivisores = QStringLiteral("principal/divisores");
} // namespace

void frmPreVal::guardaGeometria(QSettings &ajustes) const
{
    ajustes.setValue(kGeometria, saveGeometry());
    QList<QVariant> divisores;
    for (const QSplitter *d : findChildren<QSplitter *>())
        divisores << d->saveState();
    ajustes.setValue(kDivisores, divisores);
}

void frmPreVal::restauraGeometria(const QSettings &ajustes)
{
    if (ajustes.contains(kGeometria))
        restoreGeometry(ajustes.value(kGeometria).toByteArray());
    const QList<QVariant> divisores = ajustes.value(kDivisores).toList();
    const QList<QSplitter *> propios = findChildren<QSplitter *>();
    for (int i = 0; i < divisores.size() && i < propios.size(); ++i)
        propios[i]->restoreState(divisores[i].toByteArray());
    // A size kept from a larger screen (or another scale) is fitted again.
    Ubicacion::ajustaAPantalla(*this);
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
// removes its selected entry; Enter on a file of the agency list adds it.
// A release acts only when its key was pressed in this window too: a key
// pressed to close a box (a message, the Detener question, the password
// prompt) is released here once the box has gone, and must do nothing more.
bool frmPreVal::eventFilter(QObject *objeto, QEvent *evento)
{
    const QEvent::Type tipo = evento->type();
    if (tipo == QEvent::WindowDeactivate && objeto == this)
        m_teclasPulsadas.clear();
    if ((tipo != QEvent::KeyPress && tipo != QEvent::KeyRelease) || !objeto->isWidgetType())
        return QMainWindow::eventFilter(objeto, evento);
    const auto *tecla = static_cast<QKeyEvent *>(evento);
    if (static_cast<QWidget *>(objeto)->window() != this) {
        // Another window has the keys: what was pressed here is over.
        m_teclasPulsadas.clear();
        return QMainWindow::eventFilter(objeto, evento);
    }
    if (tipo == QEvent::KeyPress) {
        m_teclasPulsadas.insert(tecla->key());
        return QMainWindow::eventFilter(objeto, evento);
    }
    if (tecla->isAutoRepeat() || !m_teclasPulsadas.remove(tecla->key()))
        return QMainWindow::eventFilter(objeto, evento);
    if (tecla->key() == Qt::Key_A && tecla->modifiers() == Qt::ControlModifier) {
        ejecuta(QStringLiteral("agregar"));
        return true;
    }
    if (objeto == m_lvwPreVal[0] && tecla->key() == Qt::Key_Delete) {
        m_principal.quitaEnvio(filaSeleccionada(0));
        return true;
    }
    // Enter on a file of the agency list adds it, as a double click does.
    if (objeto == m_lvwArchivos && (tecla->key() == Qt::Key_Return || tecla->key() == Qt::Key_Enter)
        && m_lvwArchivos->currentIndex().isValid()) {
        m_principal.agregaArchivo(m_lvwArchivos->currentIndex().row());
        return true;
    }
    return QMainWindow::eventFilter(objeto, evento);
}

void frmPreVal::cmdImprime_Click()
{
    if (m_rtbPreVal->document()->isEmpty())
        return;
    QPrinter impresora(QPrinter::HighResolution);
    if (m_rtbPreVal->textCursor().hasSelection())
        impresora.setPrintRange(QPrinter::Selection);
    if (!m_programa.dialogos().preparaImpresion(impresora))
        return;
    imprimeReporte(*m_rtbPreVal, impresora);
}
