#pragma once

#include "tests/soporte/Oficina.h"

#include <QFile>
#include <QDir>

// The catalogue rows the report tests look their error codes up in.
inline void llenaCatalogo(Oficina &oficina)
{
    const QStringList filas = {
        QStringLiteral("INSERT INTO TIPO_ERRORES VALUES (1, 'SINTAXIS'), (3, 'ESTRUCTURA'), (4, 'CATALOGO')"),
        QStringLiteral("INSERT INTO ERRORESM VALUES (1, 501, 5, 3, 1, 'FALTA EL CAMPO DE PEDIMENTO'), "
                       "(2, 0, 0, 1, 7, 'RFC INVÁLIDO'), (3, 502, 9, 4, 2, 'CLAVE DE PAÍS NO EXISTE'), "
                       "(4, 0, 0, 5, 3, 'TIPO SIN NOMBRE')"),
        QStringLiteral("INSERT INTO ERRORESC VALUES (2, 120, 'EL CAMPO NO EXISTE EN EL CATÁLOGO', NULL), "
                       "(9, 121, 'CLASE DESCONOCIDA', NULL), (1, 122, 'FALTA LA FIRMA', 'Firme'), "
                       "(3, 123, 'ERROR DEL SERVIDOR', NULL)"),
        QStringLiteral("INSERT INTO ERRORESD VALUES (501, 12, 'r', '5', 'VALOR FUERA DE RANGO'), "
                       "(0, 13, 'R', '5', 'OTRO CAMPO'), (0, 0, 'S', '7', 'Aplica a cualquier campo')"),
        QStringLiteral("INSERT INTO ERRORESB VALUES (15, 'PAGO RECHAZADO POR EL BANCO'), (5, 'FIRMA INVÁLIDA'), "
                       "(7, 'CUENTA SIN FONDOS')"),
        QStringLiteral("INSERT INTO ERRORESS VALUES (1, 2, 15, 'CERTIFICADO VENCIDO')"),
        QStringLiteral("INSERT INTO ERRORESA VALUES (12, 'RFC NO REGISTRADO')"),
        QStringLiteral("INSERT INTO INFORMACION VALUES (3, 'Servicio normal')"),
    };
    for (const QString &f : filas)
        oficina.sql(f);
}

// Copies a fixture of tests/data/reportes into a folder under a name.
inline bool copiaFixture(const QString &fixture, const QString &carpeta, const QString &nombre)
{
    const QString destino = QDir(carpeta).filePath(nombre);
    QFile::remove(destino);
    return QFile::copy(QStringLiteral(TENDAL_DIR_DATOS_PRUEBA "/reportes/") + fixture, destino);
}

// Writes bytes into a folder under a name.
inline bool escribe(const QString &carpeta, const QString &nombre, const QByteArray &bytes)
{
    QFile f(QDir(carpeta).filePath(nombre));
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}
