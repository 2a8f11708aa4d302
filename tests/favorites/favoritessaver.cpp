// The favorites window in a process of its own, for tst_favoritessavekill, which kills it while
// it saves. It opens the window on the favorites file of the working folder, adds the address
// given as its argument by typing it and clicking ADD, writes "saving" to its output, closes
// the window (which saves the list) and writes "saved".

#include <QApplication>
#include <QLineEdit>
#include <cstdio>

#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "favorites/frmfavorites.h"
#include "support/userinput.h"

using namespace skiff;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) return 2;
    FrmFavorites& window = frmFavorites();
    if (!test::showActive(&window)) return 1;
    test::retype(window.txtLink(), QString::fromLocal8Bit(argv[1]));
    test::click(window.button("xpcmdAdd"));
    std::puts("saving");
    std::fflush(stdout);
    window.close();
    std::puts("saved");
    std::fflush(stdout);
    return 0;
}
