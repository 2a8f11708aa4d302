#pragma once

#include <QProgressBar>

namespace skiff {

// The page-load progress bar of a browser window (`proLoad`), range 0 to 100.
class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    static constexpr float kMin = 0.0f;
    static constexpr float kMax = 100.0f;

    explicit ProgressBar(QWidget* parent = nullptr);

    // Shows `value` at once. A value outside 0..100, or not a number, is refused: the call
    // returns false and the bar keeps its previous value.
    bool setValue(float value);
    // The last accepted value, fractions included; the bar itself shows it rounded.
    float value() const { return value_; }

private:
    float value_ = kMin;
};

}  // namespace skiff
