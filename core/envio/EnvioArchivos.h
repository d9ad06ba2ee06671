#pragma once

#include "core/db/Diario.h"
#include "core/oficina/ListaEnvio.h"
#include "core/oficina/ListaRecepcion.h"

#include <QCoro/QCoroTask>
#include <QThreadPool>
#include <QObject>
#include <QString>

#include <optional>

class Boletines;
class Huella;
class CicloRecepcion;
class ErrorTendal;
class Programa;
struct ReglaEnvio;

// The send command ("enviar") and the receive-only command ("recibir") of the
// tool bar, step by step.
//
// Sending: the bulletin refresh, the broker's session on eftpEnvio, the
// payment-password file from the server, the password decision, then for
// every file of the send list that waits ("E"), is of the start day and has
// a send rule: a copy through TendalTmp, the upload to the server folder of
// its type, the deletions, and its entry in the reception list with the
// responses it expects. Then the clean-up pass and the receive cycle.
//
// A file leaves the send list only once it is listed for reception, and it
// is listed for reception only once it was uploaded (or, for the
// receive-only command, moved on purpose). Each list change is stored at
// once, so a command that stops half-way leaves both lists right.
class EnvioArchivos : public QObject
{
    Q_OBJECT
public:
    EnvioArchivos(Programa &programa, CicloRecepcion &ciclo, Boletines &boletines, QObject *parent = nullptr);
    ~EnvioArchivos() override;

    // Both handle their own failures; neither closes eftpEnvio at its end
    // (the tool bar's common exit does).
    QCoro::Task<> Envia();
    QCoro::Task<> RecibeSinEnviar();

    // The send takes only the files of these names (in any case) from the
    // send list, the others stay queued; empty (the default): every file of
    // the day. The command line's named files.
    void soloArchivos(const QStringList &nombres) { m_solo = nombres; }

    // The program ends: the send under way is being cut short by its
    // owner; the failure that follows is not told (its file stays in the
    // send list, its claim let go, as after any failed upload).
    void interrumpe() { m_interrumpido = true; }

    // Uploads larger than this report their progress (avanceEnvio).
    static constexpr qint64 kAvanceDesde = 1024 * 1024;

signals:
    // A file is taken now: its name, its place among the files of this run
    // (from 1) and how many the run takes.
    void enviandoArchivo(const QString &nombre, int numero, int total);
    // How far the upload of a file over kAvanceDesde bytes went: a few times
    // a second while it runs, and once more with enviado == total when the
    // server took it all.
    void avanceEnvio(const QString &nombre, qint64 enviado, qint64 total);
    // A file was uploaded and listed for reception.
    void archivoEnviado(const QString &nombre, const QString &carpetaServidor, const QString &archivoPrev,
                        const QString &archivoVal);
    // A file the send took was not sent, and why, where no message said so
    // (another program is sending it, the person chose not to send the same
    // bytes again).
    void archivoNoEnviado(const QString &nombre, const QString &motivo);
    // The configuration asks for TLS when the server offers it and the
    // send goes in the clear: said once per send, before its first upload.
    void envioSinCifrar(const QString &texto);

private:
    // The steps of one file; the file-error questions move between them.
    // Lista: it goes to the reception list; Queda: it stays in the send list.
    // Reclama: the journal records the claim; Ajeno: another program holds it.
    enum class Paso { Reclama, Copia, Sube, BorraRespuestas, BorraLocal, Lista, Queda, Ajeno };

    QCoro::Task<> preparaSesion();
    void leeArchivoPago();
    void decideClave();
    QCoro::Task<> cicloArchivos(bool enviando);
    QCoro::Task<bool> procesa(qint64 cola, ListaEnvio::Entrada entrada, const ReglaEnvio &regla, bool enviando);
    std::optional<Diario::Reclamo> reclama(qint64 cola, const QString &nombre);
    void renueva(qint64 transmision);
    QCoro::Task<bool> yaEnServidor(QString carpetaServidor, QString nombre, qint64 tamano);
    void libera(qint64 transmision);
    QCoro::Task<> borraCopia(QString nombre);
    bool confirmaReenvio(const QString &nombre, const Huella &huella);
    QString esperaAun(const ListaRecepcion::Entrada &r, bool enviando) const;
    bool esperadaPorElMismo(const ListaRecepcion::Entrada &r) const;
    void anotaHoraEnvio(qint64 transmision);
    ListaRecepcion::Entrada entradaRecepcion(const ListaEnvio::Entrada &e, const ReglaEnvio &regla) const;
    bool preguntaPorArchivo(const ErrorTendal &error, const QString &nombre);
    bool puedeEscribir();
    void terminaConError(const ErrorTendal &error, const QString &yaMostrado = QString());
    bool tomado(const QString &nombre) const;
    void avisaSiSinCifrar();
    void anotaProteccion(qint64 transmision);

    Programa &m_programa;
    CicloRecepcion &m_ciclo;
    Boletines &m_boletines;
    QStringList m_solo;
    bool m_avisoCifrado = false;
    bool m_interrumpido = false;
    // The copies and deletions of the send's files (one at a time, never
    // behind another kind of work).
    QThreadPool m_copias;
};
