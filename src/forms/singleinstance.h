#pragma once

#include <QCloseEvent>

namespace skiff {

// A window reached by one global name: the first reference creates and loads it; unloading
// runs its unload step and discards it, and the next reference loads a fresh one. `W` has
// Form_Load() and Form_Unload().
template <class W>
class SingleInstance {
public:
    W& get() {
        if (!window_) {
            window_ = new W();
            window_->Form_Load();
        }
        return *window_;
    }
    bool loaded() const { return window_ != nullptr; }
    bool is(const W* w) const { return w && w == window_; }

    // The window's close box: closing a window unloads it.
    void closeBox(const W* w, QCloseEvent* e) {
        e->accept();
        if (is(w)) unload();
    }

    // Unloads the window if it is loaded; unloading one that is not loaded does nothing.
    void unload() {
        if (!window_) return;
        W* w = window_;
        window_ = nullptr;
        w->Form_Unload();
        w->hide();
        w->deleteLater();
    }

private:
    W* window_ = nullptr;
};

}  // namespace skiff
