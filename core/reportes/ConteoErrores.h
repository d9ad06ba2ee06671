#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

// How many errors the report of a stored response shows, so that a list can
// tell a clean response from one with errors. The lines are told apart by
// the rules the report builder's formats use to write error entries; no
// catalogue lookup is made. Counts are made off the calling thread, once per
// file (its path, size and time of change), and kept.
class ConteoErrores : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSinCuenta = -1;

    explicit ConteoErrores(QObject *parent = nullptr);

    // The count of the response named `nombre` stored at `ruta`, read now:
    // kSinCuenta for a response whose report has no error entries to count
    // (shown unchanged, or of no kind) or a file that cannot be read whole.
    static int cuenta(const QString &nombre, const QString &ruta);

    // The kept count of the file; kSinCuenta while it is being counted (the
    // count starts here off the thread, and `contado` follows) or when none
    // applies.
    int errores(const QString &nombre, const QString &ruta);

signals:
    // A count was kept.
    void contado();

private:
    QHash<QString, int> m_cuentas; // key of the file -> its count
    QSet<QString> m_pendientes;
};
