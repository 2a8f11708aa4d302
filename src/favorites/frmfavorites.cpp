#include "favorites/frmfavorites.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include "core/favoritesfile.h"
#include "favorites/favoritesmodel.h"
#include "forms/browserhost.h"
#include "forms/busywork.h"
#include "forms/messagebox.h"

namespace skiff {

namespace {

WindowDefinition definition() {
    WindowDefinition d;
    d.caption = "Favorites";
    d.clientWidth = 3540;
    d.clientHeight = 3630;
    d.fixedSize = true;
    const ControlDefinition count{.name = "lblNumber",
                                  .kind = ControlKind::Label,
                                  .container = "xpgroupboxFavorties",
                                  .left = 1725,
                                  .top = 3075,
                                  .width = 1485,
                                  .height = 330,
                                  .foreColor = kSystemWindowText};
    // A line gives its two end points.
    const ControlDefinition line{.name = "Line1",
                                 .kind = ControlKind::Line,
                                 .container = "xpgroupboxFavorties",
                                 .left = 1725,
                                 .top = 3375,
                                 .width = 3225,
                                 .height = 3375,
                                 .foreColor = kSystemScrollBar};
    d.controls = {
        {"lstFavorites", ControlKind::ListBox, "", 225, 375, 3105, 1980},
        {"txtLink", ControlKind::TextBox, "", 225, 2400, 2205, 285, "http://"},
        groupBox("xpgroupboxFavorties", "", 75, 75, 3390, 3465, "Favorites"),
        {"lblNumberOfFavs", ControlKind::Label, "xpgroupboxFavorties", 150, 3105, 1575, 255,
         "Number of Favorites:"},
        count,
        commandButton("xpcmdAdd", "", 2550, 2400, 765, 315, "ADD"),
        commandButton("xpcmdCurrent", "", 225, 2775, 1515, 315, "ADD CURRENT SiTE"),
        commandButton("xpcmdRemove", "", 1800, 2775, 1515, 315, "REMOVE SiTE"),
        line,
    };
    d.accessibleNames = {{"lstFavorites", "Favorites"}, {"txtLink", "Address to add"}};
    return d;
}

}  // namespace

FrmFavorites::FrmFavorites() {
    build(definition());
    lstFavorites_ = control<QListView>("lstFavorites");
    favorites_ = new FavoritesModel(this);
    lstFavorites_->setModel(favorites_);
    // Every entry is one line of the same font: the list need not measure each one.
    lstFavorites_->setUniformItemSizes(true);
    txtLink_ = control<QLineEdit>("txtLink");
    lblNumber_ = control<QLabel>("lblNumber");

    // The pop-up menu: a menu that is never shown in a menu bar.
    mnuMain_ = new QMenu("Main", this);
    QAction* remove = mnuMain_->addAction("Remove");
    remove->setObjectName("mnuMainRemove");
    connect(remove, &QAction::triggered, this, &FrmFavorites::xpcmdRemove_Click);

    Timer1_ = new QTimer(this);
    connect(Timer1_, &QTimer::timeout, this, &FrmFavorites::Timer1_Timer);

    connectClicks({
        {"xpcmdAdd", &FrmFavorites::xpcmdAdd_Click},
        {"xpcmdCurrent", &FrmFavorites::xpcmdCurrent_Click},
        {"xpcmdRemove", &FrmFavorites::xpcmdRemove_Click},
    });
    connect(lstFavorites_, &QListView::doubleClicked, this, &FrmFavorites::lstFavorites_DblClick);
    lstFavorites_->viewport()->installEventFilter(this);
}

// The title of the messages about the favorites file, told apart from the window's own.
const QString kFileMessageTitle = QStringLiteral("Favorites File");

// Files and lists of more than this many bytes are read and written while the windows keep
// painting, with a progress dialog if it takes long; smaller ones take a few milliseconds.
constexpr qsizetype kLongWork = 1 << 20;

void FrmFavorites::runLong(qsizetype bytes, const QString& label,
                           const std::function<void()>& work) {
    if (bytes < kLongWork)
        work();
    else
        runWithProgress(label, this, work);
}

// A missing file is created holding one empty line and the list starts with the default
// entry, which reaches the file at closing. A file that exists but cannot be read gives an
// empty list, and is left alone; so is one that is not a regular file, after it is read.
void FrmFavorites::Form_Load() {
    FavoritesLoad load;
    // A FIFO or a device tells nothing of its size: it is read as a long file is.
    const QFileInfo file(kFavoritesFileName);
    runLong(file.exists() && !file.isFile() ? kLongWork : file.size(), "Reading the favorites...",
            [&] { load = loadFavorites(kFavoritesFileName); });
    switch (load.status) {
        case FavoritesLoad::Missing: {
            QString error;
            if (createEmptyFavoritesFile(kFavoritesFileName, &error)) {
                favorites_->setEntries({}, stampOf(kFavoritesFileName));
                favorites_->append(kDefaultFavorite);
                break;
            }
            // Where not even the file can be made, the default entry is only shown: closing
            // without a change asks nothing.
            MsgBox(error, kFileMessageTitle, this);
            favorites_->setEntries(FavoritesEntries(QStringList{kDefaultFavorite}));
            break;
        }
        case FavoritesLoad::Loaded:
            favorites_->setEntries(std::move(load.entries), load.stamp);
            break;
        case FavoritesLoad::ReadOnly:
            saveOnUnload_ = false;
            favorites_->setEntries(std::move(load.entries));
            MsgBox(load.error + "\n\nThe list shows what it holds; changes to it are not saved.",
                   kFileMessageTitle, this);
            break;
        case FavoritesLoad::Unreadable:
            saveOnUnload_ = false;
            MsgBox(load.error + "\n\nThe list starts empty; changes to it are not saved.",
                   kFileMessageTitle, this);
            break;
    }
    Timer1_->start(500);
}

// The list is written only when it was changed: an unchanged file keeps its bytes, and a
// folder that takes no file asks nothing. What another Skiff process saved into the file
// meanwhile is kept, with this window's changes made to it.
void FrmFavorites::Form_Unload() {
    Timer1_->stop();
    if (!saveOnUnload_ || !favorites_->changed()) return;
    // A save that fails is the user's to decide: try again (after freeing the disk or making
    // the folder writable), or close without saving and keep the old file as it is. The
    // program's shut-down waits for the answer.
    BusyScope asking;
    const FavoritesEntries& entries = favorites_->entries();
    for (;;) {
        bool saved = false;
        QString error;
        runLong(entries.byteSize(), "Saving the favorites...", [&] {
            saved = saveFavoritesEdits(kFavoritesFileName, entries, favorites_->edits(),
                                       favorites_->read(), &error);
        });
        if (saved) return;
        if (!askRetry(
                error +
                    "\n\nClosing without saving keeps the file as it was; the changes made to the "
                    "list since it was opened are lost.",
                kFileMessageTitle, "Close Without Saving", this))
            return;
    }
}

void FrmFavorites::xpcmdAdd_Click() {
    favorites_->append(txtLink_->text());
}

void FrmFavorites::xpcmdCurrent_Click() {
    favorites_->append(firstBrowserWindow()->addressText());
}

// The index of the selected entry, or -1. The list's current row is not it: the list sets
// that for the keyboard focus without selecting anything.
int FrmFavorites::selectedIndex() const {
    const QModelIndexList selected = lstFavorites_->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

// Removes the selected entry; afterwards no entry is selected.
void FrmFavorites::xpcmdRemove_Click() {
    const int selected = selectedIndex();
    if (selected < 0) {
        MsgBox("Please select a site to remove in the List and then select Remove",
               "Error In Removing Site", this);
        return;
    }
    favorites_->remove(selected);
    lstFavorites_->clearSelection();
}

// Opens the selected entry in the first browser window, exactly as stored.
void FrmFavorites::lstFavorites_DblClick() {
    const int selected = selectedIndex();
    if (selected < 0) return;
    firstBrowserWindow()->navigate(favorites_->entries().text(selected));
}

void FrmFavorites::Timer1_Timer() {
    lblNumber_->setText(QString::number(favorites_->entries().size()));
}

// A right button press shows the pop-up menu at the pointer and selects nothing.
bool FrmFavorites::eventFilter(QObject* watched, QEvent* e) {
    if (watched == lstFavorites_->viewport() && e->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(e)->button() == Qt::RightButton) {
        mnuMain_->popup(static_cast<QMouseEvent*>(e)->globalPosition().toPoint());
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

}  // namespace skiff
