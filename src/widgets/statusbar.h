#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QLabel;

namespace skiff {

// The status bar along the bottom of a browser window (`stbStatus`): a row of sunken text
// panels, indexed from 1. Each panel starts at its given width and widens to fit its text.
class StatusBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeightTwips = 315;

    explicit StatusBar(const QList<int>& panelWidthsTwips, QWidget* parent = nullptr);

    // Replaces the text of panel `index`; an index outside 1..panelCount() is ignored.
    void setPanelText(int index, const QString& text);
    // The text of panel `index`, or empty text for an index outside 1..panelCount().
    QString panelText(int index) const;
    int panelCount() const { return static_cast<int>(panels_.size()); }
    // The width panel `index` now takes, in pixels; 0 for an index outside the panels.
    int panelWidth(int index) const;

private:
    QLabel* panel(int index) const;

    QList<QLabel*> panels_;
};

}  // namespace skiff
