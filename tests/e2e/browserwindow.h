#pragma once

// Where the controls of a skiff browser window are on screen, found as a person finds them:
// from the window's geometry, the fixed twip layout of its controls (15 twips = 1 pixel) and
// what it shows. The controls lie in the client area under the menu bar, whose height
// depends on the font; it is read from the pixels of the BACK button's frame.
//
//     BrowserWindow browser(x, x.waitForClient("Start"));
//     QVERIFY(browser.locate());
//     x.click(browser.addressBox().center());
//     browser.chooseMenu(BrowserWindow::Tools, 5);   // "View Page Source..."
//     browser.chooseMenu(BrowserWindow::Settings);    // a title without items

#include <QList>
#include <QRect>

#include "e2e/xsession.h"

namespace skiff::e2e {

// The runs of "ink" along one axis of `image`: columns (Qt::Horizontal) or rows
// (Qt::Vertical) that hold a pixel far from the image's most common colour (its paper), such
// as text or a highlighted item, merged where the gap between them is at most `gap` pixels.
// Each run is [first, last] in image coordinates.
QList<QPair<int, int>> inkRuns(const QImage& image, Qt::Orientation along, int gap);

class BrowserWindow {
public:
    // The titles of the menu bar, left to right, and the number of items of each menu (0 for
    // a title that acts by itself).
    enum Menu { Navigate, Tools, Favorites, Settings };
    static int itemCount(Menu menu);

    BrowserWindow(XSession& x, const TopLevel& window);

    // Reads the window's geometry afresh and finds its menu bar (waiting until the BACK button
    // is drawn); false when it is not found.
    bool locate();
    const TopLevel& window() const { return m_window; }
    int menuBarHeight() const { return m_menuBar; }

    // The controls, in root coordinates, as the layout places them for the window's width.
    QRect back() const;
    QRect forward() const;
    QRect refresh() const;
    QRect go() const;
    QRect searchButton() const;
    QRect addressBox() const;
    QRect searchBox() const;
    QRect webView() const;
    QRect progressBar() const;
    // The progress bar shows (filled or empty): a page is loading.
    bool progressBarShown() const;
    // A rectangle in twips relative to the client area under the menu bar, in root pixels.
    QRect underMenu(float left, float top, float width, float height) const;

    // The menu bar titles as drawn, left to right (root coordinates).
    QList<QRect> menuTitles() const;
    // Opens `menu` with a click on its title and clicks its item `item` (from 0, top down);
    // a title without items acts on the click itself (`item` is then ignored). False when the
    // menu or its items do not show.
    bool chooseMenu(Menu menu, int item = -1);

private:
    float scaleWidth() const;   // twips
    float scaleHeight() const;  // twips

    XSession& m_x;
    TopLevel m_window;
    int m_menuBar = -1;
};

}  // namespace skiff::e2e
