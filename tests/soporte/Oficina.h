#pragma once

#include "core/oficina/Programa.h"
#include "core/base/Reloj.h"
#include "tests/soporte/DialogosGuion.h"

#include <QTemporaryDir>
#include <memory>

class ClusterPostgres;

// A whole office in a temporary folder for one test: the database made as
// `tendal init` makes it (patente 123 unless told otherwise), Tendal.ini,
// the work folder, a pinned clock and the scripted person at the keyboard.
// carga() starts the program on it as the desktop program does.
//
// With TENDAL_PRUEBA_BASE=postgresql in the environment (ctest's "_postgres"
// runs of the office tests), the database is a new database of the test
// process's own PostgreSQL cluster (ClusterPostgres) instead of the file.
class Oficina
{
public:
    explicit Oficina(int patente = 123, const QDateTime &ahora = QDateTime(QDate(2026, 2, 14), QTime(10, 30, 0)));

    QString raiz() const { return m_dir.path(); }
    QString carpetaDatos() const;
    // What the start-up file names: the data folder, or the server's address.
    QString base() const;
    bool enServidor() const { return !m_direccion.isEmpty(); }
    static bool pruebaEnServidor();
    QString ini() const;
    QString trabajo() const;
    // Local folder of a PARAMETROS folder column ("val_env", "val_rec", ...).
    QString carpeta(const QString &columna) const;

    // Runs SQL on the database before (or after) the start.
    void sql(const QString &sentencia, const QVariantList &valores = {});

    // Starts the program (Programa::carga) and returns it.
    Programa &carga();
    Programa &programa() { return *m_programa; }

    RelojFijo reloj;
    DialogosGuion dialogos;
    ClienteFtp::Limites limitesFtp {5, 1, 5};

private:
    std::shared_ptr<ClusterPostgres> m_cluster;
    QString m_direccion;
    QTemporaryDir m_dir;
    std::unique_ptr<Programa> m_programa;
};
