#pragma once

#include <QList>
#include <QPointer>
#include <QRegion>
#include <QString>
#include <QWidget>

class QLabel;
class QProgressBar;

namespace skiff {

// The panels of a browser window's status bar, left to right: the latest message, one that is
// never written, the browsing mode, the time of day and the date of the window's load.
enum class StatusPanel { Messages, Unused, Mode, Time, Date };

// The status bar along the bottom of a browser window (`stbStatus`): a row of sunken text
// panels, named by StatusPanel. Each panel starts at its given width and widens to fit its
// text while the panels fit in the bar; a text too long for that is drawn cut in the middle.
class PanelLabel;

//
// The panels are drawn in a window of their own (see ownwindow.h), so that the clock, which
// changes every second, does not make the browser window be composed again; where other widgets
// of the browser window overlap the bar, the bar draws the panels there itself, so that the
// pixels are those of panels lying in the browser window.
class StatusBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeightTwips = 315;

    explicit StatusBar(const QList<int>& panelWidthsTwips, QWidget* parent = nullptr);

    // Replaces the text of `panel`; a panel the bar does not have is ignored.
    void setPanelText(StatusPanel panel, const QString& text);
    // The text of `panel`, or empty text for a panel the bar does not have.
    QString panelText(StatusPanel panel) const;
    int panelCount() const { return static_cast<int>(panels_.size()); }
    // The width `panel` now takes, in pixels; 0 for a panel the bar does not have.
    int panelWidth(StatusPanel panel) const;

    // `neighbours`, widgets of the same window that overlap the bar (such as the web view below
    // it), show with the panels wherever they are visible, as if the panels lay in the browser
    // window with them.
    void shareWith(const QList<QWidget*>& neighbours);
    // `bar`, a progress bar of the same window that lies over the status bar, is drawn by the
    // status bar in the panels' window while the status bar shows (see placeProgress()); it
    // keeps its place, value and visibility.
    void carryProgress(QProgressBar* bar);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    QLabel* label(StatusPanel panel) const;
    void fitPanels();
    QRegion sharedRegion() const;
    void updateShared();
    void placeProgress();

    const bool embedded_;  // the panels lie in a window of their own
    QWidget* panelsWindow_;
    QList<PanelLabel*> panels_;
    QList<QPointer<QWidget>> neighbours_;
    QRegion shared_;  // where neighbours overlap the bar, in the bar's coordinates
    QPointer<QProgressBar> progress_;
    QProgressBar* progressFace_ = nullptr;  // draws `progress_` in the panels' window
};

}  // namespace skiff
