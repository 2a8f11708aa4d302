#include "e2e/browserwindow.h"

#include <QHash>
#include <cmath>
#include <tuple>

namespace skiff::e2e {

namespace {

constexpr QRgb kFrameNormal = 0x003C74;    // BACK's frame, enabled
constexpr QRgb kFrameDisabled = 0xC9C7BA;  // and disabled
constexpr int kButtonLeftPx = 5;           // BACK at 75 twips from the left and top
constexpr int kButtonTopPx = 5;
constexpr int kInset = 4;  // a pop-up's frame is no text

// The colour most of `image` has.
QRgb background(const QImage& image) {
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y)];
    }
    QRgb most = 0;
    int mostCount = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > mostCount) std::tie(most, mostCount) = std::pair(it.key(), it.value());
    }
    return most;
}

bool isInk(QRgb p, QRgb paper) {
    return std::abs(qRed(p) - qRed(paper)) + std::abs(qGreen(p) - qGreen(paper)) +
               std::abs(qBlue(p) - qBlue(paper)) >
           120;
}

}  // namespace

QList<QPair<int, int>> inkRuns(const QImage& image, Qt::Orientation along, int gap) {
    const QRgb paper = background(image);
    const bool columns = along == Qt::Horizontal;
    const int length = columns ? image.width() : image.height();
    const int across = columns ? image.height() : image.width();
    QList<QPair<int, int>> runs;
    for (int i = 0; i < length; ++i) {
        bool ink = false;
        for (int j = 0; j < across && !ink; ++j) {
            ink = isInk(columns ? image.pixel(i, j) : image.pixel(j, i), paper);
        }
        if (!ink) continue;
        if (!runs.isEmpty() && i - runs.last().second <= gap + 1)
            runs.last().second = i;
        else
            runs.append({i, i});
    }
    return runs;
}

int BrowserWindow::itemCount(Menu menu) {
    switch (menu) {
        case Navigate:
        case Tools:
            return 6;
        case Favorites:
        case Settings:
            return 0;
    }
    return 0;
}

BrowserWindow::BrowserWindow(XSession& x, const TopLevel& window) : m_x(x), m_window(window) {}

bool BrowserWindow::locate() {
    m_menuBar = -1;
    return waitFor([this] {
        m_window = m_x.refreshed(m_window);
        if (!m_window.isValid()) return false;
        // Down BACK's column 3, the first pixel of its frame is its top edge.
        const QImage column =
            m_x.grab(QRect(m_window.atPixel(kButtonLeftPx + 3, 0), QSize(1, 120)));
        for (int y = 0; y < column.height(); ++y) {
            const QRgb p = column.pixel(0, y) & 0xFFFFFF;
            if (p == kFrameNormal || p == kFrameDisabled) {
                m_menuBar = y - kButtonTopPx;
                return m_menuBar > 0;
            }
        }
        return false;
    });
}

float BrowserWindow::scaleWidth() const {
    return m_window.client.width() * 15.0f;
}

float BrowserWindow::scaleHeight() const {
    return (m_window.client.height() - m_menuBar) * 15.0f;
}

QRect BrowserWindow::underMenu(float left, float top, float width, float height) const {
    const auto px = [](float twips) { return int(std::lround(twips / 15.0f)); };
    return QRect(m_window.atPixel(px(left), m_menuBar + px(top)), QSize(px(width), px(height)));
}

// The layout of the toolbar row: the address box takes the spare width, the Go button, the
// search box and the Search button follow it.
QRect BrowserWindow::back() const {
    return underMenu(75, 75, 765, 315);
}
QRect BrowserWindow::forward() const {
    return underMenu(900, 75, 765, 315);
}
QRect BrowserWindow::refresh() const {
    return underMenu(1725, 75, 765, 315);
}
QRect BrowserWindow::addressBox() const {
    return underMenu(2550, 75, scaleWidth() - 6500, 315);
}
QRect BrowserWindow::go() const {
    return underMenu(2550 + scaleWidth() - 6500, 75, 765, 315);
}
QRect BrowserWindow::searchBox() const {
    return underMenu(2550 + scaleWidth() - 6500 + 765 + 100, 75, 2070, 315);
}
QRect BrowserWindow::searchButton() const {
    return underMenu(2550 + scaleWidth() - 6500 + 765 + 100 + 2070, 75, 765, 315);
}
QRect BrowserWindow::webView() const {
    return underMenu(75, 525, scaleWidth() - 300, scaleHeight() - 800);
}

QRect BrowserWindow::progressBar() const {
    return underMenu(9000, scaleHeight() - 225, 3600, 195);
}

// The status bar below the progress bar has no blue and no white beyond its panels' edges;
// the bar's filled part is blue and its empty part (all of it at 0%) white.
bool BrowserWindow::progressBarShown() const {
    const QImage bar = m_x.grab(progressBar());
    const int middle = bar.height() / 2;
    int white = 0;
    for (int y = 0; y < bar.height(); ++y) {
        for (int x = 0; x < bar.width(); ++x) {
            const QRgb p = bar.pixel(x, y);
            if (qBlue(p) > qRed(p) + 60) return true;
            white += y == middle && qGray(p) > 250;
        }
    }
    return white > bar.width() / 2;
}

QList<QRect> BrowserWindow::menuTitles() const {
    const QRect bar(m_window.atPixel(0, 2), QSize(m_window.client.width(), m_menuBar - 4));
    QList<QRect> titles;
    for (const auto& [first, last] : inkRuns(m_x.grab(bar), Qt::Horizontal, 5)) {
        titles.append(QRect(bar.left() + first, bar.top(), last - first + 1, bar.height()));
    }
    return titles;
}

bool BrowserWindow::chooseMenu(Menu menu, int item) {
    QList<QRect> titles;
    if (!waitFor([&] { return (titles = menuTitles()).size() == 4; })) return false;
    const QList<QRect> before = m_x.popups();
    m_x.click(titles.at(menu).center());
    const int count = itemCount(menu);
    if (count == 0) return true;
    if (item < 0 || item >= count) return false;

    const QRect popup = m_x.waitForNewPopup(before);
    if (popup.isEmpty()) return false;
    // The items are rows of equal height; each shows one line of text.
    const QRect inside = popup.adjusted(kInset, kInset, -kInset, -kInset);
    QList<QPair<int, int>> lines;
    if (!waitFor([&] {
            lines = inkRuns(m_x.grab(inside), Qt::Vertical, 3);
            return lines.size() == count;
        })) {
        return false;
    }
    const int y = inside.top() + (lines.at(item).first + lines.at(item).second) / 2;
    m_x.click(QPoint(inside.left() + inside.width() / 3, y));
    return waitFor([&] { return !m_x.popups().contains(popup); });
}

}  // namespace skiff::e2e
