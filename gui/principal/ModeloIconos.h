#pragma once

#include <QHash>
#include <QIdentityProxyModel>
#include <QSet>

#include <functional>

// A list model as a list view shows it: the icon number of each row
// (ListaArchivos::RolIcono) drawn as its small icon beside the file name.
class ModeloIconos : public QIdentityProxyModel
{
    Q_OBJECT
public:
    explicit ModeloIconos(QAbstractItemModel *origen, QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The title a view shows over a column (the list's own title otherwise),
    // and what the column holds, said before the colours in its tooltip.
    void ponTitulo(int columna, const QString &titulo, const QString &ayuda = {});
    // Rows flagged (late files of the reception list): drawn in bold dark
    // orange with the notice as their tooltip. The titles' tooltip explains
    // the colours (ColoresLista).
    void marcaFilas(const QSet<int> &filas, const QString &aviso);

    // The number of errors of a row's report (ConteoErrores::kSinCuenta:
    // none to show): said in its tooltip, and a row with errors is drawn in
    // dark red. erroresCambiados() after counts came in.
    void ponErrores(std::function<int(int fila)> errores);
    void erroresCambiados();

    static QString textoErrores(int errores);

signals:
    // The colours or tooltips of rows may have changed, never their text or
    // size: a view repaints what it shows. (A change of data over every row
    // would cost a view work for each row of the list, thousands of them
    // with a backlog, each time a count comes in.)
    void aspectoCambiado();

private:
    // Rows from desde on moved by cuantas (negative: removed).
    void desplazaMarcas(int desde, int cuantas);

    std::function<int(int)> m_errores;
    QHash<int, QString> m_titulos;
    QHash<int, QString> m_ayudas;
    QSet<int> m_marcadas;
    QString m_aviso;
};
