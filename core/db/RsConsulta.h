#pragma once

#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

class Conexion;

// A recordset for ad-hoc queries: the rows are read when it opens
// (client-side), then walked with primero/siguiente/eof.
class RsConsulta
{
public:
    explicit RsConsulta(const Conexion &conexion);

    void abre(const QString &sql, const QVariantList &valores = {});
    void cierra();
    bool abierto() const { return m_abierto; }

    bool eof() const { return m_fila >= m_filas.size(); }
    int cuenta() const { return int(m_filas.size()); }
    void primero() { m_fila = 0; }
    void siguiente() { ++m_fila; }
    // A column of the current row, by name without regard to case.
    QVariant valor(const QString &columna) const;

private:
    const Conexion &m_conexion;
    QList<QSqlRecord> m_filas;
    qsizetype m_fila = 0;
    bool m_abierto = false;
};
