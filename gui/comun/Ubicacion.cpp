#include "gui/comun/Ubicacion.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

QRect areaDisponible(const QWidget &ventana)
{
    const QScreen *pantalla = ventana.screen();
    if (!pantalla)
        pantalla = QGuiApplication::primaryScreen();
    return pantalla ? pantalla->availableGeometry() : QRect();
}

} // namespace

void Ubicacion::ajustaAPantalla(QWidget &ventana)
{
    const QRect area = areaDisponible(ventana);
    if (area.isEmpty())
        return;
    // The frame (title bar, borders) counts too; before the first showing it
    // is not known yet, and a margin stands for it.
    const QSize marco = ventana.frameGeometry().size() - ventana.geometry().size();
    const QSize borde = marco.isEmpty() ? QSize(16, 40) : marco;
    const QSize maximo = area.size() - borde;
    const QSize minimo = ventana.minimumSizeHint().expandedTo(ventana.minimumSize());
    QSize tamano = ventana.size().boundedTo(maximo).expandedTo(minimo);
    if (tamano != ventana.size())
        ventana.resize(tamano);
    QPoint esquina = ventana.pos();
    esquina.setX(
        std::clamp(esquina.x(), area.left(), std::max(area.left(), area.right() - tamano.width() - borde.width())));
    esquina.setY(
        std::clamp(esquina.y(), area.top(), std::max(area.top(), area.bottom() - tamano.height() - borde.height())));
    if (esquina != ventana.pos())
        ventana.move(esquina);
}

void Ubicacion::centraSobre(QWidget &ventana, const QWidget *padre)
{
    const QRect sobre = padre ? padre->frameGeometry() : areaDisponible(ventana);
    QRect marco = ventana.frameGeometry();
    marco.moveCenter(sobre.center());
    ventana.move(marco.topLeft());
    ajustaAPantalla(ventana);
}
