#include "gui/boletines/Teletipo.h"

#include "core/boletines/EstadoBoletin.h"

#include <QPainter>

namespace {

constexpr int kRetrasoMs = 30; // between two steps
constexpr int kPasoPx = 3; // pixels per step

} // namespace

Teletipo::Teletipo(QWidget *parent)
    : QWidget(parent)
{
    QFont letra = font();
    letra.setBold(true);
    letra.setPointSize(12);
    setFont(letra);
    setAutoFillBackground(false);
    m_paso.setInterval(kRetrasoMs);
    connect(&m_paso, &QTimer::timeout, this, &Teletipo::avanza);
}

void Teletipo::refleja(EstadoBoletin &estado)
{
    const auto copia = [this, &estado] {
        ponTexto(estado.texto());
        enciende(estado.encendido());
    };
    connect(&estado, &EstadoBoletin::cambiado, this, copia);
    copia();
}

void Teletipo::ponTexto(const QString &texto)
{
    if (texto == m_texto)
        return;
    m_texto = texto;
    m_desplazamiento = width();
    update();
}

void Teletipo::enciende(bool encendido)
{
    m_encendido = encendido;
    if (encendido) {
        m_desplazamiento = width();
        m_paso.start();
    } else {
        m_paso.stop();
    }
    update();
}

QSize Teletipo::sizeHint() const
{
    return {400, fontMetrics().height() + 8};
}

void Teletipo::avanza()
{
    m_desplazamiento -= kPasoPx;
    if (m_desplazamiento < -fontMetrics().horizontalAdvance(m_texto))
        m_desplazamiento = width();
    update();
}

void Teletipo::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(255, 0, 0));
    if (!m_encendido || m_texto.isEmpty())
        return;
    p.setPen(Qt::white);
    p.setFont(font());
    const int base = (height() + fontMetrics().ascent() - fontMetrics().descent()) / 2;
    p.drawText(m_desplazamiento, base, m_texto);
}
