#pragma once

#include "core/db/Conexion.h"
#include "core/oficina/Programa.h"

#include <QtGlobal>

// Back to every transmission awaiting its validation response: the journal,
// which records a response once, forgets the responses (their bytes first),
// and the files received leave the send list and await again. The receive
// benchmarks start each round from here.
inline void olvidaRespuestas(Programa &p, int esperados)
{
    p.conexion().ejecuta(QStringLiteral("DELETE FROM RESPUESTA_CONTENIDO"));
    p.conexion().ejecuta(QStringLiteral("DELETE FROM RESPUESTA"));
    p.conexion().ejecuta(QStringLiteral("UPDATE TRANSMISION SET VAL = '', EN_RECEPCION = 1"));
    p.conexion().ejecuta(QStringLiteral("UPDATE DIARIO_VERSION SET NUMERO = NUMERO + 1"));
    p.refrescaListas();
    if (p.listaRecepcion().cuenta() != esperados || p.listaEnvio().cuenta() != 0)
        qFatal("la oficina no volvió a esperar %d archivos", esperados);
}
