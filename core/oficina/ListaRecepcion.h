#pragma once

#include "core/oficina/ListaArchivos.h"

// The reception list (lvwPreVal 1): files sent whose responses are still
// awaited. The file name and the time of sending are visible. Kept in
// LISTA_RECEPCION.
class ListaRecepcion : public ListaArchivos
{
    Q_OBJECT
public:
    enum Columna {
        Nombre = 0,
        Prev,
        Val,
        Hora,
        RutaPrev,
        RutaVal,
        ArchivoPrev,
        ArchivoVal,
        RutaDest,
        Icono,
        NumColumnas
    };

    struct Entrada {
        QString nombre;
        QString prev; // "X" when the prevalidation response is in or none is expected
        QString val; // "X" when the validation response is in
        QString hora; // "hh:mm ampm"
        QString rutaPrev;
        QString rutaVal;
        QString archivoPrev;
        QString archivoVal;
        QString rutaDest;
        QString icono;
    };

    explicit ListaRecepcion(const Conexion *conexion = nullptr, QObject *parent = nullptr);

    Entrada entrada(int i) const;
    int agrega(const Entrada &e);
    void cambia(int i, const Entrada &e);
};
