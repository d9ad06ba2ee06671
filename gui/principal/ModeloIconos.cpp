#include "gui/principal/ModeloIconos.h"

#include "gui/comun/ColoresLista.h"
#include "gui/comun/Iconos.h"
#include "core/oficina/ListaArchivos.h"
#include "core/reportes/ConteoErrores.h"

#include <QBrush>
#include <QFont>

ModeloIconos::ModeloIconos(QAbstractItemModel *origen, QObject *parent)
    : QIdentityProxyModel(parent)
{
    setSourceModel(origen);
    // Flagged rows move with their entries until they are flagged again.
    connect(this, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int primera, int ultima) { desplazaMarcas(primera, ultima - primera + 1); });
    connect(this, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int primera, int ultima) { desplazaMarcas(primera, -(ultima - primera + 1)); });
    connect(this, &QAbstractItemModel::modelReset, this, [this] { m_marcadas.clear(); });
}

void ModeloIconos::desplazaMarcas(int desde, int cuantas)
{
    if (m_marcadas.isEmpty())
        return;
    QSet<int> movidas;
    movidas.reserve(m_marcadas.size());
    for (int fila : std::as_const(m_marcadas)) {
        if (fila < desde)
            movidas.insert(fila);
        else if (cuantas > 0 || fila >= desde - cuantas)
            movidas.insert(fila + cuantas);
    }
    m_marcadas = std::move(movidas);
}

QVariant ModeloIconos::data(const QModelIndex &index, int role) const
{
    if (role == Qt::DecorationRole && index.isValid() && index.column() == 0) {
        const QIcon icono = Iconos::lista(QIdentityProxyModel::data(index, ListaArchivos::RolIcono).toInt());
        return icono.isNull() ? QVariant() : QVariant(icono);
    }
    if (index.isValid() && m_marcadas.contains(index.row())) {
        if (role == Qt::ToolTipRole)
            return m_aviso + u' ' + ColoresLista::notaDemorada();
        if (role == Qt::ForegroundRole)
            return QBrush(ColoresLista::demorada());
        if (role == Qt::FontRole) {
            QFont negrita;
            negrita.setBold(true);
            return negrita;
        }
    }
    if (m_errores && index.isValid() && (role == Qt::ToolTipRole || role == Qt::ForegroundRole)) {
        const int errores = m_errores(index.row());
        if (errores != ConteoErrores::kSinCuenta) {
            if (role == Qt::ToolTipRole)
                return errores > 0 ? textoErrores(errores) + u' ' + ColoresLista::notaErrores() : textoErrores(errores);
            if (errores > 0)
                return QBrush(ColoresLista::conErrores());
        }
    }
    return QIdentityProxyModel::data(index, role);
}

QString ModeloIconos::textoErrores(int errores)
{
    if (errores == 0)
        return QStringLiteral("Sin errores");
    return errores == 1 ? QStringLiteral("1 error") : QStringLiteral("%1 errores").arg(errores);
}

void ModeloIconos::ponErrores(std::function<int(int fila)> errores)
{
    m_errores = std::move(errores);
    erroresCambiados();
}

void ModeloIconos::erroresCambiados()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::ToolTipRole, Qt::ForegroundRole});
}

void ModeloIconos::marcaFilas(const QSet<int> &filas, const QString &aviso)
{
    if (filas == m_marcadas && aviso == m_aviso)
        return;
    m_marcadas = filas;
    m_aviso = aviso;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::ToolTipRole, Qt::ForegroundRole, Qt::FontRole});
}

QVariant ModeloIconos::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && m_titulos.contains(section))
        return m_titulos.value(section);
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole)
        return ColoresLista::leyenda();
    return QIdentityProxyModel::headerData(section, orientation, role);
}

void ModeloIconos::ponTitulo(int columna, const QString &titulo)
{
    if (m_titulos.value(columna) == titulo && m_titulos.contains(columna))
        return;
    m_titulos.insert(columna, titulo);
    emit headerDataChanged(Qt::Horizontal, columna, columna);
}
