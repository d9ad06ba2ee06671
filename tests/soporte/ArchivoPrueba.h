#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTest>

// Writes a file of a test, creating its folder when missing.
inline void creaArchivo(const QString &carpeta, const QString &nombre, const QByteArray &contenido = "X\r\n")
{
    QDir().mkpath(carpeta);
    QFile f(QDir(carpeta).filePath(nombre));
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(contenido), contenido.size());
}
