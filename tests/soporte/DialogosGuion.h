#pragma once

#include "core/base/Dialogos.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <functional>

// The person at the keyboard, scripted: every message is recorded, questions
// take their answers from a queue; password prompts, folder pickers, print
// dialogs and save pickers take theirs from their own queues (a cancel is
// scripted as std::nullopt, or false for a print dialog).
//
// The script is strict: a question or prompt with no answer left fails the
// running test (and is answered No, or cancelled), and so does an answer
// still queued when the person goes (the destructor checks, unless the test
// failed already; comprueba() checks earlier). A test thus states every
// question the program asks, no more and no fewer.
class DialogosGuion : public Dialogos
{
public:
    DialogosGuion() = default;
    ~DialogosGuion() override;
    DialogosGuion(const DialogosGuion &) = delete;
    DialogosGuion &operator=(const DialogosGuion &) = delete;

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

    // Fails the test for every scripted answer still queued, and forgets
    // them.
    void comprueba();
    // Where a fault of the script goes: the running test fails with it (a
    // program with no test running ends with it). The double's own test
    // collects them instead.
    std::function<void(const QString &)> alFaltar;

private:
    void falta(const QString &texto);
};
