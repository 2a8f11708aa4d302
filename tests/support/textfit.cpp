#include "textfit.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

namespace skiff::test {

namespace {

QString describe(const QWidget* w, const QString& text) {
    const QString name = w->objectName().isEmpty() && w->parentWidget()
                             ? w->parentWidget()->objectName() + "/lbl"
                             : w->objectName();
    return name + ": " + text;
}

}  // namespace

QStringList textsThatDoNotFit(const QWidget* window) {
    QStringList out;
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        QString text;
        if (const auto* label = qobject_cast<const QLabel*>(w))
            text = label->text();
        else if (const auto* box = qobject_cast<const QAbstractButton*>(w))
            text = box->text();
        if (text.isEmpty() || !w->isVisibleTo(window)) continue;
        const bool wideEnough = w->sizeHint().width() <= w->width();
        const bool inside = w->parentWidget()->rect().contains(w->geometry());
        if (!wideEnough || !inside) out << describe(w, text);
    }
    return out;
}

}  // namespace skiff::test
