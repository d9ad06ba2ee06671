#pragma once

#include <QWidget>

class EstadoBoletin;
class Teletipo;

// The bulletin window: it holds the news ticker nwstBoletines, kept loaded
// and hidden for the whole run. The line the office sees is the strip of the
// main window, which mirrors the same state.
class frmPrincipal : public QWidget
{
    Q_OBJECT
public:
    explicit frmPrincipal(EstadoBoletin &estado, QWidget *parent = nullptr);

    Teletipo *nwstBoletines() const { return m_nwstBoletines; }

private:
    Teletipo *m_nwstBoletines;
};
