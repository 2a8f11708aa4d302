#pragma once

#include <QAbstractListModel>

#include "core/favoritesfile.h"

namespace skiff {

// The favorites list as the window's list box shows it: one row for each entry, in list order,
// showing the entry's text, cut when it is very long (the entry itself keeps all of it). The
// list box asks only for the rows it draws, so a list of a million entries costs no more to
// show than one of ten.
class FavoritesModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const FavoritesEntries& entries() const { return entries_; }
    // A new list, unchanged until the next append() or remove(); `read` is the stamp of the
    // file it was read from.
    void setEntries(FavoritesEntries entries, const FileStamp& read = {});
    void append(const QString& text);
    void remove(int row);
    // Whether entries were added or removed since the list was set.
    bool changed() const { return changed_; }
    // What was added and removed since the list was set, and the stamp of the file it was
    // read from: what saving it into a file changed since needs.
    const FavoritesEdits& edits() const { return edits_; }
    const FileStamp& read() const { return read_; }

private:
    FavoritesEntries entries_;
    FavoritesEdits edits_;
    FileStamp read_;
    bool changed_ = false;
};

}  // namespace skiff
