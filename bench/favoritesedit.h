#pragma once

// A change to the favorites window's list that leaves the list as it was: an entry added by ADD
// and removed again. Closing the window then saves the list, as it does after any change.

#include <QListView>

#include "favorites/frmfavorites.h"

namespace skiff::bench {

inline void addAndRemoveAnEntry(FrmFavorites& window) {
    window.xpcmdAdd_Click();
    QListView* list = window.lstFavorites();
    list->setCurrentIndex(list->model()->index(list->model()->rowCount() - 1, 0));
    window.xpcmdRemove_Click();
}

}  // namespace skiff::bench
