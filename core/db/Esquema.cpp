#include "core/db/Esquema.h"

#include "core/base/ErrorTendal.h"
#include "core/db/Conexion.h"
#include "core/db/Diario.h"
#include "core/db/HorasServidor.h"
#include "core/db/HistorialDiario.h"
#include "core/db/Dialecto.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const char *const kTexto = "VARCHAR(255)";

void ejecuta(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw ErrorTendal(ErrorTendal::BaseDeDatos,
                          QStringLiteral("No se pudo preparar la base de datos: %1").arg(q.lastError().text()));
}

// Columns of PARAMETROS added by a later step than the first.
const QStringList &columnasPosteriores()
{
    static const QStringList columnas {QStringLiteral("cifrado"), QStringLiteral("certificado"),
                                       QStringLiteral("espera_respuesta")};
    return columnas;
}

// Step 1: the configuration record, the catalogue, the bulletins and the
// queue of scheduled changes.
QStringList paso1()
{
    QStringList columnas;
    const QStringList enteros = {QStringLiteral("Patente"), QStringLiteral("tipo_acceso"), QStringLiteral("acc_tel"),
                                 QStringLiteral("proxy"),   QStringLiteral("vererr"),      QStringLiteral("VerPar")};
    for (const QString &c : Esquema::columnasParametros()) {
        if (columnasPosteriores().contains(c))
            continue;
        if (enteros.contains(c))
            columnas << QStringLiteral("%1 SMALLINT NOT NULL DEFAULT 0").arg(c);
        else
            columnas << QStringLiteral("%1 %2 NULL").arg(c, QLatin1StringView(kTexto));
    }
    const QString d = QStringLiteral(" NOT NULL DEFAULT 0");
    const QString t = QStringLiteral(" VARCHAR(255) NOT NULL DEFAULT ''");
    QStringList s;
    s << QStringLiteral("CREATE TABLE IF NOT EXISTS PARAMETROS (%FILA%%1)").arg(columnas.join(QStringLiteral(", ")));
    s << QStringLiteral("CREATE TABLE IF NOT EXISTS ACTUALIZACIONES (%FILA%CAMPO TINYINT%1, VALOR VARCHAR(50) NOT NULL "
                        "DEFAULT '', FECHA DATE NULL)")
             .arg(d);
    s << QStringLiteral("CREATE TABLE IF NOT EXISTS INFORMACION (CODIGO SMALLINT%1, TEXTO%2)").arg(d, t);
    s << QStringLiteral("CREATE TABLE IF NOT EXISTS ERRORESA (NUM_ERROR SMALLINT%1, DESCRIPCION%2)").arg(d, t);
    s << QStringLiteral("CREATE TABLE IF NOT EXISTS ERRORESB (NUM_ERROR SMALLINT%1, DESCRIPCION%2)").arg(d, t);
    s << QStringLiteral("CREATE TABLE IF NOT EXISTS ERRORESC (TIPO_ERROR TINYINT%1, NUM_ERROR SMALLINT%1, "
                        "DESCRIPCION%2, SOLUCION TEXT NULL)")
             .arg(d, t);
    s << QStringLiteral("CREATE TABLE IF NOT EXISTS ERRORESD (REG SMALLINT%1, CAMPO SMALLINT%1, TIPO_ERROR VARCHAR(2) "
                        "NOT NULL DEFAULT '', CONSECUTIVO VARCHAR(3) NOT NULL DEFAULT '', DESCRIPCION%2)")
             .arg(d, t);
    s << QStringLiteral("CREATE TABLE IF NOT EXISTS ERRORESM (NUMERO INTEGER%1, REG SMALLINT%1, CAMPO SMALLINT%1, "
                        "TIPO_ERROR TINYINT%1, NUM_ERROR SMALLINT%1, DESCRIPCION%2)")
             .arg(d, t);
    s << QStringLiteral("CREATE TABLE IF NOT EXISTS ERRORESS (NUMERO INTEGER%1, TIPO SMALLINT%1, CODIGO SMALLINT%1, "
                        "DESCRIPCION%2)")
             .arg(d, t);
    s << QStringLiteral("CREATE TABLE IF NOT EXISTS TIPO_ERRORES (NUM_ERROR TINYINT NOT NULL DEFAULT 0 CONSTRAINT "
                        "tipo_errores_pk PRIMARY KEY, TIPO_ERROR VARCHAR(25) NOT NULL DEFAULT '')");
    s << Esquema::indicesCatalogo();
    return s;
}

// Step 2: the send list and the reception list, kept so that a restart
// never forgets a file that awaits its responses.
QStringList paso2()
{
    return {
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS LISTA_ENVIO (POSICION INTEGER NOT NULL, NOMBRE TEXT NOT NULL DEFAULT '', "
            "ESTADO TEXT NOT NULL DEFAULT '', ICONO TEXT NOT NULL DEFAULT '', RUTA_PRE TEXT NOT NULL DEFAULT '', "
            "RUTA_VAL TEXT NOT NULL DEFAULT '')"),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS LISTA_RECEPCION (POSICION INTEGER NOT NULL, NOMBRE TEXT NOT NULL DEFAULT '', "
            "PREV TEXT NOT NULL DEFAULT '', VAL TEXT NOT NULL DEFAULT '', HORA TEXT NOT NULL DEFAULT '', "
            "RUTA_PREV TEXT NOT NULL DEFAULT '', RUTA_VAL TEXT NOT NULL DEFAULT '', ARCHIVO_PREV TEXT NOT NULL DEFAULT "
            "'', "
            "ARCHIVO_VAL TEXT NOT NULL DEFAULT '', RUTA_DEST TEXT NOT NULL DEFAULT '', ICONO TEXT NOT NULL DEFAULT "
            "'')"),
    };
}

// Step 4: the encryption of the sessions with the organisation's server
// (0 none, 1 TLS when the server offers it, 2 TLS required) and the file of
// certificates that vouch for it (empty: the system's store).
QStringList paso4()
{
    return {
        QStringLiteral("ALTER TABLE PARAMETROS ADD COLUMN cifrado SMALLINT NOT NULL DEFAULT 0"),
        QStringLiteral("ALTER TABLE PARAMETROS ADD COLUMN certificado VARCHAR(255) NULL"),
    };
}

// Step 5: the minutes after which a file still awaiting a response is flagged
// (in the history and the reception list), and the pedimento numbers of the
// stored responses.
QStringList paso5()
{
    return QStringList {
               QStringLiteral("ALTER TABLE PARAMETROS ADD COLUMN espera_respuesta SMALLINT NOT NULL DEFAULT 30")}
           + HistorialDiario::pasoEsquema();
}

} // namespace

namespace Esquema {

QStringList columnasParametros()
{
    static const QStringList columnas = {
        QStringLiteral("Patente"),     QStringLiteral("Agente"),           QStringLiteral("rasoc"),
        QStringLiteral("tipo_acceso"), QStringLiteral("acc_tel"),          QStringLiteral("telefono"),
        QStringLiteral("Host_Ras"),    QStringLiteral("Host_Internet"),    QStringLiteral("Host"),
        QStringLiteral("proxy"),       QStringLiteral("ip_proxy"),         QStringLiteral("val_env"),
        QStringLiteral("val_rec"),     QStringLiteral("tra_env"),          QStringLiteral("tra_rec"),
        QStringLiteral("pag_env"),     QStringLiteral("pag_rec"),          QStringLiteral("sag_env"),
        QStringLiteral("sag_rec"),     QStringLiteral("api_rec"),          QStringLiteral("prof_rec"),
        QStringLiteral("yex_valin"),   QStringLiteral("yex_valout"),       QStringLiteral("yex_valresp"),
        QStringLiteral("yex_pagin"),   QStringLiteral("yex_pagout"),       QStringLiteral("yex_pagin1"),
        QStringLiteral("yex_pagout1"), QStringLiteral("yex_sagin"),        QStringLiteral("yex_sagout"),
        QStringLiteral("yex_apiin"),   QStringLiteral("yex_apiout"),       QStringLiteral("yex_update"),
        QStringLiteral("PassFTP"),     QStringLiteral("PassBan"),          QStringLiteral("Password"),
        QStringLiteral("vererr"),      QStringLiteral("VerPar"),           QStringLiteral("cifrado"),
        QStringLiteral("certificado"), QStringLiteral("espera_respuesta"),
    };
    return columnas;
}

QStringList tablasCatalogo()
{
    return {QStringLiteral("ERRORESM"),   QStringLiteral("ERRORESB"), QStringLiteral("ERRORESS"),
            QStringLiteral("ERRORESA"),   QStringLiteral("ERRORESC"), QStringLiteral("ERRORESD"),
            QStringLiteral("INFORMACION")};
}

QStringList indicesCatalogo()
{
    return {
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_ERRORESM ON ERRORESM (TIPO_ERROR, NUM_ERROR)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_ERRORESB ON ERRORESB (NUM_ERROR)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_ERRORESS ON ERRORESS (TIPO, CODIGO)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_ERRORESA ON ERRORESA (NUM_ERROR)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_ERRORESC ON ERRORESC (NUM_ERROR)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_ERRORESD ON ERRORESD (TIPO_ERROR COLLATE NOCASE, CONSECUTIVO "
                       "COLLATE NOCASE)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_INFORMACION ON INFORMACION (CODIGO)"),
    };
}

void actualiza(const Conexion &conexion)
{
    const Dialecto &dialecto = conexion.dialecto();
    const QSqlDatabase db = conexion.db();
    const QList<QStringList> pasos = {paso1(),
                                      paso2(),
                                      Diario::pasoEsquema(),
                                      paso4(),
                                      paso5(),
                                      Diario::pasoContenido(),
                                      HorasServidor::pasoEsquema(),
                                      Diario::pasoVigencia(),
                                      Diario::pasoProteccion(),
                                      Diario::pasoBusqueda() + HistorialDiario::pasoIlegibles(),
                                      HistorialDiario::pasoPartesNombre(dialecto.motor == Dialecto::Motor::Postgresql)};
    if (conexion.soloLectura()) {
        // Nothing is changed on a file opened to be read only: one whose
        // schema is older than the program cannot be read by it.
        QSqlQuery q(db);
        const int version = q.exec(dialecto.leeVersion) && q.next() ? q.value(0).toInt() : 0;
        if (version < pasos.size())
            throw ErrorTendal(
                ErrorTendal::BaseDeDatos,
                QStringLiteral("La base de datos %1 es de una versión anterior del programa y no se puede poner al "
                               "día porque no se puede escribir (el archivo, su carpeta o su disco): ábrala una vez "
                               "con permiso de escritura y espacio en su disco, y se actualiza sola.")
                    .arg(QDir::toNativeSeparators(conexion.ruta())));
        return;
    }
    for (;;) {
        QSqlDatabase d = db;
        if (!d.transaction())
            throw ErrorTendal(ErrorTendal::BaseDeDatos,
                              QStringLiteral("No se pudo preparar la base de datos: %1").arg(d.lastError().text()));
        try {
            for (const QString &sql : dialecto.antesDelPaso)
                ejecuta(db, sql);
            int version = 0;
            {
                QSqlQuery q(db);
                if (q.exec(dialecto.leeVersion) && q.next())
                    version = q.value(0).toInt();
            } // no statement may stay open while a step drops a table
            if (version >= pasos.size()) {
                d.commit();
                return;
            }
            if (version == 0)
                for (const QString &sql : dialecto.antesDelEsquema)
                    ejecuta(db, sql);
            for (const QString &sql : pasos[version])
                ejecuta(db, dialecto.adapta(sql));
            for (const QString &sql : dialecto.fijaVersion)
                ejecuta(db, sql.contains(u'%') ? sql.arg(version + 1) : sql);
        } catch (...) {
            d.rollback();
            throw;
        }
        if (!d.commit())
            throw ErrorTendal(ErrorTendal::BaseDeDatos,
                              QStringLiteral("No se pudo preparar la base de datos: %1").arg(d.lastError().text()));
    }
}

} // namespace Esquema
