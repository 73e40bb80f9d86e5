#pragma once
#include <QMainWindow>

// The main window: one instance, created on first use.
class CorvisentMain : public QMainWindow {
    Q_OBJECT
public:
    static CorvisentMain& instance();

private:
    CorvisentMain();
};
