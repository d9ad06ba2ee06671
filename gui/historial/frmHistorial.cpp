#include "gui/historial/frmHistorial.h"

#include "core/base/Dialogos.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Reloj.h"
#include "core/db/Diario.h"
#include "core/historial/Acuse.h"
#include "core/historial/ModeloHistorial.h"
#include "core/oficina/Programa.h"
#include "core/reportes/GeneradorReporte.h"
#include "gui/comun/ColoresLista.h"
#include "gui/comun/Iconos.h"
#include "gui/comun/Ubicacion.h"
#include "gui/historial/DelegadoDemora.h"
#include "gui/principal/CuadroReporte.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QSplitter>
#include <QTextDocument>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// The kinds the filter offers, with their letters.
struct TipoFiltro {
    const char *texto;
    const char *letras;
};
const TipoFiltro kTipos[] = {
    {"Todos", ""},        {"SAAI M3 (M)", "M"}, {"Cartas cupo (C, D)", "CD"}, {"Pago electrónico (E)", "E"},
    {"SAGARPA (S)", "S"},
};

} // namespace

frmHistorial::frmHistorial(Programa &programa, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_programa(programa)
    , m_carga(programa)
{
    setObjectName(QStringLiteral("frmHistorial"));
    setWindowTitle(QStringLiteral("Historial de envíos"));
    setWindowIcon(Iconos::boton(QStringLiteral("historial")));
    m_modelo = new ModeloHistorial(programa, ModeloHistorial::Pedimentos::EnTrabajador, this);

    auto *filtros = new QHBoxLayout;
    filtros->setSpacing(6);
    const QDate hoy = programa.reloj().hoy();
    m_desde = new QDateEdit(hoy.addDays(-30), this);
    m_hasta = new QDateEdit(hoy, this);
    for (QDateEdit *fecha : {m_desde, m_hasta}) {
        fecha->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        fecha->setCalendarPopup(true);
    }
    m_desde->setObjectName(QStringLiteral("dtpDesde"));
    m_hasta->setObjectName(QStringLiteral("dtpHasta"));
    m_tipo = new QComboBox(this);
    m_tipo->setObjectName(QStringLiteral("cboTipo"));
    for (const TipoFiltro &t : kTipos)
        m_tipo->addItem(QString::fromUtf8(t.texto), QString::fromLatin1(t.letras));
    m_nombre = new QLineEdit(this);
    m_nombre->setObjectName(QStringLiteral("txtNombre"));
    m_nombre->setPlaceholderText(QStringLiteral("parte del nombre"));
    m_nombre->setClearButtonEnabled(true);
    m_pedimento = new QLineEdit(this);
    m_pedimento->setObjectName(QStringLiteral("txtPedimento"));
    m_pedimento->setPlaceholderText(QStringLiteral("número"));
    m_pedimento->setClearButtonEnabled(true);
    m_pedimento->setMaxLength(40);
    auto *buscar = new QPushButton(Iconos::boton(QStringLiteral("buscar")), QStringLiteral("&Buscar"), this);
    buscar->setObjectName(QStringLiteral("cmdBuscar"));
    buscar->setDefault(true);
    m_buscar = buscar;
    const auto etiqueta = [this](const QString &texto, QWidget *campo) {
        auto *l = new QLabel(texto, this);
        l->setBuddy(campo);
        return l;
    };
    // Two rows, so that the window fits a small screen at a large scale:
    // the dates and the kind, then the name, the pedimento and the search.
    filtros->addWidget(etiqueta(QStringLiteral("&Desde"), m_desde));
    filtros->addWidget(m_desde);
    filtros->addWidget(etiqueta(QStringLiteral("&Hasta"), m_hasta));
    filtros->addWidget(m_hasta);
    filtros->addWidget(etiqueta(QStringLiteral("&Tipo"), m_tipo));
    filtros->addWidget(m_tipo);
    filtros->addStretch(1);
    auto *textos = new QHBoxLayout;
    textos->setSpacing(6);
    textos->addWidget(etiqueta(QStringLiteral("&Archivo"), m_nombre));
    textos->addWidget(m_nombre, 2);
    textos->addWidget(etiqueta(QStringLiteral("&Pedimento"), m_pedimento));
    textos->addWidget(m_pedimento, 1);
    textos->addWidget(m_buscar);

    m_lista = new QTreeView(this);
    m_lista->setObjectName(QStringLiteral("lvwHistorial"));
    m_lista->setModel(m_modelo);
    m_lista->setItemDelegate(new DelegadoDemora(m_lista));
    m_lista->setUniformRowHeights(true);
    m_lista->setAllColumnsShowFocus(true);
    m_lista->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lista->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lista->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lista->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // Sized from the rows in sight and a sample of the others, not from
    // each of thousands of rows at every change of the journal.
    m_lista->header()->setResizeContentsPrecision(100);
    m_lista->header()->setStretchLastSection(true);
    m_lista->header()->setToolTip(ColoresLista::leyenda());

    m_reporte = new CuadroReporte(this);
    m_reporte->setObjectName(QStringLiteral("rtbReporte"));
    auto *divisor = new QSplitter(Qt::Vertical, this);
    divisor->setChildrenCollapsible(false);
    divisor->addWidget(m_lista);
    divisor->addWidget(m_reporte);
    divisor->setSizes({320, 260});

    auto *pie = new QHBoxLayout;
    m_cuenta = new QLabel(this);
    m_cuenta->setObjectName(QStringLiteral("lblCuenta"));
    auto *imprime = new QPushButton(Iconos::boton(QStringLiteral("imprime")), QStringLiteral("&Imprimir acuse"), this);
    imprime->setObjectName(QStringLiteral("cmdImprimeAcuse"));
    auto *pdf = new QPushButton(QStringLiteral("&Guardar acuse como PDF…"), this);
    pdf->setObjectName(QStringLiteral("cmdGuardaPdf"));
    auto *cerrar = new QPushButton(QStringLiteral("&Cerrar"), this);
    cerrar->setObjectName(QStringLiteral("cmdCerrar"));
    m_imprime = imprime;
    m_pdf = pdf;
    m_cerrar = cerrar;
    // A long text (a saved receipt's path, the database's complaint) wraps
    // instead of widening the window.
    m_cuenta->setWordWrap(true);
    m_cuenta->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    pie->addWidget(m_cuenta, 1);
    pie->addWidget(m_imprime);
    pie->addWidget(m_pdf);
    pie->addWidget(m_cerrar);

    auto *diseno = new QVBoxLayout(this);
    diseno->addLayout(filtros);
    diseno->addLayout(textos);
    diseno->addWidget(divisor, 1);
    diseno->addLayout(pie);

    connect(m_buscar, &QAbstractButton::clicked, this, &frmHistorial::busca);
    for (QLineEdit *campo : {m_nombre, m_pedimento})
        connect(campo, &QLineEdit::returnPressed, this, &frmHistorial::busca);
    connect(m_lista, &QTreeView::doubleClicked, this, &frmHistorial::muestraReporte);
    connect(m_lista, &QTreeView::activated, this, &frmHistorial::muestraReporte);
    connect(m_lista->selectionModel(), &QItemSelectionModel::selectionChanged, this, &frmHistorial::actualizaBotones);
    connect(m_modelo, &QAbstractItemModel::modelReset, this, &frmHistorial::actualizaBotones);
    // The pedimento numbers come in after the query that asked for them.
    connect(m_modelo, &QAbstractItemModel::modelReset, this, &frmHistorial::muestraCuenta);
    // A query the database refused: the list stays as it was, the text says
    // why (the database, and what happened to it), and the next look at the
    // journal tries again.
    connect(m_modelo, &ModeloHistorial::consultaFallida, this, [this](const QString &descripcion) {
        m_cuenta->setText(descripcion);
        m_version = -1;
    });
    connect(m_imprime, &QAbstractButton::clicked, this, &frmHistorial::imprimeAcuse);
    connect(m_pdf, &QAbstractButton::clicked, this, &frmHistorial::guardaAcusePdf);
    connect(m_cerrar, &QAbstractButton::clicked, this, &QWidget::close);
    // What other programs (or this one) record while the window is shown.
    m_vigia.setInterval(2000);
    connect(&m_vigia, &QTimer::timeout, this, &frmHistorial::sigueDiario);
    actualizaBotones();
    resize(1000, 640);
    // Never larger than a small screen at a large scale allows.
    Ubicacion::ajustaAPantalla(*this);
}

frmHistorial::~frmHistorial() = default;

void frmHistorial::muestra()
{
    if (!isVisible())
        Ubicacion::centraSobre(*this, QApplication::activeWindow() ? QApplication::activeWindow() : parentWidget());
    busca();
    m_vigia.start();
    show();
    raise();
    activateWindow();
}

void frmHistorial::busca()
{
    ModeloHistorial::Filtro f;
    f.desde = m_desde->date();
    f.hasta = m_hasta->date();
    // Dates the wrong way round select nothing: the list empties under the
    // notice (muestraCuenta) instead of keeping an earlier search's rows.
    if (f.desde > f.hasta)
        m_desde->setFocus();
    const QString letras = m_tipo->currentData().toString();
    for (const QChar l : letras)
        f.tipos << QString(l);
    f.nombre = m_nombre->text();
    f.pedimento = m_pedimento->text();
    // The query runs on the model's worker: the window goes on while it
    // reads thousands of transmissions, and shows them when they are in.
    try {
        m_version = m_programa.diario().version();
    } catch (const ErrorTendal &e) {
        m_cuenta->setText(e.descripcion());
        m_version = -1;
    }
    m_modelo->ponFiltro(f);
}

void frmHistorial::muestraCuenta()
{
    const ModeloHistorial::Filtro &f = m_modelo->filtro();
    if (f.desde.isValid() && f.hasta.isValid() && f.desde > f.hasta) {
        m_cuenta->setText(QStringLiteral("La fecha «Desde» es posterior a «Hasta»."));
        return;
    }
    const qsizetype n = m_modelo->transmisiones().size();
    m_cuenta->setText(n == 0   ? QStringLiteral("Ningún envío cumple el filtro.")
                      : n == 1 ? QStringLiteral("1 envío")
                               : QStringLiteral("%1 envíos").arg(n));
}

// Enter in a date box or the kind searches, as it does in the text boxes
// (which search by themselves); Escape closes the window.
void frmHistorial::keyPressEvent(QKeyEvent *evento)
{
    const int tecla = evento->key();
    if ((tecla == Qt::Key_Return || tecla == Qt::Key_Enter) && evento->modifiers() == Qt::NoModifier) {
        QWidget *foco = focusWidget();
        for (QWidget *campo : std::initializer_list<QWidget *> {m_desde, m_hasta, m_tipo})
            if (foco && (foco == campo || campo->isAncestorOf(foco))) {
                busca();
                return;
            }
    }
    if (tecla == Qt::Key_Escape && evento->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(evento);
}

void frmHistorial::sigueDiario()
{
    if (!isVisible()) {
        m_vigia.stop();
        return;
    }
    try {
        if (m_programa.diario().version() == m_version)
            return;
    } catch (const ErrorTendal &) {
        // The search says what happened to the database.
    }
    busca();
}

void frmHistorial::muestraReporte(const QModelIndex &indice)
{
    const auto *r = m_modelo->respuesta(indice);
    if (!r)
        return;
    m_carga.carga(GeneradorReporte::tituloRevision(), r->nombre, r->ruta, *m_reporte, r->id);
}

QString frmHistorial::acuseSeleccionado(QString *nombre) const
{
    const QModelIndexList filas = m_lista->selectionModel()->selectedRows();
    const auto *t = filas.isEmpty() ? nullptr : m_modelo->transmision(filas.first());
    if (!t || !t->aceptado.isValid())
        return {};
    if (nombre)
        *nombre = t->nombre;
    return Acuse::texto(*t);
}

void frmHistorial::actualizaBotones()
{
    const bool hay = !acuseSeleccionado().isEmpty();
    m_imprime->setEnabled(hay);
    m_pdf->setEnabled(hay);
}

void frmHistorial::imprime(const QString &texto, QPrinter &impresora) const
{
    QTextDocument documento;
    documento.setDefaultFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    documento.setPlainText(texto);
    documento.setPageSize(QSizeF(impresora.pageRect(QPrinter::Point).size()));
    documento.print(&impresora);
}

void frmHistorial::imprimeAcuse()
{
    const QString texto = acuseSeleccionado();
    if (texto.isEmpty())
        return;
    QPrinter impresora(QPrinter::HighResolution);
    if (!m_programa.dialogos().preparaImpresion(impresora))
        return;
    imprime(texto, impresora);
}

void frmHistorial::guardaAcusePdf()
{
    QString nombre;
    const QString texto = acuseSeleccionado(&nombre);
    if (texto.isEmpty())
        return;
    const auto archivo
        = m_programa.dialogos().eligeArchivoPdf(QDir::home().filePath(QStringLiteral("Acuse %1.pdf").arg(nombre)));
    if (!archivo)
        return;
    QPrinter impresora(QPrinter::HighResolution);
    impresora.setOutputFormat(QPrinter::PdfFormat);
    impresora.setOutputFileName(*archivo);
    imprime(texto, impresora);
    if (!QFileInfo(*archivo).isFile() || QFileInfo(*archivo).size() == 0) {
        m_programa.dialogos().error(
            QStringLiteral("No se pudo guardar el acuse en %1.").arg(QDir::toNativeSeparators(*archivo)));
        return;
    }
    m_cuenta->setText(QStringLiteral("Acuse guardado en %1").arg(QDir::toNativeSeparators(*archivo)));
}
