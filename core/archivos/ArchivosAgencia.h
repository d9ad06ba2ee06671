#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The agency file list (lvwArchivos): the julian files that the search
// found, one row per file name, in the order of the folder listing.
class ArchivosAgencia : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit ArchivosAgencia(QObject *parent = nullptr);

    // Replaces every row in one update.
    void llena(const QStringList &nombres);
    int cuenta() const { return int(m_nombres.size()); }
    QString nombre(int fila) const { return m_nombres.value(fila); }
    const QStringList &nombres() const { return m_nombres; }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    QStringList m_nombres;
};
