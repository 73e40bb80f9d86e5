#include "app/CorvisentMain.h"

CorvisentMain& CorvisentMain::instance() {
    static CorvisentMain* w = new CorvisentMain();
    return *w;
}

CorvisentMain::CorvisentMain() {
    setWindowTitle(QStringLiteral("Corvisent Manager"));
    resize(800, 600);
}
