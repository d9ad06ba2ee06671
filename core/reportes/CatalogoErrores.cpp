#include "core/reportes/CatalogoErrores.h"

namespace {

QString consultaM(bool conRegistro)
{
    return QStringLiteral(
               "SELECT tipo_errores.tipo_error AS Nombre_te, erroresm.descripcion FROM erroresm, tipo_errores "
               "WHERE erroresm.tipo_error = ? AND erroresm.num_error = ?%1 "
               "AND erroresm.tipo_error = tipo_errores.num_error LIMIT 1")
        .arg(conRegistro ? QStringLiteral(" AND erroresm.reg = ? AND erroresm.campo = ?") : QString());
}

} // namespace

CatalogoErrores::CatalogoErrores(const Conexion &conexion)
    : m_m(conexion, QStringLiteral("ERRORESM"), consultaM(false))
    , m_mRegistro(conexion, QStringLiteral("ERRORESM"), consultaM(true))
    , m_c(conexion, QStringLiteral("ERRORESC"),
          QStringLiteral("SELECT tipo_error, descripcion FROM erroresc WHERE num_error = ? LIMIT 1"))
    , m_d(conexion, QStringLiteral("ERRORESD"),
          QStringLiteral("SELECT descripcion FROM erroresd WHERE tipo_error = ? COLLATE NOCASE "
                         "AND consecutivo = ? COLLATE NOCASE AND (campo = ? OR campo = 0) LIMIT 1"))
    , m_b(conexion, QStringLiteral("ERRORESB"),
          QStringLiteral("SELECT descripcion FROM erroresb WHERE num_error = ? LIMIT 1"))
    , m_s(conexion, QStringLiteral("ERRORESS"),
          QStringLiteral("SELECT descripcion FROM erroress WHERE tipo = ? AND codigo = ? LIMIT 1"))
    , m_a(conexion, QStringLiteral("ERRORESA"),
          QStringLiteral("SELECT descripcion FROM erroresa WHERE num_error = ? LIMIT 1"))
    , m_informacion(conexion, QStringLiteral("INFORMACION"),
                    QStringLiteral("SELECT texto FROM informacion WHERE codigo = ? LIMIT 1"))
{
}

std::optional<QString> CatalogoErrores::descripcion(ConsultaPreparada &consulta,
                                                    std::initializer_list<QVariant> valores)
{
    if (!consulta.busca(valores))
        return std::nullopt;
    return consulta.valor(0).toString();
}

std::optional<CatalogoErrores::ErrorM> CatalogoErrores::buscaM(qint16 tipo, qint16 numero, qint16 registro,
                                                               qint16 campo)
{
    const bool encontrado = usaRegistroYCampo(tipo)
                                ? m_mRegistro.busca({int(tipo), int(numero), int(registro), int(campo)})
                                : m_m.busca({int(tipo), int(numero)});
    if (!encontrado)
        return std::nullopt;
    const ConsultaPreparada &c = usaRegistroYCampo(tipo) ? m_mRegistro : m_m;
    return ErrorM {c.valor(0).toString(), c.valor(1).toString()};
}

std::optional<CatalogoErrores::ErrorC> CatalogoErrores::buscaC(qint16 clave)
{
    if (!m_c.busca({int(clave)}))
        return std::nullopt;
    return ErrorC {m_c.valor(0).toInt(), m_c.valor(1).toString()};
}

std::optional<QString> CatalogoErrores::buscaD(const QString &tipo, qint16 consecutivo, qint16 campo)
{
    return descripcion(m_d, {tipo, QString::number(consecutivo), int(campo)});
}

std::optional<QString> CatalogoErrores::buscaB(qint16 numero)
{
    return descripcion(m_b, {int(numero)});
}

std::optional<QString> CatalogoErrores::buscaS(qint16 tipo, qint16 codigo)
{
    return descripcion(m_s, {int(tipo), int(codigo)});
}

std::optional<QString> CatalogoErrores::buscaA(qint16 numero)
{
    return descripcion(m_a, {int(numero)});
}

std::optional<QString> CatalogoErrores::buscaInformacion(qint16 codigo)
{
    return descripcion(m_informacion, {int(codigo)});
}
