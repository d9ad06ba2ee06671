#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

class EstadoBoletin;

// The news ticker: one line of white bold text that scrolls from right to
// left over red while it is on. Off, it shows nothing and does not move.
class Teletipo : public QWidget
{
    Q_OBJECT
public:
    explicit Teletipo(QWidget *parent = nullptr);

    // Follows the bulletin state from now on (text and switch).
    void refleja(EstadoBoletin &estado);

    void ponTexto(const QString &texto);
    void enciende(bool encendido);

    const QString &texto() const { return m_texto; }
    bool encendido() const { return m_encendido; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *evento) override;

private:
    void avanza();

    QString m_texto;
    bool m_encendido = false;
    int m_desplazamiento = 0;
    QTimer m_paso;
};
