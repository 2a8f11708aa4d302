#pragma once

#include <QAbstractListModel>

#include "core/favoritesfile.h"

namespace skiff {

// The favorites list as the window's list box shows it: one row for each entry, in list order,
// showing the entry's text. The list box asks only for the rows it draws, so a list of a
// million entries costs no more to show than one of ten.
class FavoritesModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const FavoritesEntries& entries() const { return entries_; }
    void setEntries(FavoritesEntries entries);
    void append(const QString& text);
    void remove(int row);

private:
    FavoritesEntries entries_;
};

}  // namespace skiff
