#pragma once

#include <QStringList>

class QWidget;

namespace skiff::test {

// The labels and check boxes of `window` whose text is wider than the control, or that stick
// out of their container, each as "name: text". Empty when every text fits.
QStringList textsThatDoNotFit(const QWidget* window);

}  // namespace skiff::test
