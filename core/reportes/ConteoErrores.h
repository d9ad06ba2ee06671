#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>

class QIODevice;

// How many errors the report of a stored response shows, so that a list can
// tell a clean response from one with errors. The lines are told apart by
// the rules the report builder's formats use to write error entries; no
// catalogue lookup is made. Counts are made off the calling thread, once per
// file (its path, size and time of change) or, for a response whose file is
// not on this workstation, once per response of the journal, and kept.
class ConteoErrores : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSinCuenta = -1;

    // baseDatos: the office database, where the bytes of a response stored
    // on another workstation are read (empty: only files are counted).
    explicit ConteoErrores(QString baseDatos = {}, QObject *parent = nullptr);
    ~ConteoErrores() override;

    // The program ends: counts waiting for the worker are dropped, the one
    // under way is joined.
    void termina();

    // The count of the response named `nombre` stored at `ruta`, read now:
    // kSinCuenta for a response whose report has no error entries to count
    // (shown unchanged, or of no kind) or a file that cannot be read whole.
    static int cuenta(const QString &nombre, const QString &ruta);
    // The same, read from the open response.
    static int cuenta(const QString &nombre, QIODevice &respuesta);

    // The kept count of the response; kSinCuenta while it is being counted
    // (the count starts here off the thread, and `contado` follows, always
    // after this returned) or when none applies. respuesta: its id in the
    // journal, whose bytes are counted when the file is not here (0: only
    // the file).
    int errores(const QString &nombre, const QString &ruta, qint64 respuesta = 0);

    // The files may have changed (a response stored again under its name):
    // their size and time of change are read again at the next ask. Until
    // then a path asked again is not looked at on the disk (a list asks for
    // each row it paints).
    void olvidaArchivos() { m_vistos.clear(); }

signals:
    // A count was kept.
    void contado();

private:
    QString m_baseDatos;
    QHash<QString, int> m_cuentas; // key of the file -> its count
    struct Visto {
        QString clave;
        bool delDiario;
    };
    QHash<QString, Visto> m_vistos; // name, path and response -> what was seen of it
    QSet<QString> m_pendientes;
    // The counts' worker: one, so that a list of many responses queues its
    // counts instead of taking every core, and no other work waits for them.
    QThreadPool m_hilos;
};
