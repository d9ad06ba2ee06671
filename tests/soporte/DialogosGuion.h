#pragma once

#include "core/base/Dialogos.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <functional>

// The person at the keyboard, scripted: every message is recorded, questions
// take their answers from a queue (No when it is empty), password prompts
// take theirs from another queue (cancelled when it is empty).
class DialogosGuion : public Dialogos
{
public:
    struct Mensaje {
        QString texto;
        QString titulo;
        Icono icono;
        Botones botones;
    };

    Respuesta mensaje(const QString &texto, const QString &titulo, Icono icono, Botones botones) override;
    std::optional<QString> pideClave() override;

    QQueue<Respuesta> respuestas;
    QQueue<std::optional<QString>> claves;
    QList<Mensaje> mensajes;
    int clavesPedidas = 0;
    // Runs when a message is shown, before it is answered (a test may change
    // the world the person would change before answering).
    std::function<void(const Mensaje &)> alMostrar;

    QStringList textos() const;
};
