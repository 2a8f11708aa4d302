#pragma once

#include <functional>

#include "forms/form.h"

class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QTimer;

namespace skiff {

class FavoritesModel;

// The favorites window: a list of addresses kept in "favorites.fav" in the working folder,
// read when the window loads and written when it unloads.
class FrmFavorites : public Form<FrmFavorites> {
    Q_OBJECT
public:
    FrmFavorites();

    void Form_Load();
    void Form_Unload();

    void xpcmdAdd_Click();
    void xpcmdCurrent_Click();
    void xpcmdRemove_Click();
    void lstFavorites_DblClick();
    void Timer1_Timer();

    QListView* lstFavorites() const { return lstFavorites_; }
    QLineEdit* txtLink() const { return txtLink_; }
    QLabel* lblNumber() const { return lblNumber_; }
    QMenu* mnuMain() const { return mnuMain_; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    int selectedIndex() const;
    void runLong(qsizetype bytes, const QString& label, const std::function<void()>& work);

    QListView* lstFavorites_ = nullptr;
    FavoritesModel* favorites_ = nullptr;  // the entries the list shows
    QLineEdit* txtLink_ = nullptr;
    QLabel* lblNumber_ = nullptr;
    QMenu* mnuMain_ = nullptr;
    QTimer* Timer1_ = nullptr;
    // False when the file could not be read, or is not a regular file: closing must not
    // replace it with the list shown instead.
    bool saveOnUnload_ = true;
};

// The favorites window (created and loaded on first reference), whether it is loaded, and
// unloading it.
inline constexpr auto frmFavorites = &FrmFavorites::instance;
inline constexpr auto frmFavoritesLoaded = &FrmFavorites::loaded;
inline constexpr auto unloadFrmFavorites = &FrmFavorites::unload;

}  // namespace skiff
