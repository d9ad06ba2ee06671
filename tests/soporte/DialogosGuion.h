#pragma once

#include "core/base/Dialogos.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <functional>

// The person at the keyboard, scripted: every message is recorded, questions
// take their answers from a queue (No when it is empty); password prompts,
// folder pickers and print dialogs take theirs from their own queues
// (cancelled when the queue is empty).
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
    std::optional<QString> eligeCarpeta(const QString &inicial) override;
    // Files are answered from the same queue as folders.
    std::optional<QString> eligeArchivo(const QString &inicial, const QString &filtro) override;
    bool preparaImpresion(QPrinter &impresora) override;
    std::optional<QString> eligeArchivoPdf(const QString &sugerido) override;

    QQueue<Respuesta> respuestas;
    QQueue<std::optional<QString>> claves;
    QList<Mensaje> mensajes;
    int clavesPedidas = 0;
    QQueue<std::optional<QString>> carpetas;
    QStringList carpetasIniciales; // the initial folder of every picker shown
    // A print dialog's answer sets the printer up (a PDF file, say) and says
    // whether to print.
    QQueue<std::function<bool(QPrinter &)>> impresiones;
    int impresionesPedidas = 0;
    // The save-file picker's answers (cancelled when empty) and the names it was opened with.
    QQueue<std::optional<QString>> archivosPdf;
    QStringList archivosSugeridos;
    // Runs when a message is shown, before it is answered (a test may change
    // the world the person would change before answering).
    std::function<void(const Mensaje &)> alMostrar;

    QStringList textos() const;
};
