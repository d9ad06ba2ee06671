#pragma once

#include <QCoro/QCoroTask>
#include <QDate>
#include <QObject>
#include <QString>

#include <QThreadPool>

#include <array>
#include <atomic>
#include <memory>
#include <functional>

class ErrorTendal;
class Programa;

// The catalogue update run of the window frmActCatErr: Movimientos(accion)
// with the window's tool bar keys, and the state the window shows (the four
// step indicators and the result line). Over one session of eftpActCatErr
// with the update account it brings, from the server's update folder:
//
//  B. the password change file "Cpas" + patente + ".rgs": applied when its
//     date has come, otherwise queued in ACTUALIZACIONES (campos 12 and 13);
//  C. the parameter change list "Actpm" + version + ".act" when
//     "revactp.txt" offers a version above VerPar: each line applied or
//     queued by its date, VerPar stored with the applied changes;
//  D. the catalogue, when "revact.txt" names a version above vererr:
//     "ACTE" + version + ".mdb.mz", decompressed and installed whole
//     (InstalacionCatalogo) or not at all. Decompressing and installing run
//     on a worker, so the window keeps painting and shows the progress; the
//     rest of the program reads the previous catalogue until the new one is
//     in whole.
//
// Dates are calendar days of the program's clock. Every local file lies in
// the work folder and is deleted on every way out of the run. Errors are
// reported as the catalogue update reports them (ReporteConexion); an update
// that cannot be installed says why in a message and in the result line,
// and the installed catalogue stays as it was.
class ActualizacionCatalogo : public QObject
{
    Q_OBJECT
public:
    enum class Indicador { Ninguno, Ejecutando, Hecho, Fin };

    static constexpr int kPasos = 4;

    explicit ActualizacionCatalogo(Programa &programa, QObject *parent = nullptr);
    ~ActualizacionCatalogo() override;

    // "recibir" runs the update (at once back when one is running); "salir"
    // hides the window and closes the FTP connection; any other key only
    // closes the connection. While a run is going on the connection is left
    // to it: the run closes it at its end.
    QCoro::Task<> Movimientos(QString accion);
    // The same started from a window: it runs on by itself, and whatever
    // ends it is told to the person.
    void inicia(const QString &accion);
    // The program ends: no run starts any more; a run under way is cut short
    // (a download interrupted, an installation rolled back at its next
    // step, the installed catalogue left as it was), without a message, and
    // awaited.
    QCoro::Task<> termina();
    // Whether the run under way was told to stop (any thread may ask).
    bool abandonada() const { return m_abandono->load(); }
    // Called on the installation's worker after each table is filled (the
    // tests hold an installation there).
    std::function<void(int tabla)> trasTabla;

    // The caption of step 1 to 4.
    static QString leyenda(int paso);
    Indicador indicador(int paso) const { return m_indicadores.at(paso - 1); }
    const QString &resultado() const { return m_resultado; }
    // What the installation of step 4 is doing while it runs (the table and
    // its rows copied); empty otherwise.
    const QString &avance() const { return m_avance; }
    bool enCurso() const { return m_enCurso; }
    // The last run ended with an error message.
    bool terminoConError() const { return m_error; }

    // The names of the run's files.
    static QString archivoClaves(int patente);
    static QString archivoVersionParametros() { return QStringLiteral("revactp.txt"); }
    static QString archivoParametros(int version);
    static QString archivoVersionCatalogo() { return QStringLiteral("revact.txt"); }
    static QString archivoCatalogo(const QString &versionTexto);
    // The first line of one of the organisation's files (written with CR LF;
    // a lone LF ends the line too, since no field can hold one).
    static QString primeraLinea(const QString &ruta);
    // The four characters of the version text from the first line of the
    // catalogue version list (padded with blanks).
    static QString versionTexto(const QString &linea);

signals:
    void indicadorCambiado(int paso, ActualizacionCatalogo::Indicador indicador);
    void resultadoCambiado(const QString &resultado);
    void avanceCambiado(const QString &avance);
    // "salir": the window hides.
    void ocultaVentana();
    // A run ended (its state is final until the next "recibir").
    void terminado();

private:
    QCoro::Task<> recibir();
    QCoro::Task<bool> recibe(QString archivo);
    QCoro::Task<> pasoClaves();
    QCoro::Task<> pasoParametros();
    QCoro::Task<> pasoCatalogo();
    QCoro::Task<> instala(QString versionTexto);

    void ponIndicador(int paso, Indicador indicador);
    void ponResultado(const QString &texto);
    void ponAvance(const QString &texto);
    void reporta(const ErrorTendal &error);
    // An update that cannot be installed: the result line and a message.
    void noSeInstala(int paso, const QString &texto);
    QString local(const QString &archivo) const;
    QDate hoy() const;

    Programa &m_programa;
    std::array<Indicador, kPasos> m_indicadores {};
    QString m_resultado;
    QString m_avance;
    bool m_enCurso = false;
    bool m_error = false;
    QStringList m_archivos; // local files of the running run
    bool m_terminando = false;
    std::shared_ptr<std::atomic_bool> m_abandono = std::make_shared<std::atomic_bool>(false);
    // The decompression and the installation (one at a time, never behind
    // another kind of work).
    QThreadPool m_hilos;
};
