#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <memory>

class DestinoReporte;
class Programa;

// Builds the revision reports the main window shows without holding its
// thread. A large response is built on a worker, on a connection of its own
// (the catalogue and the configuration record are read there), into text the
// worker keeps; the finished report then reaches the target on the owner's
// thread in one piece (vacia, ponTexto with the whole report, termina), a
// build that failed half-way as its header and failure text. A small
// response, or one whose worker cannot open its connection, is built on the
// owner's thread at once. Another report, or abandona(), abandons the one in
// progress: its worker stops at its next piece and its text is dropped.
class CargaReporte : public QObject
{
    Q_OBJECT
public:
    // Responses up to this size (bytes) are built at once: a few
    // milliseconds of work, shown without a wait.
    static constexpr qint64 kTamanoInmediato = 128 * 1024;

    explicit CargaReporte(Programa &programa, QObject *parent = nullptr);
    ~CargaReporte() override;

    // Builds the report of the response `archivo` (as
    // GeneradorReporte::Genera_Reporte takes it, respuesta its id in the
    // journal) into the target, which must outlive the load or be released
    // by abandona() first.
    void carga(const QString &titulo, const QString &archivo, const QString &guardada, DestinoReporte &destino,
               qint64 respuesta = 0);
    // Abandons the report in progress, if any; its target is not touched again.
    void abandona();
    bool cargando() const { return m_abandono != nullptr; }
    // The program ends: the report in progress is abandoned and its worker
    // joined.
    void termina();

signals:
    // A report reached its target (completo: the build completed).
    void terminada(bool completo);

private:
    Programa &m_programa;
    std::shared_ptr<std::atomic_bool> m_abandono; // the load in progress
    quint64 m_generacion = 0;
    // The reports' worker (one: a newer report waits for the abandoned one's
    // next piece at most, never behind another kind of work).
    QThreadPool m_hilos;
};
