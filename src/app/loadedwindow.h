#pragma once

// A window with one instance that is loaded on first use and unloaded on request, so that the next
// use loads a fresh one. W derives from its QWidget base and from LoadedWindow<W>, and befriends it.
template <typename W> class LoadedWindow {
public:
    static W& instance() {
        if (!s_window) s_window = new W();
        return *s_window;
    }
    static bool loaded() { return s_window != nullptr; }
    // Hides and destroys the loaded instance (once control has returned to the event loop).
    static void unload() {
        if (!s_window) return;
        W* w = s_window;
        s_window = nullptr;
        w->hide();
        w->deleteLater();
    }

private:
    static inline W* s_window = nullptr;
};
