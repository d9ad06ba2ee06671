#pragma once

#include <QString>

// A new office: the database with its one configuration row, the local
// send and reception folders under the data folder, and the start-up file
// when there is none.
struct NuevaOficina {
    int patente = 0;
    QString agente;
    QString servidor = QStringLiteral("127.0.0.1");
    QString claveFtp; // in clear; stored scrambled
    QString clavePago; // in clear; stored scrambled
    QString carpetaDatos; // holds Prevalida.db and the local folders
    // The address of the database server (postgresql://...) when the office
    // lives there: its database must exist, without an office; the start-up
    // file names it, and carpetaDatos holds only the local folders.
    QString base;

    // Creates everything. Refuses (ErrorTendal), leaving nothing of its own
    // behind, when the folder already holds a database, when the database
    // cannot be made (a server that refuses, an office already there) or
    // when the start-up file is to be written and cannot hold the folder's
    // name (Windows-1252, one line). Writes rutaIni only when no such file
    // exists; returns true when it wrote it.
    bool crea(const QString &rutaIni) const;

    // The local folder of a PARAMETROS folder column ("val_env" ...) under carpeta.
    static QString carpetaLocal(const QString &carpeta, const QString &columna);

private:
    // The folders, the database and its configuration record in carpeta;
    // its mode is changed only when the folder is new.
    void creaEn(const QString &carpeta, bool carpetaExistia) const;
};
