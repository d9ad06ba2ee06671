#pragma once

#include <QStatusBar>
#include <QTimer>

class QLabel;
class QProgressBar;
class Reloj;

// The status bar stbPrincipal: panel 1 the start date in long format,
// panel 2 the julian day, panel 3 the current time, which the bar keeps up
// to date itself. Left of them, the notice of what runs or just ended.
class BarraEstado : public QStatusBar
{
    Q_OBJECT
public:
    BarraEstado(const Reloj &reloj, const QString &fecha, const QString &diaJuliano, QWidget *parent = nullptr);

    QString panel(int n) const; // 1 to 3

    // The notice: what runs now (stays until replaced or cleared), or what
    // just ended (shown for a few seconds).
    void ponAviso(const QString &texto);
    void avisaBreve(const QString &texto);
    QString aviso() const;

    // The progress of a large upload, beside the notice; hidden by quitaAvance().
    void ponAvance(qint64 hecho, qint64 total);
    void quitaAvance();
    const QProgressBar &avance() const { return *m_avance; }

    // The time as panel 3 shows it.
    static QString hora(const QTime &hora);

private:
    void actualizaHora();

    const Reloj &m_reloj;
    QLabel *m_aviso;
    QProgressBar *m_avance;
    QLabel *m_paneles[3];
    QTimer m_finAviso;
    QTimer m_tiempo;
};
