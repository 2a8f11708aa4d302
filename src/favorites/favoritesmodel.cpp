#include "favorites/favoritesmodel.h"

namespace skiff {

// The list box asks for the index of every row when it lays out its rows: this answers
// without the base class's checks through rowCount() and columnCount().
QModelIndex FavoritesModel::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || column != 0 || row < 0 || row >= entries_.size()) return {};
    return createIndex(row, column);
}

int FavoritesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(entries_.size());
}

QVariant FavoritesModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    return entries_.text(index.row());
}

void FavoritesModel::setEntries(FavoritesEntries entries) {
    beginResetModel();
    entries_ = std::move(entries);
    endResetModel();
}

void FavoritesModel::append(const QString& text) {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    entries_.append(text);
    endInsertRows();
}

void FavoritesModel::remove(int row) {
    beginRemoveRows({}, row, row);
    entries_.remove(row);
    endRemoveRows();
}

}  // namespace skiff
