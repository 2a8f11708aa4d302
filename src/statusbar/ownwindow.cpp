#include "statusbar/ownwindow.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHash>
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

// Screen readers find widgets through their parents, and a content in a window of its own has
// none. The container that embeds it and the content name each other here, for as long as they
// live, and the accessibility tree joins them: the content is the container's one element, and
// the container is its parent.
QHash<const QObject*, QPointer<QWidget>>& embedding() {
    static QHash<const QObject*, QPointer<QWidget>> partners;
    return partners;
}

QWidget* partnerOf(const QObject* object) {
    return embedding().value(object);
}

// Enters `widget` with its partner.
void enterEmbedding(QWidget* widget, QWidget* partner) {
    if (!embedding().contains(widget))
        QObject::connect(widget, &QObject::destroyed,
                         [](QObject* gone) { embedding().remove(gone); });
    embedding().insert(widget, partner);
    // An interface the toolkit made for it before (as widgets were added) does not know its
    // partner: the next reader gets one that does.
    QAccessible::deleteAccessibleInterface(
        QAccessible::uniqueId(QAccessible::queryAccessibleInterface(widget)));
}

class ContainerAccessible : public QAccessibleWidget {
public:
    using QAccessibleWidget::QAccessibleWidget;

    int childCount() const override { return partnerOf(object()) ? 1 : 0; }
    QAccessibleInterface* child(int index) const override {
        QWidget* content = partnerOf(object());
        return index == 0 && content ? QAccessible::queryAccessibleInterface(content) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() && child->object() == partnerOf(object()) ? 0 : -1;
    }
};

// A part of the window that embeds it, not a window of its own.
class ContentAccessible : public QAccessibleWidget {
public:
    explicit ContentAccessible(QWidget* content)
        : QAccessibleWidget(content, QAccessible::Client) {}

    QAccessibleInterface* parent() const override {
        QWidget* container = partnerOf(object());
        return container ? QAccessible::queryAccessibleInterface(container) : nullptr;
    }
};

// The program's frames are the windows of its widgets, less the contents embedded in them.
// Other top-level windows (the offscreen window of the web view, drawn into the view) are no
// frames a user could see.
class ProgramAccessible : public QAccessibleApplication {
public:
    int childCount() const override { return static_cast<int>(frames().size()); }
    QAccessibleInterface* child(int index) const override {
        const QObjectList list = frames();
        return index >= 0 && index < list.size()
                   ? QAccessible::queryAccessibleInterface(list.at(index))
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? static_cast<int>(frames().indexOf(child->object())) : -1;
    }

private:
    static QObjectList frames() {
        QObjectList list;
        for (const QWindow* window : QGuiApplication::topLevelWindows()) {
            if (window->type() == Qt::Popup || window->type() == Qt::Desktop) continue;
            const QAccessibleInterface* root = window->accessibleRoot();
            QObject* frame = root ? root->object() : nullptr;
            if (frame && frame->isWidgetType() && !embedding().contains(frame)) list << frame;
        }
        return list;
    }
};

QAccessibleInterface* accessibleProgram(const QString&, QObject* object) {
    if (!object || object != QCoreApplication::instance()) return nullptr;
    return new ProgramAccessible;
}

// Installed as the program starts, before a screen reader first asks for the program.
[[maybe_unused]] const bool accessibleProgramInstalled =
    (QAccessible::installFactory(accessibleProgram), true);

QAccessibleInterface* accessibleEmbedding(const QString&, QObject* object) {
    if (!embedding().contains(object)) return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (widget->isWindow()) return new ContentAccessible(widget);
    return new ContainerAccessible(widget);
}

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
    // Installed after the application's own factories, so that it is asked first.
    [[maybe_unused]] static const bool accessible =
        (QAccessible::installFactory(accessibleEmbedding), true);
    enterEmbedding(container, content);
    enterEmbedding(content, container);
    layout->addWidget(container);
}

}  // namespace skiff
