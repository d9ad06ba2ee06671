#include "gui/principal/BarraEstado.h"

#include "core/base/Reloj.h"

#include <QLabel>
#include <QLocale>
#include <QProgressBar>

#include <algorithm>

BarraEstado::BarraEstado(const Reloj &reloj, const QString &fecha, const QString &diaJuliano, QWidget *parent)
    : QStatusBar(parent)
    , m_reloj(reloj)
{
    setSizeGripEnabled(true);
    m_aviso = new QLabel(this);
    m_aviso->setObjectName(QStringLiteral("aviso"));
    m_aviso->setContentsMargins(6, 1, 6, 1);
    m_aviso->setTextFormat(Qt::PlainText);
    addWidget(m_aviso, 1);
    m_avance = new QProgressBar(this);
    m_avance->setObjectName(QStringLiteral("avance"));
    m_avance->setRange(0, 1000);
    m_avance->setMaximumWidth(180);
    m_avance->setTextVisible(true);
    m_avance->hide();
    addWidget(m_avance);
    m_finAviso.setSingleShot(true);
    m_finAviso.setInterval(8000);
    connect(&m_finAviso, &QTimer::timeout, m_aviso, &QLabel::clear);
    const QString textos[3] = {fecha, diaJuliano, QString()};
    for (int i = 0; i < 3; ++i) {
        m_paneles[i] = new QLabel(textos[i], this);
        m_paneles[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_paneles[i]->setContentsMargins(6, 1, 6, 1);
        m_paneles[i]->setObjectName(QStringLiteral("panel%1").arg(i + 1));
        addPermanentWidget(m_paneles[i]);
    }
    m_paneles[2]->setAlignment(Qt::AlignCenter);
    m_paneles[2]->setMinimumWidth(fontMetrics().horizontalAdvance(hora(QTime(22, 58, 58))) + 24);
    actualizaHora();
    connect(&m_tiempo, &QTimer::timeout, this, &BarraEstado::actualizaHora);
    m_tiempo.start(1000);
}

QString BarraEstado::panel(int n) const
{
    return m_paneles[n - 1]->text();
}

void BarraEstado::ponAviso(const QString &texto)
{
    m_finAviso.stop();
    m_aviso->setText(texto);
}

void BarraEstado::avisaBreve(const QString &texto)
{
    m_aviso->setText(texto);
    m_finAviso.start();
}

QString BarraEstado::aviso() const
{
    return m_aviso->text();
}

void BarraEstado::ponAvance(qint64 hecho, qint64 total)
{
    if (total <= 0)
        return;
    m_avance->setValue(int(std::clamp<qint64>(hecho * 1000 / total, 0, 1000)));
    m_avance->setFormat(
        QStringLiteral("%1 de %2")
            .arg(QLocale::system().formattedDataSize(hecho), QLocale::system().formattedDataSize(total)));
    m_avance->show();
}

void BarraEstado::quitaAvance()
{
    m_avance->hide();
    m_avance->reset();
}

QString BarraEstado::hora(const QTime &hora)
{
    return QLocale::system().toString(hora, QLocale::ShortFormat);
}

void BarraEstado::actualizaHora()
{
    const QString texto = hora(m_reloj.ahora().time());
    if (m_paneles[2]->text() != texto)
        m_paneles[2]->setText(texto);
}
