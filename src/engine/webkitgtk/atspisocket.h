#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace skiff {

// Screen readers read the program's widgets through Qt's accessibility bridge and a GTK
// widget's elements through GTK's, each on a connection of its own to the accessibility bus
// (AT-SPI). AT-SPI joins two such trees by a socket and a plug: the plug, an element of the
// other connection named "bus name:object path", becomes the one child of the socket, and the
// socket its parent. Qt's bridge has no sockets of its own.
//
// Makes the element `plugId` the one child of `container` and `container` its parent, for as
// long as `container` lives: now, or as soon as Qt's bridge comes on the accessibility bus.
// `embedded` runs when the plug has taken `container` for its parent.
void embedAccessible(QWidget* container, const QString& plugId, std::function<void()> embedded);

}  // namespace skiff
