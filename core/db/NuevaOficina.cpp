#include "core/db/NuevaOficina.h"

#include "core/base/Ansi.h"
#include "core/db/Conexion.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Funciones.h"
#include "core/base/Vb.h"
#include "core/base/Permisos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const char *const kCarpetasLocales[][2] = {
    {"val_env", "envio/saai"},       {"val_rec", "recepcion/saai"},    {"tra_env", "envio/cartas"},
    {"tra_rec", "recepcion/cartas"}, {"pag_env", "envio/pago"},        {"pag_rec", "recepcion/pago"},
    {"sag_env", "envio/sagarpa"},    {"sag_rec", "recepcion/sagarpa"}, {"api_rec", "recepcion/api"},
    {"prof_rec", "recepcion/prof"},
};

} // namespace

QString NuevaOficina::carpetaLocal(const QString &carpeta, const QString &columna)
{
    for (const auto &par : kCarpetasLocales)
        if (columna.compare(QLatin1StringView(par[0]), Qt::CaseInsensitive) == 0)
            return QDir(carpeta).filePath(QString::fromLatin1(par[1]));
    return {};
}

void NuevaOficina::creaEn(const QString &carpeta, bool carpetaExistia) const
{
    const bool carpetaNueva = !carpetaExistia;
    if (!QDir().mkpath(carpeta))
        throw ErrorTendal(ErrorTendal::RutaNoEncontrada,
                          QStringLiteral("No se pudo crear la carpeta %1").arg(QDir::toNativeSeparators(carpeta)));
    if (carpetaNueva)
        Permisos::soloDueno(carpeta); // a folder that was there already keeps its permissions
    auto conexion = Conexion::crea(base.isEmpty() ? carpeta : base);
    const QString p4 = Vb::formato(patente, QStringLiteral("0000"));
    QStringList columnas = {QStringLiteral("Patente"),     QStringLiteral("Agente"),        QStringLiteral("rasoc"),
                            QStringLiteral("tipo_acceso"), QStringLiteral("acc_tel"),       QStringLiteral("telefono"),
                            QStringLiteral("Host_Ras"),    QStringLiteral("Host_Internet"), QStringLiteral("Host"),
                            QStringLiteral("proxy"),       QStringLiteral("ip_proxy"),      QStringLiteral("PassFTP"),
                            QStringLiteral("PassBan"),     QStringLiteral("Password"),      QStringLiteral("vererr"),
                            QStringLiteral("VerPar")};
    QVariantList valores = {patente,
                            agente,
                            agente,
                            1,
                            0,
                            QString(),
                            servidor,
                            servidor,
                            servidor,
                            0,
                            QString(),
                            Funciones::Codifica_Cadena(claveFtp),
                            Funciones::Codifica_Cadena(clavePago),
                            QString(),
                            0, // vererr: the catalogue is empty
                            0};
    const QList<QPair<const char *, QString>> servidorCarpetas
        = {{"yex_valin", QStringLiteral("/ag") + p4},     {"yex_valout", QStringLiteral("/ag") + p4},
           {"yex_valresp", QStringLiteral("/julianos")},  {"yex_pagin", QStringLiteral("/yexin")},
           {"yex_pagout", QStringLiteral("/yexout")},     {"yex_pagin1", QStringLiteral("/lectura")},
           {"yex_pagout1", QStringLiteral("/escritura")}, {"yex_sagin", QStringLiteral("/sagarpain")},
           {"yex_sagout", QStringLiteral("/sagarpaout")}, {"yex_apiin", QStringLiteral("/api_in")},
           {"yex_apiout", QStringLiteral("/api_out")},    {"yex_update", QStringLiteral("/update")}};
    for (const auto &[columna, valor] : servidorCarpetas) {
        columnas << QString::fromLatin1(columna);
        valores << valor;
    }
    for (const auto &par : kCarpetasLocales) {
        const QString local = QDir(carpeta).filePath(QString::fromLatin1(par[1]));
        QDir().mkpath(local);
        columnas << QString::fromLatin1(par[0]);
        valores << QDir::toNativeSeparators(local);
    }
    conexion->ejecuta(QStringLiteral("INSERT INTO PARAMETROS (%1) VALUES (%2)")
                          .arg(columnas.join(QStringLiteral(", ")),
                               QStringList(columnas.size(), QStringLiteral("?")).join(QStringLiteral(", "))),
                      valores);
}

bool NuevaOficina::crea(const QString &rutaIni) const
{
    const QString carpeta = QDir(carpetaDatos).absolutePath();
    const QString nombreBase = base.isEmpty() ? carpeta : base;
    if (!base.isEmpty() && !Conexion::esServidor(base))
        throw ErrorTendal(ErrorTendal::BaseDeDatos,
                          QStringLiteral("%1 no es la dirección de un servidor de base de datos: se escribe "
                                         "postgresql://usuario@servidor:puerto/base")
                              .arg(base));
    // The start-up file is Windows-1252 text of one line: a folder it cannot
    // hold would be stored changed, and no later start would find the database.
    if (!QFileInfo::exists(rutaIni)) {
        for (const QChar c : nombreBase) {
            if (c == u'\r' || c == u'\n' || !Ansi::codigo(c))
                throw ErrorTendal(
                    ErrorTendal::RutaNoEncontrada,
                    QStringLiteral("La carpeta de datos %1 no se puede guardar en el archivo de inicio %2: %3. Elija "
                                   "una carpeta cuyo nombre use solo letras de Europa occidental, cifras y signos "
                                   "comunes.")
                        .arg(QDir::toNativeSeparators(nombreBase), QDir::toNativeSeparators(rutaIni),
                             c == u'\r' || c == u'\n'
                                 ? QStringLiteral("tiene un salto de línea")
                                 : QStringLiteral("el carácter «%1» no cabe en su juego de caracteres (Windows-1252)")
                                       .arg(c)));
        }
    }
    // A refused office leaves nothing behind: the folders it made (the
    // highest one that was not there) and a database file it created go.
    QString nuevaDesde;
    for (QString c = carpeta; !QFileInfo::exists(c); c = QFileInfo(c).absolutePath()) {
        nuevaDesde = c;
        if (QFileInfo(c).absolutePath() == c)
            break;
    }
    const QString archivoBase = QDir(carpeta).filePath(Conexion::nombreArchivo());
    const bool baseNueva = base.isEmpty() && !QFileInfo::exists(archivoBase);
    try {
        creaEn(carpeta, nuevaDesde.isEmpty());
    } catch (...) {
        if (!nuevaDesde.isEmpty())
            QDir(nuevaDesde).removeRecursively();
        else if (baseNueva)
            for (const QString &sufijo : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
                QFile::remove(archivoBase + sufijo);
        throw;
    }
    if (QFileInfo::exists(rutaIni))
        return false;
    const QString carpetaIni = QFileInfo(rutaIni).absolutePath();
    if (!QFileInfo::exists(carpetaIni) && QDir().mkpath(carpetaIni))
        Permisos::soloDueno(carpetaIni);
    Ansi::escribeLineas(rutaIni, {QStringLiteral("DATOS = ") + nombreBase}, true);
    return true;
}
