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
    // Laying out a line of millions of characters would hold the list, and every window with
    // it, for minutes: the list shows the start of a long entry.
    if (role == Qt::DisplayRole) return entries_.shownText(index.row());
    if (role == Qt::EditRole) return entries_.text(index.row());
    return {};
}

void FavoritesModel::setEntries(FavoritesEntries entries, const FileStamp& read) {
    beginResetModel();
    entries_ = std::move(entries);
    edits_ = {};
    read_ = read;
    changed_ = false;
    endResetModel();
}

void FavoritesModel::append(const QString& text) {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    entries_.append(text);
    edits_.added(text);
    changed_ = true;
    endInsertRows();
}

void FavoritesModel::remove(int row) {
    beginRemoveRows({}, row, row);
    edits_.removed(entries_.text(row));
    entries_.remove(row);
    changed_ = true;
    endRemoveRows();
}

}  // namespace skiff
