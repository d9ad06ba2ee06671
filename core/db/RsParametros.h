#pragma once

#include <QSqlRecord>
#include <QString>
#include <QVariant>

class Conexion;

// The configuration record: the single row of PARAMETROS. Readers take a
// column by name (without regard to case); writers assign values and then
// save the row.
class RsParametros
{
public:
    explicit RsParametros(const Conexion &conexion);

    // Reads the row again, dropping assignments not yet saved.
    void abre();

    QVariant valor(const QString &columna) const;
    QString texto(const QString &columna) const; // a null column gives ""
    int entero(const QString &columna) const; // a null or non-numeric column gives 0
    bool sino(const QString &columna) const; // yes/no column: true is any non-zero value

    // Reads one column again as the database stores it now (written by
    // another connection), keeping the other assignments.
    void relee(const QString &columna);

    void asigna(const QString &columna, const QVariant &valor);
    bool tieneCambios() const { return !m_cambiadas.isEmpty(); }
    // Stores the assigned columns. Throws ErrorTendal on a database error;
    // the assignments are then kept, so the caller may retry or reopen.
    void guarda();

private:
    int indice(const QString &columna) const;

    const Conexion &m_conexion;
    QSqlRecord m_registro;
    qint64 m_rowid = 0;
    QList<int> m_cambiadas;
};
