#pragma once

#include <QCloseEvent>
#include <QHash>
#include <QString>
#include <QWidget>
#include <initializer_list>
#include <utility>

#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "forms/windowbuilder.h"

namespace skiff {

// A window of the program reached by one global name (frmSettings(), frmSource(), ...): the
// first reference creates it and runs its Form_Load(); closing or unloading it runs its
// Form_Unload() and discards it, and the next reference loads a fresh one. It is built from
// its stored definition and finds its controls by name.
//
// `W` derives from Form<W, Base>, Base being its Qt window class, and has Form_Load() and
// Form_Unload(). A window of the same kind made otherwise (a browser window a page opens) is
// not the one instance: closing it unloads and discards that window alone.
template <class W, class Base = QWidget>
class Form : public Base {
public:
    // The one instance, created and loaded on first reference.
    static W& instance() {
        if (!current_) {
            current_ = new W();
            current_->Form_Load();
        }
        return *current_;
    }
    static bool loaded() { return current_ != nullptr; }
    // Unloads the instance; when none is loaded, nothing happens.
    static void unload() {
        if (!current_) return;
        W* w = std::exchange(current_, nullptr);
        w->discard();
        w->hide();
    }

    // The window's controls, by their names on it.
    template <class T>
    T* control(const QString& name) const {
        return controls_.template get<T>(name);
    }
    xpcmdbutton* button(const QString& name) const { return control<xpcmdbutton>(name); }

protected:
    // Caption, size and colour from `definition`, and its controls built on `client` (the
    // window itself when none), taking the controls in `supplied` as buildControls does.
    void build(const WindowDefinition& definition, QWidget* client = nullptr,
               const QHash<QString, QWidget*>& supplied = {}) {
        applyWindowSettings(this, definition);
        controls_ = buildControls(client ? client : this, definition, supplied);
    }

    // Each named button's Click runs its handler.
    void connectClicks(std::initializer_list<std::pair<const char*, void (W::*)()>> handlers) {
        for (const auto& [name, handler] : handlers)
            QObject::connect(button(name), &xpcmdbutton::Click, self(), handler);
    }

    // The close box: closing a window unloads it.
    void closeEvent(QCloseEvent* e) override {
        e->accept();
        if (current_ == self())
            unload();
        else
            discard();
    }

private:
    W* self() { return static_cast<W*>(this); }

    // Runs the unload step, once, and lets the window go.
    void discard() {
        if (unloaded_) return;
        unloaded_ = true;
        self()->Form_Unload();
        this->deleteLater();
    }

    static inline W* current_ = nullptr;
    WindowControls controls_;
    bool unloaded_ = false;
};

}  // namespace skiff
