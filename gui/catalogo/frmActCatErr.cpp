#include "gui/catalogo/frmActCatErr.h"

#include "gui/comun/TeclaEnter.h"
#include "gui/comun/Ubicacion.h"

#include <QAction>
#include <QShowEvent>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

constexpr int kLado = 20;

QPixmap lienzo(int lado)
{
    QPixmap p(lado, lado);
    p.fill(Qt::transparent);
    return p;
}

// The fixed picture of the window: a database with a check mark.
QPixmap dibujoCatalogo()
{
    QPixmap p = lienzo(48);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    const QColor cuerpo(70, 110, 170);
    g.setPen(QPen(cuerpo.darker(140), 1.5));
    g.setBrush(cuerpo);
    QPainterPath cilindro;
    cilindro.moveTo(6, 10);
    cilindro.lineTo(6, 36);
    cilindro.arcTo(6, 30, 30, 12, 180, 180);
    cilindro.lineTo(36, 10);
    g.drawPath(cilindro);
    g.setBrush(cuerpo.lighter(150));
    g.drawEllipse(QRectF(6, 4, 30, 12));
    g.setPen(QPen(cuerpo.lighter(170), 1.2));
    g.setBrush(Qt::NoBrush);
    g.drawArc(QRectF(6, 14, 30, 12), 180 * 16, 180 * 16);
    g.drawArc(QRectF(6, 22, 30, 12), 180 * 16, 180 * 16);
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(40, 150, 60));
    g.drawEllipse(QRectF(26, 26, 20, 20));
    g.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    g.drawPolyline(QPolygonF({QPointF(31, 36), QPointF(35, 40), QPointF(41, 31)}));
    return p;
}

} // namespace

QPixmap frmActCatErr::dibujo(ActualizacionCatalogo::Indicador indicador)
{
    using I = ActualizacionCatalogo::Indicador;
    if (indicador == I::Ninguno)
        return {};
    QPixmap p = lienzo(kLado);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(Qt::NoPen);
    switch (indicador) {
    case I::Ejecutando: // an arrow on blue: the step is going on
        g.setBrush(QColor(40, 100, 200));
        g.drawEllipse(QRectF(1, 1, kLado - 2, kLado - 2));
        g.setBrush(Qt::white);
        g.drawPolygon(QPolygonF({QPointF(7.5, 5), QPointF(15, 10), QPointF(7.5, 15)}));
        break;
    case I::Hecho: // a check mark on green: the step is done
        g.setBrush(QColor(40, 150, 60));
        g.drawEllipse(QRectF(1, 1, kLado - 2, kLado - 2));
        g.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        g.drawPolyline(QPolygonF({QPointF(5.5, 10.5), QPointF(8.5, 13.5), QPointF(14.5, 6.5)}));
        break;
    case I::Fin: { // a chequered flag: the run ended at this step
        g.setPen(QPen(QColor(60, 60, 60), 1.6));
        g.drawLine(QPointF(4, 2), QPointF(4, 19));
        g.setPen(Qt::NoPen);
        const double ancho = 4, alto = 3.5;
        for (int fila = 0; fila < 2; ++fila)
            for (int col = 0; col < 3; ++col) {
                g.setBrush((fila + col) % 2 == 0 ? QColor(30, 30, 30) : QColor(240, 240, 240));
                g.drawRect(QRectF(5 + col * ancho, 3 + fila * alto, ancho, alto));
            }
        g.setPen(QPen(QColor(30, 30, 30), 0.8));
        g.setBrush(Qt::NoBrush);
        g.drawRect(QRectF(5, 3, 3 * ancho, 2 * alto));
        break;
    }
    case I::Ninguno:
        break;
    }
    return p;
}

frmActCatErr::frmActCatErr(ActualizacionCatalogo &actualizacion, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_actualizacion(actualizacion)
{
    TeclaEnter::instala();
    setWindowTitle(QStringLiteral("Actualización del Catálogo de Errores"));

    m_tlbAct = new QToolBar(this);
    m_tlbAct->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Each button shows its "&" letter (Alt + the letter) and is in the Tab
    // order; Space or Enter on the focused one presses it.
    const struct {
        QString texto, letra, clave, ayuda;
    } botones[] = {
        {QStringLiteral("      Actualizar      "), QStringLiteral("      &Actualizar      "), QStringLiteral("recibir"),
         QStringLiteral("Inicia la recepción de la actualización")},
        {QStringLiteral("Salir"), QStringLiteral("&Salir"), QStringLiteral("salir"),
         QStringLiteral("Cierra el módulo de actualizaciones")},
    };
    for (const auto &b : botones) {
        QAction *accion = m_tlbAct->addAction(b.texto);
        accion->setIconText(b.letra);
        accion->setData(b.clave);
        accion->setToolTip(b.ayuda);
        if (QWidget *boton = m_tlbAct->widgetForAction(accion))
            boton->setFocusPolicy(Qt::StrongFocus);
        connect(accion, &QAction::triggered, this, [this, clave = b.clave] { m_actualizacion.inicia(clave); });
    }

    m_imgAct[0] = new QLabel(this);
    m_imgAct[0]->setPixmap(dibujoCatalogo());
    m_imgAct[0]->setAlignment(Qt::AlignTop);
    auto *pasos = new QGridLayout;
    pasos->setColumnMinimumWidth(0, kLado + 4);
    for (int paso = 1; paso <= ActualizacionCatalogo::kPasos; ++paso) {
        m_imgAct[paso] = new QLabel(this);
        m_imgAct[paso]->setFixedSize(kLado, kLado);
        m_lblAct[paso - 1] = new QLabel(ActualizacionCatalogo::leyenda(paso), this);
        pasos->addWidget(m_imgAct[paso], paso - 1, 0);
        pasos->addWidget(m_lblAct[paso - 1], paso - 1, 1);
        muestraIndicador(paso, m_actualizacion.indicador(paso));
    }
    // Under step 4, while the installation runs: the table and its rows.
    m_lblAvance = new QLabel(m_actualizacion.avance(), this);
    pasos->addWidget(m_lblAvance, ActualizacionCatalogo::kPasos, 1);
    m_lblResult = new QLabel(m_actualizacion.resultado(), this);
    m_lblResult->setWordWrap(true);
    m_lblResult->setMinimumHeight(2 * fontMetrics().height());

    auto *cuerpo = new QHBoxLayout;
    cuerpo->addWidget(m_imgAct[0]);
    cuerpo->addSpacing(12);
    cuerpo->addLayout(pasos, 1);
    auto *caja = new QVBoxLayout(this);
    caja->setMenuBar(m_tlbAct);
    caja->addLayout(cuerpo);
    caja->addSpacing(8);
    caja->addWidget(m_lblResult);
    setMinimumWidth(420);

    connect(&m_actualizacion, &ActualizacionCatalogo::indicadorCambiado, this, &frmActCatErr::muestraIndicador);
    connect(&m_actualizacion, &ActualizacionCatalogo::resultadoCambiado, m_lblResult, &QLabel::setText);
    connect(&m_actualizacion, &ActualizacionCatalogo::avanceCambiado, m_lblAvance, &QLabel::setText);
    connect(&m_actualizacion, &ActualizacionCatalogo::ocultaVentana, this, &QWidget::hide);
}

QAction *frmActCatErr::boton(const QString &clave) const
{
    for (QAction *a : m_tlbAct->actions())
        if (a->data().toString() == clave)
            return a;
    return nullptr;
}

void frmActCatErr::muestraIndicador(int paso, ActualizacionCatalogo::Indicador indicador)
{
    m_imgAct.at(paso)->setPixmap(dibujo(indicador));
}

void frmActCatErr::closeEvent(QCloseEvent *evento)
{
    evento->ignore();
    m_actualizacion.inicia(QStringLiteral("salir"));
}

// Escape closes the window, as "Salir" does.
void frmActCatErr::keyPressEvent(QKeyEvent *evento)
{
    if (evento->key() == Qt::Key_Escape && evento->modifiers() == Qt::NoModifier) {
        m_actualizacion.inicia(QStringLiteral("salir"));
        return;
    }
    QWidget::keyPressEvent(evento);
}

// Each showing opens over the main window, never at the screen's corner,
// with the keys on "Actualizar".
void frmActCatErr::showEvent(QShowEvent *evento)
{
    if (!evento->spontaneous()) {
        Ubicacion::centraSobre(*this, parentWidget());
        if (QWidget *actualizar = m_tlbAct->widgetForAction(boton(QStringLiteral("recibir"))))
            actualizar->setFocus();
    }
    QWidget::showEvent(evento);
}
