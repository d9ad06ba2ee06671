#pragma once

#include <QIcon>
#include <QString>

// The pictures of the windows, drawn as SVG in the program's resources:
// the thirteen list icons by number, and the buttons' pictures by name.
class Iconos
{
public:
    static constexpr int kLista = 13;

    // List icon 1 to 13; a null icon for any other number.
    static QIcon lista(int numero);
    // A button picture by name ("enviar", "buscar", "guardar", ...).
    static QIcon boton(const QString &nombre);

private:
    static void registra();
};
