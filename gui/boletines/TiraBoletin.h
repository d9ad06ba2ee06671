#pragma once

#include <QToolBar>

class EstadoBoletin;
class Teletipo;

// The bulletin strip of the main window: the news ticker across the window,
// shown only while the ticker is on, so that the office sees the bulletins.
class TiraBoletin : public QToolBar
{
    Q_OBJECT
public:
    TiraBoletin(EstadoBoletin &estado, QWidget *parent = nullptr);

    Teletipo *teletipo() const { return m_teletipo; }

private:
    Teletipo *m_teletipo;
};
