#include "engine/webkitgtk/atspisocket.h"

#include <QAccessible>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QHash>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <optional>

namespace skiff::atspi {

// An element on the accessibility bus: the connection that shows it, and its path there.
struct Reference {
    QString service;
    QDBusObjectPath path;
};

QDBusArgument& operator<<(QDBusArgument& out, const Reference& reference) {
    out.beginStructure();
    out << reference.service << reference.path;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, Reference& reference) {
    in.beginStructure();
    in >> reference.service >> reference.path;
    in.endStructure();
    return in;
}

}  // namespace skiff::atspi

Q_DECLARE_METATYPE(skiff::atspi::Reference)

namespace skiff {

namespace {

using atspi::Reference;

// Where Qt's bridge shows its elements on the accessibility bus (the connection it makes there
// is named "a11y"), and the AT-SPI interfaces asked here.
const QString kConnection = QStringLiteral("a11y");
const QString kElements = QStringLiteral("/org/a11y/atspi/accessible");
const QString kAccessible = QStringLiteral("org.a11y.atspi.Accessible");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// "bus name:object path", the way AT-SPI names a plug; none when `id` is no such name.
std::optional<Reference> referenceFrom(const QString& id) {
    const qsizetype colon = id.indexOf(':', 1);
    if (colon < 0 || !id.mid(colon + 1).startsWith('/')) return std::nullopt;
    return Reference{id.left(colon), QDBusObjectPath(id.mid(colon + 1))};
}

// The path under which Qt's bridge shows `widget`.
QString pathOf(QWidget* widget) {
    return kElements + '/' +
           QString::number(QAccessible::uniqueId(QAccessible::queryAccessibleInterface(widget)));
}

// Stands in for Qt's bridge on the accessibility bus: it answers what a screen reader asks of a
// socket's children itself, and hands every other question on to the bridge.
class Sockets : public QDBusVirtualObject, public QAccessible::ActivationObserver {
public:
    static Sockets& instance() {
        static Sockets* sockets = [] {
            qDBusRegisterMetaType<Reference>();
            qDBusRegisterMetaType<QList<Reference>>();
            auto* made = new Sockets;
            QAccessible::installActivationObserver(made);
            return made;
        }();
        return *sockets;
    }

    void add(QWidget* container, const Reference& plug, std::function<void()> embedded) {
        m_plugs.insert(container, {plug, std::move(embedded)});
        connect(container, &QObject::destroyed, this,
                [this](QObject* gone) { m_plugs.remove(gone); });
        if (m_bridge)
            tell(container);
        else
            stepIn();
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (std::optional<QDBusMessage> reply = answer(message)) return connection.send(*reply);
        return m_bridge && m_bridge->handleMessage(message, connection);
    }

    QString introspect(const QString& path) const override {
        return m_bridge ? m_bridge->introspect(path) : QString();
    }

private:
    struct Plug {
        Reference element;
        std::function<void()> embedded;
    };

    // Qt's bridge registers itself on the bus right after it turns accessibility on.
    void accessibilityActiveChanged(bool active) override {
        if (active) QTimer::singleShot(0, this, &Sockets::stepIn);
    }

    // Takes the bridge's place on the bus, once it is there, and tells the plugs where they are.
    void stepIn() {
        QDBusConnection bus(kConnection);
        if (m_bridge || m_plugs.isEmpty() || !bus.isConnected()) return;
        auto* bridge = qobject_cast<QDBusVirtualObject*>(bus.objectRegisteredAt(kElements));
        if (!bridge || bridge == this) return;
        bus.unregisterObject(kElements);
        if (!bus.registerVirtualObject(kElements, this, QDBusConnection::SubPath)) {
            bus.registerVirtualObject(kElements, bridge, QDBusConnection::SubPath);
            return;
        }
        m_bridge = bridge;
        for (QObject* container : m_plugs.keys()) tell(static_cast<QWidget*>(container));
    }

    // Tells the plug its socket (AT-SPI's Socket.Embedded): from then on it names `container`
    // as its parent.
    void tell(QWidget* container) {
        const Plug plug = m_plugs.value(container);
        QDBusMessage call = QDBusMessage::createMethodCall(
            plug.element.service, plug.element.path.path(), "org.a11y.atspi.Socket", "Embedded");
        call << pathOf(container);
        auto* watcher =
            new QDBusPendingCallWatcher(QDBusConnection(kConnection).asyncCall(call), container);
        connect(watcher, &QDBusPendingCallWatcher::finished, container, [watcher, plug] {
            watcher->deleteLater();
            if (!watcher->isError() && plug.embedded) plug.embedded();
        });
    }

    // The socket that `path` shows; none when it shows another element.
    QObject* socketAt(const QString& path) const {
        if (!path.startsWith(kElements + '/')) return nullptr;
        bool number = false;
        const QAccessible::Id id = path.mid(kElements.size() + 1).toUInt(&number);
        QAccessibleInterface* element = number ? QAccessible::accessibleInterface(id) : nullptr;
        QObject* object = element ? element->object() : nullptr;
        return object && m_plugs.contains(object) ? object : nullptr;
    }

    // The answer to a question about a socket's children: its plug is its one child.
    std::optional<QDBusMessage> answer(const QDBusMessage& message) const {
        QObject* socket = socketAt(message.path());
        if (!socket) return std::nullopt;
        const Reference plug = m_plugs.value(socket).element;
        const QVariantList arguments = message.arguments();
        const QString member = message.member();
        if (message.interface() == kAccessible && member == "GetChildren")
            return message.createReply(QVariant::fromValue(QList<Reference>{plug}));
        if (message.interface() == kAccessible && member == "GetChildAtIndex") {
            const Reference none{{}, QDBusObjectPath("/org/a11y/atspi/null")};
            return message.createReply(
                QVariant::fromValue(arguments.value(0).toInt() == 0 ? plug : none));
        }
        if (message.interface() == kProperties && member == "Get" &&
            arguments.value(0).toString() == kAccessible &&
            arguments.value(1).toString() == "ChildCount")
            return message.createReply(QVariant::fromValue(QDBusVariant(1)));
        return std::nullopt;
    }

    QHash<QObject*, Plug> m_plugs;
    QPointer<QDBusVirtualObject> m_bridge;
};

}  // namespace

void embedAccessible(QWidget* container, const QString& plugId, std::function<void()> embedded) {
    if (const std::optional<Reference> plug = referenceFrom(plugId))
        Sockets::instance().add(container, *plug, std::move(embedded));
}

}  // namespace skiff
