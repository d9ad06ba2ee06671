#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class Conexion;
class RsParametros;

// Installs a downloaded catalogue: the seven catalogue tables of the local
// database are replaced by those of the update database, with whatever
// columns they carry there, the lookup indexes are made again and vererr
// takes the new version, all in one transaction. Either every table is new
// and vererr says so, or nothing changed: an error, a killed process or a
// power cut at any point leaves the installed catalogue whole.
//
// The update database is an Access (Jet) file, as the organisation publishes
// it, or an SQLite file; its content decides which. An Access file is first
// copied into a temporary SQLite file beside it (removed afterwards).
class InstalacionCatalogo
{
public:
    // The update is not a database, or its tables cannot serve as the
    // catalogue (a lookup column is missing).
    static constexpr int kNoValida = 321;

    InstalacionCatalogo(const Conexion &conexion, RsParametros &parametros);
    // The tables to replace; the catalogue's seven unless told otherwise.
    InstalacionCatalogo(const Conexion &conexion, RsParametros &parametros, QStringList tablas);

    // Installs the update database at ruta as catalogue version. Throws
    // ErrorTendal: TablaNoEncontrada naming the table the update lacks,
    // kNoValida when it is not a usable database, any other number for a
    // failure of the local database. Nothing is changed when it throws.
    void instala(const QString &ruta, qint32 version);

    // Called inside the transaction after each table was copied, with its
    // number from 1. For tests that interrupt an installation.
    std::function<void(int tabla)> trasTabla;

private:
    void instalaDesdeSqlite(const QString &ruta, qint32 version);

    const Conexion &m_conexion;
    RsParametros &m_parametros;
    QStringList m_tablas;
};
