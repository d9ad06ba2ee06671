#pragma once

#include "core/catalogo/ActualizacionCatalogo.h"

#include <QPixmap>
#include <QWidget>

#include <array>

class QAction;
class QLabel;
class QToolBar;

// "Actualización del Catálogo de Errores": the tool bar tlbAct ("Actualizar",
// key "recibir"; "Salir", key "salir"), the four step captions lblAct(0..3)
// with their indicators imgAct(1..4) beside them (imgAct(0) is a fixed
// picture), the progress of the installation under them, and the result
// line lblResult. Every button has its letter (Alt+A, Alt+S) and a Tab
// stop; Escape closes the window as "Salir" does. The window only mirrors the run
// (ActualizacionCatalogo) and hands it the keys of the buttons. Closing it
// from the title bar is turned into Movimientos("salir"): the window is
// hidden, never destroyed, and shows the last run when it comes back.
class frmActCatErr : public QWidget
{
    Q_OBJECT
public:
    explicit frmActCatErr(ActualizacionCatalogo &actualizacion, QWidget *parent = nullptr);

    QToolBar *tlbAct() const { return m_tlbAct; }
    QAction *boton(const QString &clave) const;
    QLabel *lblAct(int i) const { return m_lblAct.at(i); }
    QLabel *imgAct(int i) const { return m_imgAct.at(i); }
    QLabel *lblResult() const { return m_lblResult; }
    // The progress of the installation (step 4) while it runs.
    QLabel *lblAvance() const { return m_lblAvance; }

    // The picture of an indicator (none for Ninguno).
    static QPixmap dibujo(ActualizacionCatalogo::Indicador indicador);

protected:
    void closeEvent(QCloseEvent *evento) override;
    void showEvent(QShowEvent *evento) override;
    void keyPressEvent(QKeyEvent *evento) override;

private:
    void muestraIndicador(int paso, ActualizacionCatalogo::Indicador indicador);

    ActualizacionCatalogo &m_actualizacion;
    QToolBar *m_tlbAct = nullptr;
    std::array<QLabel *, ActualizacionCatalogo::kPasos> m_lblAct {};
    std::array<QLabel *, ActualizacionCatalogo::kPasos + 1> m_imgAct {};
    QLabel *m_lblResult = nullptr;
    QLabel *m_lblAvance = nullptr;
};
