#include "tests/soporte/Oficina.h"

#include "core/db/Conexion.h"
#include "core/db/NuevaOficina.h"
#include "tests/soporte/ClusterPostgres.h"

#include <QDir>

Oficina::Oficina(int patente, const QDateTime &ahora)
    : reloj(ahora)
{
    NuevaOficina nueva;
    nueva.patente = patente;
    nueva.agente = QStringLiteral("AGENTE DE PRUEBA");
    nueva.claveFtp = QStringLiteral("secreto");
    nueva.clavePago = QStringLiteral("Pago123");
    nueva.carpetaDatos = carpetaDatos();
    if (pruebaEnServidor()) {
        m_cluster = ClusterPostgres::compartido();
        m_direccion = m_cluster->creaBase();
        nueva.base = m_direccion;
    }
    nueva.crea(ini());
}

bool Oficina::pruebaEnServidor()
{
    return qEnvironmentVariable("TENDAL_PRUEBA_BASE") == u"postgresql";
}

QString Oficina::base() const
{
    return m_direccion.isEmpty() ? carpetaDatos() : m_direccion;
}

QString Oficina::carpetaDatos() const
{
    return QDir(m_dir.path()).filePath(QStringLiteral("datos"));
}

QString Oficina::ini() const
{
    return QDir(m_dir.path()).filePath(QStringLiteral("Tendal.ini"));
}

QString Oficina::trabajo() const
{
    return QDir(m_dir.path()).filePath(QStringLiteral("trabajo"));
}

QString Oficina::carpeta(const QString &columna) const
{
    return NuevaOficina::carpetaLocal(carpetaDatos(), columna);
}

void Oficina::sql(const QString &sentencia, const QVariantList &valores)
{
    if (m_programa) {
        m_programa->conexion().ejecuta(sentencia, valores);
        return;
    }
    auto conexion = Conexion::abre(base());
    conexion->ejecuta(sentencia, valores);
}

Programa &Oficina::carga()
{
    m_programa = std::make_unique<Programa>(Carpetas(trabajo(), ini()), reloj, dialogos, limitesFtp);
    m_programa->carga();
    return *m_programa;
}
