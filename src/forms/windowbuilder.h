#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

#include "forms/windowdefinition.h"

namespace skiff {

// The controls a window built from its definition, by name.
class WindowControls {
public:
    template <class T>
    T* get(const QString& name) const {
        return dynamic_cast<T*>(widgets_.value(name));
    }
    QWidget* widget(const QString& name) const { return widgets_.value(name); }
    void insert(const QString& name, QWidget* w) { widgets_.insert(name, w); }

private:
    QHash<QString, QWidget*> widgets_;
};

// Creates the controls of `definition` on `client`, the window's client area: each in its
// container, at its twip geometry, with its text or stored property bag and its accessible
// name, in tab order.
// Custom controls load from their stored bag; controls the window makes itself (the web
// component) are taken from `supplied` by name and only placed.
WindowControls buildControls(QWidget* client, const WindowDefinition& definition,
                             const QHash<QString, QWidget*>& supplied = {});

// Caption, client size (twips) and, for fixed windows, no minimise or maximise box.
void applyWindowSettings(QWidget* window, const WindowDefinition& definition);

}  // namespace skiff
