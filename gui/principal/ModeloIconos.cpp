#include "gui/principal/ModeloIconos.h"

#include "gui/comun/ColoresLista.h"
#include "gui/comun/Iconos.h"
#include "core/oficina/ListaArchivos.h"
#include "core/reportes/ConteoErrores.h"

#include <QBrush>
#include <QFont>

#include <algorithm>

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
    emit aspectoCambiado();
}

void ModeloIconos::marcaFilas(const QSet<int> &filas, const QString &aviso)
{
    if (filas == m_marcadas && aviso == m_aviso)
        return;
    // The rows whose flag or notice changed, told in runs of consecutive
    // rows (a flag makes the row bold: its size may change).
    QSet<int> cambiadas = aviso == m_aviso ? (filas - m_marcadas) + (m_marcadas - filas) : filas + m_marcadas;
    m_marcadas = filas;
    m_aviso = aviso;
    QList<int> orden(cambiadas.cbegin(), cambiadas.cend());
    std::sort(orden.begin(), orden.end());
    const int columnas = columnCount();
    for (qsizetype i = 0; i < orden.size();) {
        qsizetype j = i;
        while (j + 1 < orden.size() && orden[j + 1] == orden[j] + 1)
            ++j;
        const int primera = std::max(orden[i], 0);
        const int ultima = std::min(orden[j], rowCount() - 1);
        if (primera <= ultima)
            emit dataChanged(index(primera, 0), index(ultima, columnas - 1),
                             {Qt::ToolTipRole, Qt::ForegroundRole, Qt::FontRole});
        i = j + 1;
    }
}

QVariant ModeloIconos::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && m_titulos.contains(section))
        return m_titulos.value(section);
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole)
        return m_ayudas.contains(section) ? m_ayudas.value(section) + u'\n' + ColoresLista::leyenda()
                                          : ColoresLista::leyenda();
    return QIdentityProxyModel::headerData(section, orientation, role);
}

void ModeloIconos::ponTitulo(int columna, const QString &titulo, const QString &ayuda)
{
    if (m_titulos.contains(columna) && m_titulos.value(columna) == titulo && m_ayudas.value(columna) == ayuda)
        return;
    m_titulos.insert(columna, titulo);
    if (ayuda.isEmpty())
        m_ayudas.remove(columna);
    else
        m_ayudas.insert(columna, ayuda);
    emit headerDataChanged(Qt::Horizontal, columna, columna);
}
