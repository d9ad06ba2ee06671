#pragma once

#include <QObject>
#include <QString>

// What the news ticker shows: one line of text and a switch that is on while
// there is a bulletin line to show. Every ticker of the windows mirrors it.
class EstadoBoletin : public QObject
{
    Q_OBJECT
public:
    explicit EstadoBoletin(QObject *parent = nullptr);

    const QString &texto() const { return m_texto; }
    bool encendido() const { return m_encendido; }

    void pon(const QString &texto, bool encendido);
    void apaga() { pon(QString(), false); }

signals:
    void cambiado();

private:
    QString m_texto;
    bool m_encendido = false;
};
