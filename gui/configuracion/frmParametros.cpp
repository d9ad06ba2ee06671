#include "gui/configuracion/frmParametros.h"

#include "gui/comun/TeclaEnter.h"
#include "gui/comun/Ubicacion.h"
#include "core/oficina/CamposConfiguracion.h"
#include "core/configuracion/Parametros.h"
#include "core/oficina/Programa.h"
#include "gui/comun/Iconos.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QRegularExpression>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char *const kDirectorios[8] = {
    "Dir. Envío de Archivos SAAI M3",
    "Dir. Recepción de Archivos SAAI M3",
    "Dir. Envío de Archivos Cartas Cupo",
    "Dir. Recepción de Archivos Cartas Cupo",
    "Dir. Envío de Archivos de Pago Electrónico",
    "Dir. Recepción de Archivos de Pago Electrónico",
    "Dir. Envío de Archivos de Sagarpa",
    "Dir. Recepción de Archivos de Sagarpa",
};

// The title of a tool bar button with its letter: the first letter of the
// title, but Cambiar Contraseña takes its "o" (C is Cancelar's).
QString conLetra(const QString &clave, const QString &titulo)
{
    QString texto = titulo;
    const qsizetype letra = clave == u"password" ? texto.indexOf(QStringLiteral("ontraseña"))
                                                 : texto.indexOf(QRegularExpression(QStringLiteral("\\S")));
    if (letra >= 0)
        texto.insert(letra, u'&');
    return texto;
}

} // namespace

frmParametros::frmParametros(Programa &programa, Parametros &parametros, QWidget *parent)
    : QDialog(parent)
    , m_programa(programa)
    , m_parametros(parametros)
{
    TeclaEnter::instala();
    setObjectName(QStringLiteral("frmParametros"));
    setWindowTitle(QStringLiteral("Parámetros del Sistema"));
    setWindowIcon(Iconos::boton(QStringLiteral("parametros")));

    m_tlbParametros = new QToolBar(this);
    m_tlbParametros->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_tlbParametros->setIconSize(QSize(24, 24));
    for (int n = 1; n <= Parametros::kBotones; ++n) {
        const Parametros::Boton &b = Parametros::botones()[n - 1];
        if (b.separador) {
            m_botones[n - 1] = m_tlbParametros->addSeparator();
            continue;
        }
        QAction *accion = m_tlbParametros->addAction(Iconos::boton(b.clave), b.titulo);
        accion->setData(b.clave);
        accion->setToolTip(b.ayuda);
        accion->setObjectName(b.clave);
        // The button shows its "&" letter (Alt + the letter) and has a Tab
        // stop in both modes; Space or Enter on it presses it.
        accion->setIconText(conLetra(b.clave, b.titulo));
        if (QWidget *boton = m_tlbParametros->widgetForAction(accion))
            boton->setFocusPolicy(Qt::StrongFocus);
        const QString clave = b.clave;
        connect(accion, &QAction::triggered, this, [this, clave] { m_parametros.Ejecuta_Accion(clave); });
        m_botones[n - 1] = accion;
    }

    m_sstParametros = new QTabWidget(this);
    m_sstParametros->addTab(construyeGenerales(), QStringLiteral("Generales"));
    m_sstParametros->addTab(construyeDirectorios(), QStringLiteral("Directorios de Archivos"));
    m_sstParametros->addTab(construyeRecepcion(), QStringLiteral("Recepción"));

    auto *diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(0, 0, 0, 8);
    diseno->addWidget(m_tlbParametros);
    auto *cuerpo = new QVBoxLayout;
    cuerpo->setContentsMargins(10, 4, 10, 0);
    cuerpo->addWidget(m_sstParametros);
    m_aviso = new QLabel(this);
    m_aviso->setObjectName(QStringLiteral("aviso"));
    m_aviso->setTextFormat(Qt::PlainText);
    cuerpo->addWidget(m_aviso);
    diseno->addLayout(cuerpo, 1);
    m_finAviso.setSingleShot(true);
    m_finAviso.setInterval(6000);
    connect(&m_finAviso, &QTimer::timeout, m_aviso, &QLabel::clear);
    connect(&m_parametros, &Parametros::guardado, this, [this] { avisa(QStringLiteral("Configuración guardada")); });

    connect(&m_parametros, &Parametros::ocultaPedido, this, &QWidget::hide);
    connect(&m_parametros, &Parametros::modoCambiado, this, &frmParametros::muestraModo);
    connect(&m_parametros, &Parametros::camposActivados, this, [this] { m_cboParametros->setFocus(); });
    connect(&m_programa.campos(), &CamposConfiguracion::cambiado, this, &frmParametros::muestraCampos);
    muestraCampos();
    muestraModo();
    resize(760, 380);
}

QWidget *frmParametros::construyeGenerales()
{
    auto *pagina = new QWidget(this);
    auto *rejilla = new QGridLayout(pagina);
    // Tight enough for a small screen at a large scale (1366x768 at 200 %).
    rejilla->setContentsMargins(12, 8, 12, 8);
    rejilla->setHorizontalSpacing(12);
    rejilla->setVerticalSpacing(6);
    for (int n = 0; n < CamposConfiguracion::kPrimeraCarpeta; ++n) {
        m_txtParametros[n] = new QLineEdit(pagina);
        m_txtParametros[n]->setObjectName(QStringLiteral("txtParametros%1").arg(n));
    }
    m_txtParametros[CamposConfiguracion::telefono]->setEchoMode(QLineEdit::Password);
    m_txtParametros[CamposConfiguracion::telefono]->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    m_txtParametros[CamposConfiguracion::Patente]->setMaximumWidth(90);
    m_cboParametros = new QComboBox(pagina);
    m_cboParametros->setObjectName(QStringLiteral("cboParametros"));
    for (int p = 0; p <= 2; ++p)
        m_cboParametros->addItem(CamposConfiguracion::textoTipo(p));
    m_chkParametros = new QCheckBox(QStringLiteral(" Proxy"), pagina);
    m_chkParametros->setObjectName(QStringLiteral("chkParametros"));

    const QString textos[4] = {QStringLiteral("Patente"), QStringLiteral("Nombre del Agente Aduanal"),
                               QStringLiteral("Tipo de Tendal"), QStringLiteral("Dirección IP Servidor")};
    QWidget *campos[4] = {m_txtParametros[CamposConfiguracion::Patente], m_txtParametros[CamposConfiguracion::Agente],
                          m_cboParametros, m_txtParametros[CamposConfiguracion::Servidor]};
    for (int i = 0; i < 4; ++i) {
        auto *l = new QLabel(textos[i], pagina);
        l->setBuddy(campos[i]);
        rejilla->addWidget(l, i, 0);
    }
    rejilla->addWidget(m_txtParametros[CamposConfiguracion::Patente], 0, 1);
    rejilla->addWidget(m_txtParametros[CamposConfiguracion::Agente], 1, 1, 1, 2);
    rejilla->addWidget(m_cboParametros, 2, 1);
    rejilla->addWidget(m_txtParametros[CamposConfiguracion::telefono], 2, 2);
    rejilla->addWidget(m_txtParametros[CamposConfiguracion::Servidor], 3, 1, 1, 2);
    rejilla->addWidget(m_chkParametros, 4, 0);
    rejilla->addWidget(m_txtParametros[CamposConfiguracion::ip_proxy], 4, 1, 1, 2);

    // The encryption of the sessions with the organisation's server, and the
    // certificates its certificate is checked against.
    m_cboCifrado = new QComboBox(pagina);
    m_cboCifrado->setObjectName(QStringLiteral("cboCifrado"));
    for (int modo = 0; modo < CamposConfiguracion::kModosCifrado; ++modo)
        m_cboCifrado->addItem(CamposConfiguracion::textoCifrado(modo));
    m_txtCertificado = new QLineEdit(pagina);
    m_txtCertificado->setObjectName(QStringLiteral("txtCertificado"));
    m_txtCertificado->setPlaceholderText(QStringLiteral("los certificados del sistema"));
    auto *picker = new QToolButton(pagina);
    picker->setIcon(Iconos::boton(QStringLiteral("carpeta")));
    picker->setIconSize(QSize(18, 18));
    picker->setObjectName(QStringLiteral("cmdCertificado"));
    picker->setToolTip(QStringLiteral("Elige el archivo de certificados"));
    m_cmdCertificado = picker;
    auto *etiquetaCifrado = new QLabel(QStringLiteral("Cifrado de la conexión"), pagina);
    etiquetaCifrado->setBuddy(m_cboCifrado);
    auto *etiquetaCertificado = new QLabel(QStringLiteral("Archivo de certificados"), pagina);
    etiquetaCertificado->setBuddy(m_txtCertificado);
    rejilla->addWidget(etiquetaCifrado, 5, 0);
    rejilla->addWidget(m_cboCifrado, 5, 1);
    rejilla->addWidget(etiquetaCertificado, 6, 0);
    auto *fila = new QHBoxLayout;
    fila->setSpacing(4);
    fila->addWidget(m_txtCertificado, 1);
    fila->addWidget(picker);
    rejilla->addLayout(fila, 6, 1, 1, 2);

    rejilla->setColumnStretch(1, 1);
    rejilla->setColumnStretch(2, 1);
    rejilla->setRowStretch(7, 1);

    for (int n = CamposConfiguracion::Agente; n < CamposConfiguracion::kPrimeraCarpeta; ++n)
        connect(m_txtParametros[n], &QLineEdit::textEdited, this,
                [this, n](const QString &t) { m_programa.campos().ponTexto(n, t); });
    connect(m_cboParametros, &QComboBox::activated, this,
            [this](int p) { m_programa.campos().eligeTipo(p, m_programa.parametros()); });
    connect(m_chkParametros, &QCheckBox::clicked, this,
            [this](bool marcado) { m_programa.campos().marcaProxy(marcado); });
    connect(m_cboCifrado, &QComboBox::activated, this, [this](int modo) { m_programa.campos().eligeCifrado(modo); });
    connect(m_txtCertificado, &QLineEdit::textEdited, this,
            [this](const QString &t) { m_programa.campos().ponCertificado(t); });
    connect(picker, &QToolButton::clicked, this, [this] { m_parametros.Elige_Certificado(); });
    return pagina;
}

QWidget *frmParametros::construyeDirectorios()
{
    auto *pagina = new QWidget(this);
    auto *rejilla = new QGridLayout(pagina);
    rejilla->setContentsMargins(12, 8, 12, 8);
    rejilla->setHorizontalSpacing(18);
    rejilla->setVerticalSpacing(2);
    for (int i = 0; i < 8; ++i) {
        const int n = CamposConfiguracion::kPrimeraCarpeta + i;
        auto *l = new QLabel(QString::fromUtf8(kDirectorios[i]), pagina);
        m_txtParametros[n] = new QLineEdit(pagina);
        m_txtParametros[n]->setObjectName(QStringLiteral("txtParametros%1").arg(n));
        l->setBuddy(m_txtParametros[n]);
        auto *picker = new QToolButton(pagina);
        picker->setIcon(Iconos::boton(QStringLiteral("carpeta")));
        picker->setIconSize(QSize(18, 18));
        picker->setObjectName(QStringLiteral("cmdParametros%1").arg(i));
        m_cmdParametros[i] = picker;
        auto *fila = new QHBoxLayout;
        fila->setSpacing(4);
        fila->addWidget(m_txtParametros[n], 1);
        fila->addWidget(picker);
        // Send folders on the left, reception folders on the right.
        const int renglon = (i / 2) * 3;
        const int columna = i % 2;
        rejilla->addWidget(l, renglon, columna);
        rejilla->addLayout(fila, renglon + 1, columna);
        rejilla->setRowMinimumHeight(renglon + 2, 12);
        connect(m_txtParametros[n], &QLineEdit::textEdited, this,
                [this, n](const QString &t) { m_programa.campos().ponTexto(n, t); });
        connect(picker, &QToolButton::clicked, this, [this, i] { m_parametros.Elige_Carpeta(i); });
    }
    rejilla->setColumnStretch(0, 1);
    rejilla->setColumnStretch(1, 1);
    rejilla->setRowStretch(12, 1);
    return pagina;
}

QWidget *frmParametros::construyeRecepcion()
{
    auto *pagina = new QWidget(this);
    auto *rejilla = new QGridLayout(pagina);
    rejilla->setContentsMargins(16, 16, 16, 16);
    m_spnEspera = new QSpinBox(pagina);
    m_spnEspera->setObjectName(QStringLiteral("spnEspera"));
    m_spnEspera->setRange(CamposConfiguracion::kEsperaMinima, CamposConfiguracion::kEsperaMaxima);
    m_spnEspera->setSuffix(QStringLiteral(" min"));
    auto *l = new QLabel(QStringLiteral("Marcar como demorado un archivo sin respuesta después de"), pagina);
    l->setBuddy(m_spnEspera);
    rejilla->addWidget(l, 0, 0);
    rejilla->addWidget(m_spnEspera, 0, 1);
    rejilla->setColumnStretch(2, 1);
    rejilla->setRowStretch(1, 1);
    connect(m_spnEspera, &QSpinBox::valueChanged, this, [this](int m) { m_programa.campos().ponEspera(m); });
    return pagina;
}

void frmParametros::muestraCampos()
{
    const CamposConfiguracion &campos = m_programa.campos();
    if (m_spnEspera->value() != campos.espera())
        m_spnEspera->setValue(campos.espera());
    for (int n = 0; n < CamposConfiguracion::kCampos; ++n)
        if (m_txtParametros[n]->text() != campos.texto(n))
            m_txtParametros[n]->setText(campos.texto(n));
    m_cboParametros->setCurrentIndex(campos.posicion());
    m_chkParametros->setChecked(campos.proxy());
    m_txtParametros[CamposConfiguracion::telefono]->setVisible(campos.telefonoVisible());
    m_chkParametros->setVisible(campos.proxyVisible());
    m_txtParametros[CamposConfiguracion::ip_proxy]->setVisible(campos.ipProxyVisible());
    m_cboCifrado->setCurrentIndex(campos.cifrado());
    if (m_txtCertificado->text() != campos.certificado())
        m_txtCertificado->setText(campos.certificado());
}

void frmParametros::muestraModo()
{
    for (int n = 1; n <= Parametros::kBotones; ++n)
        m_botones[n - 1]->setVisible(m_parametros.botonVisible(n));
    // The buttons (and their letters) of the new mode at once, not at the
    // tool bar's next layout pass.
    m_tlbParametros->layout()->invalidate();
    m_tlbParametros->layout()->activate();
    const bool activo = m_parametros.camposHabilitados();
    m_txtParametros[CamposConfiguracion::Patente]->setEnabled(false);
    m_txtParametros[CamposConfiguracion::Agente]->setEnabled(false);
    for (int n = CamposConfiguracion::Servidor; n < CamposConfiguracion::kCampos; ++n)
        m_txtParametros[n]->setEnabled(activo);
    for (QAbstractButton *b : m_cmdParametros)
        b->setEnabled(activo);
    m_cboParametros->setEnabled(activo);
    m_chkParametros->setEnabled(activo);
    m_cboCifrado->setEnabled(activo);
    m_txtCertificado->setEnabled(activo);
    m_cmdCertificado->setEnabled(activo);
    m_spnEspera->setEnabled(activo);
    // Back in view mode (after Guardar or Cancelar) the keys go to
    // "Modificar" as it comes back.
    const bool modificar = m_parametros.botonVisible(1);
    if (modificar && !m_modificarVisible && isVisible()) {
        if (QWidget *boton = m_tlbParametros->widgetForAction(m_botones[0]))
            boton->setFocus();
    }
    m_modificarVisible = modificar;
}

void frmParametros::avisa(const QString &texto)
{
    m_aviso->setText(texto);
    m_finAviso.start();
}

QString frmParametros::aviso() const
{
    return m_aviso->text();
}

void frmParametros::muestra()
{
    setWindowModality(Qt::ApplicationModal);
    if (!isVisible())
        Ubicacion::centraSobre(*this, QApplication::activeWindow());
    show();
    raise();
    activateWindow();
    if (!m_parametros.camposHabilitados() && !focusWidget())
        if (QWidget *modificar = m_tlbParametros->widgetForAction(m_botones[0]))
            modificar->setFocus();
}

void frmParametros::closeEvent(QCloseEvent *event)
{
    event->ignore();
    m_parametros.Ejecuta_Accion(QStringLiteral("salir"));
}

void frmParametros::reject()
{
    m_parametros.Ejecuta_Accion(QStringLiteral("salir"));
}
