#pragma once

#include "core/oficina/ListaArchivos.h"

// The send list (lvwPreVal 0): files waiting to be sent ("E") and the
// response files received for them ("K" prevalidation, "R" validation).
// Only the file name is visible. Kept in LISTA_ENVIO.
class ListaEnvio : public ListaArchivos
{
    Q_OBJECT
public:
    enum Columna { Nombre = 0, Estado, Icono, RutaPre, RutaVal, NumColumnas };

    struct Entrada {
        QString nombre;
        QString estado; // "E", "K", "R"
        QString icono; // icon number as text, may be empty
        QString rutaPre;
        QString rutaVal;
    };

    explicit ListaEnvio(const Conexion *conexion = nullptr, QObject *parent = nullptr);

    Entrada entrada(int i) const;
    int agrega(const Entrada &e);
    void cambia(int i, const Entrada &e);
};
