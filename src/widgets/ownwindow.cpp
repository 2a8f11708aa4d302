#include "widgets/ownwindow.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPointer>
#include <QResizeEvent>
#include <QWidget>
#include <QWindow>

namespace skiff {

namespace {

// Hands the host's font, colours and size on to the content at once (an embedded window
// follows its container's size only later), and deletes the content (which is no child of the
// host when it has a window of its own) before the container that embeds it.
class ContentKeeper : public QObject {
public:
    ContentKeeper(QWidget* host, QWidget* content) : QObject(host), content_(content) {
        host->installEventFilter(this);
        follow(host);
    }
    ~ContentKeeper() override { delete content_; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::FontChange || e->type() == QEvent::PaletteChange)
            follow(static_cast<QWidget*>(watched));
        if (e->type() == QEvent::Resize && content_ && content_->isWindow())
            content_->resize(static_cast<QResizeEvent*>(e)->size());
        return false;
    }

private:
    void follow(const QWidget* host) {
        if (!content_) return;
        content_->setFont(host->font());
        content_->setPalette(host->palette());
    }

    QPointer<QWidget> content_;
};

}  // namespace

bool windowsNest() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
}

void fillWithOwnWindow(QWidget* host, QWidget* content) {
    new ContentKeeper(host, content);  // first, so that it goes before the container
    auto* layout = new QHBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    if (!windowsNest()) {
        content->setParent(host);
        layout->addWidget(content);
        return;
    }
    content->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    content->setAttribute(Qt::WA_QuitOnClose, false);
    content->setAttribute(Qt::WA_ShowWithoutActivating);
    content->resize(host->size());  // from now on the host sizes it, not its size hint
    content->winId();               // its native window, which the container embeds
    QWidget* container = QWidget::createWindowContainer(content->windowHandle(), host);
    container->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(container);
}

}  // namespace skiff
