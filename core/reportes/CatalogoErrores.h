#pragma once

#include "core/reportes/ConsultaPreparada.h"

#include <QString>
#include <optional>

class Conexion;

// The lookups in the error catalogue (and the bulletin texts), each a query
// with bound parameters on the shared connection. Text is compared without
// regard to case; the first row the database returns is used; a lookup that
// finds no row gives nothing. One object serves one report (or one bulletin
// refresh); database errors throw ErrorTendal.
class CatalogoErrores
{
public:
    explicit CatalogoErrores(const Conexion &conexion);

    struct ErrorM {
        QString nombreTipo; // TIPO_ERRORES.TIPO_ERROR
        QString descripcion;
    };
    struct ErrorC {
        int tipo = 0; // 1 normative, 2 syntactic or catalogue, 3 technical
        QString descripcion;
    };

    // ERRORESM with TIPO_ERRORES. For the types 3, 4 and 6 the record type
    // and field narrow the lookup; for any other type they are ignored.
    std::optional<ErrorM> buscaM(qint16 tipo, qint16 numero, qint16 registro, qint16 campo);
    static bool usaRegistroYCampo(qint16 tipo) { return tipo == 3 || tipo == 4 || tipo == 6; }
    // ERRORESC by error key.
    std::optional<ErrorC> buscaC(qint16 clave);
    // ERRORESD by type code (as the line carries it), running number and
    // field (a row with CAMPO 0 applies to any field).
    std::optional<QString> buscaD(const QString &tipo, qint16 consecutivo, qint16 campo);
    // ERRORESB (A and R responses) by error number.
    std::optional<QString> buscaB(qint16 numero);
    // ERRORESS (X responses) by type and code.
    std::optional<QString> buscaS(qint16 tipo, qint16 codigo);
    // ERRORESA (P responses) by error number.
    std::optional<QString> buscaA(qint16 numero);
    // INFORMACION: the bulletin text of a code.
    std::optional<QString> buscaInformacion(qint16 codigo);

private:
    std::optional<QString> descripcion(ConsultaPreparada &consulta, std::initializer_list<QVariant> valores);

    ConsultaPreparada m_m;
    ConsultaPreparada m_mRegistro;
    ConsultaPreparada m_c;
    ConsultaPreparada m_d;
    ConsultaPreparada m_b;
    ConsultaPreparada m_s;
    ConsultaPreparada m_a;
    ConsultaPreparada m_informacion;
};
