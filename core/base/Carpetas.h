#pragma once

#include <QString>
#include <QStringList>

// Where the program finds its start-up file and keeps its working files.
//
// Start-up file Tendal.ini, in this order: --ini FILE, $TENDAL_INI, beside
// the executable, ~/.config/tendal/Tendal.ini. Its first line, from the
// ninth character on, is the folder of the database.
//
// Work folder (files exchanged with the organisation's update folder):
// --workdir DIR, $TENDAL_WORKDIR, or ~/.local/share/tendal; mode 0700.
// TendalTmp (files being sent or received) lies inside it, also 0700.
class Carpetas
{
public:
    Carpetas(QString trabajo, QString ini);

    // Resolves both places from the options (empty when not given) and the
    // environment.
    static Carpetas resuelve(const QString &opcionIni, const QString &opcionTrabajo);

    const QString &trabajo() const { return m_trabajo; }
    QString temporal() const; // TendalTmp
    const QString &ini() const { return m_ini; }

    // Creates the work folder and TendalTmp when missing (mode 0700).
    // Throws ErrorTendal when a folder cannot be created.
    void preparaTrabajo() const;

    // The database folder named by the start-up file. Throws ErrorTendal with
    // a clear message naming the file when it is missing, unreadable, or its
    // first line is shorter than eight characters.
    // The address of a database server (postgresql://...) comes unchanged.
    QString carpetaBaseDatos() const;

    // Path of a file in the work folder / in TendalTmp.
    QString enTrabajo(const QString &nombre) const;
    QString enTemporal(const QString &nombre) const;

private:
    QString m_trabajo;
    QString m_ini;
};
