#pragma once

#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <initializer_list>
#include <optional>

class Conexion;

// One catalogue query with bound parameters on the shared connection,
// prepared on its first use and run again for each lookup. A lookup reads the
// first row that the database returns, then closes the result. A server's
// session that ended fails the lookup with the connection's "lost" failure;
// on the next session the query is prepared again.
class ConsultaPreparada
{
public:
    ConsultaPreparada(const Conexion &conexion, QString tabla, QString sql);

    // Runs the query with the values bound in order. True when a row was
    // found; its columns are then read with valor(). Throws ErrorTendal
    // (-2147217865 for a missing table, -2147467259 otherwise) whose
    // description names the table.
    bool busca(std::initializer_list<QVariant> valores);
    // A column of the row found by the last lookup, by its place in the query.
    QVariant valor(int columna) const;

private:
    [[noreturn]] void falla() const;

    const Conexion &m_conexion;
    QString m_tabla;
    QString m_sql;
    std::optional<QSqlQuery> m_consulta;
    quint64 m_sesion = 0; // the server's session it was prepared on
    QVariantList m_fila;
    int m_columnas = -1;
};
