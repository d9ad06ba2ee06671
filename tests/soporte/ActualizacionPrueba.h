#pragma once

// Update databases as the organisation publishes them (the seven catalogue
// tables with the columns the system knows), and a look at which version
// each installed table holds. Every text of a version starts with "V" and
// its number, so a table that mixes two versions shows it.

#include "core/db/Conexion.h"
#include "core/db/Esquema.h"

#include <QAtomicInt>
#include <QByteArray>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <zlib.h>

namespace CatalogoPrueba {

inline QStringList definiciones()
{
    return {
        QStringLiteral(
            "ERRORESM (NUMERO INTEGER NOT NULL DEFAULT 0, REG SMALLINT NOT NULL DEFAULT 0, CAMPO SMALLINT NOT NULL "
            "DEFAULT 0, TIPO_ERROR TINYINT NOT NULL DEFAULT 0, NUM_ERROR SMALLINT NOT NULL DEFAULT 0, "
            "DESCRIPCION VARCHAR(255) NOT NULL)"),
        QStringLiteral("ERRORESB (NUM_ERROR SMALLINT NOT NULL DEFAULT 0, DESCRIPCION VARCHAR(255) NOT NULL)"),
        QStringLiteral(
            "ERRORESS (NUMERO INTEGER NOT NULL DEFAULT 0, TIPO SMALLINT NOT NULL DEFAULT 0, CODIGO SMALLINT NOT "
            "NULL DEFAULT 0, DESCRIPCION VARCHAR(255) NOT NULL)"),
        QStringLiteral("ERRORESA (NUM_ERROR SMALLINT NOT NULL DEFAULT 0, DESCRIPCION VARCHAR(255) NOT NULL)"),
        QStringLiteral("ERRORESC (TIPO_ERROR TINYINT NOT NULL DEFAULT 0, NUM_ERROR SMALLINT NOT NULL DEFAULT 0, "
                       "DESCRIPCION VARCHAR(255) NOT NULL, SOLUCION TEXT)"),
        QStringLiteral(
            "ERRORESD (REG SMALLINT NOT NULL DEFAULT 0, CAMPO SMALLINT NOT NULL DEFAULT 0, TIPO_ERROR VARCHAR(2) "
            "NOT NULL, CONSECUTIVO VARCHAR(3) NOT NULL, DESCRIPCION VARCHAR(255) NOT NULL)"),
        QStringLiteral("INFORMACION (CODIGO SMALLINT NOT NULL DEFAULT 0, TEXTO VARCHAR(255) NOT NULL)"),
    };
}

inline QString texto(int version, const QString &tabla, int i)
{
    return QStringLiteral("V%1 %2 FILA %3 Ñ").arg(version).arg(tabla).arg(i);
}

// Rows of one table, as many values as its columns.
inline QVariantList fila(const QString &tabla, int version, int i)
{
    const QString t = texto(version, tabla, i);
    const int n = i % 30000;
    if (tabla == u"ERRORESM")
        return {i, 500 + i % 60, i % 40, 1 + i % 6, n, t};
    if (tabla == u"ERRORESS")
        return {i, 1 + i % 9, n, t};
    if (tabla == u"ERRORESC")
        return {1 + i % 3, n, t, QStringLiteral("Revise el dato\r\ny envíe de nuevo")};
    if (tabla == u"ERRORESD")
        return {500 + i % 60, i % 40, QString(QChar(u'A' + i % 6)), QString::number(i % 1000), t};
    return {n, t};
}

// Writes an SQLite update database of that version with filas rows per
// table, without the tables named in sin.
inline void creaSqlite(const QString &ruta, int version, int filas = 3, const QStringList &sin = {})
{
    static QAtomicInt contador;
    const QString nombre = QStringLiteral("actualizacion%1").arg(contador.fetchAndAddRelaxed(1));
    {
        QFile::remove(ruta);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nombre);
        db.setDatabaseName(ruta);
        if (!db.open())
            qFatal("no se pudo crear %s", qPrintable(ruta));
        QSqlQuery q(db);
        q.exec(QStringLiteral("PRAGMA journal_mode = OFF"));
        q.exec(QStringLiteral("PRAGMA synchronous = OFF"));
        db.transaction();
        for (const QString &definicion : definiciones()) {
            const QString tabla = definicion.section(u' ', 0, 0);
            if (sin.contains(tabla))
                continue;
            if (!q.exec(QStringLiteral("CREATE TABLE ") + definicion))
                qFatal("%s", qPrintable(q.lastError().text()));
            const int columnas = int(fila(tabla, version, 0).size());
            QStringList marcas;
            for (int c = 0; c < columnas; ++c)
                marcas << QStringLiteral("?");
            q.prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(tabla, marcas.join(u',')));
            for (int i = 1; i <= filas; ++i) {
                const QVariantList valores = fila(tabla, version, i);
                for (int c = 0; c < columnas; ++c)
                    q.bindValue(c, valores[c]);
                if (!q.exec())
                    qFatal("%s", qPrintable(q.lastError().text()));
            }
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(nombre);
}

// Puts a catalogue of that version straight into an office's tables, and
// vererr with it.
inline void llenaOficina(const Conexion &conexion, int version, int filas = 4)
{
    conexion.enTransaccion([&] {
        for (const QString &tabla : Esquema::tablasCatalogo()) {
            conexion.ejecuta(QStringLiteral("DELETE FROM %1").arg(tabla));
            const int columnas = int(fila(tabla, version, 0).size());
            QStringList marcas;
            for (int c = 0; c < columnas; ++c)
                marcas << QStringLiteral("?");
            for (int i = 1; i <= filas; ++i)
                conexion.ejecuta(QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(tabla, marcas.join(u',')),
                                 fila(tabla, version, i));
        }
        conexion.ejecuta(QStringLiteral("UPDATE PARAMETROS SET vererr = ?"), {version});
    });
}

inline QByteArray comprime(const QByteArray &datos)
{
    uLongf tam = compressBound(uLong(datos.size()));
    QByteArray salida(int(tam), '\0');
    compress2(reinterpret_cast<Bytef *>(salida.data()), &tam, reinterpret_cast<const Bytef *>(datos.constData()),
              uLong(datos.size()), 6);
    salida.resize(int(tam));
    return salida;
}

inline QByteArray lee(const QString &ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// "TABLA=V13 x 5" per catalogue table: its rows' versions and its row count.
inline QStringList instalado(const Conexion &conexion)
{
    QStringList estado;
    for (const QString &tabla : Esquema::tablasCatalogo()) {
        const QString columna = tabla == u"INFORMACION" ? QStringLiteral("TEXTO") : QStringLiteral("DESCRIPCION");
        QSqlQuery q = conexion.ejecuta(QStringLiteral("SELECT %1 FROM %2").arg(columna, tabla));
        QStringList versiones;
        int filas = 0;
        while (q.next()) {
            ++filas;
            const QString v = q.value(0).toString().section(u' ', 0, 0);
            if (!versiones.contains(v))
                versiones << v;
        }
        versiones.sort();
        estado << QStringLiteral("%1=%2 x %3").arg(tabla, versiones.join(u','), QString::number(filas));
    }
    return estado;
}

inline QStringList esperado(int version, int filas)
{
    QStringList estado;
    for (const QString &tabla : Esquema::tablasCatalogo())
        estado << QStringLiteral("%1=V%2 x %3").arg(tabla).arg(version).arg(filas);
    return estado;
}

// The lookup indexes of the catalogue that exist.
inline QStringList indices(const Conexion &conexion)
{
    QStringList nombres;
    QSqlQuery q = conexion.ejecuta(
        conexion.enServidor()
            ? QStringLiteral("SELECT UPPER(indexname) AS N FROM pg_indexes WHERE schemaname = current_schema() AND "
                             "UPPER(indexname) LIKE 'IX\\_%' ORDER BY N")
            : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND name LIKE 'IX_%' ORDER BY name"));
    while (q.next())
        nombres << q.value(0).toString();
    return nombres;
}

} // namespace CatalogoPrueba
