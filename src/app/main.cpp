#include <QApplication>

#include "app/CorvisentMain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvisent Manager"));
    CorvisentMain::instance().show();
    return app.exec();
}
