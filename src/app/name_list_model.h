#pragma once

#include <QAbstractListModel>
#include <QStringList>

namespace corvane {

// A read-only list of names for a list view.
class NameListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    Q_DISABLE_COPY_MOVE(NameListModel)

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    const QStringList &names() const { return m_names; }
    void setNames(const QStringList &names);

private:
    QStringList m_names;
};

} // namespace corvane
