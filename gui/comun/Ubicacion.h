#pragma once

class QWidget;

// Where a window opens: never larger than the part of its screen that
// windows may use (the task bar left out), and over its parent window (or in
// the middle of the screen when it has none).
class Ubicacion
{
public:
    // Shrinks the window to the available area of its screen, down to what
    // its layout needs at least, and moves it inside that area.
    static void ajustaAPantalla(QWidget &ventana);
    // Centres the window over padre (its screen when padre is null), then
    // keeps it on the screen.
    static void centraSobre(QWidget &ventana, const QWidget *padre);
};
