#include <QApplication>
#include <QStringList>
#include <QTimer>

#include "app/CorvisentMain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvisent Manager"));
    // The program ends through its main window or File > Exit only: closing a setup or help
    // window while the main window sits in the notification area must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // The switches as one command line, without the program's name.
    QStringList args = QApplication::arguments();
    args.removeFirst();
    const QString commandLine = args.join(u' ');
    QTimer::singleShot(0, [commandLine] { CorvisentMain::instance().Form_Load(commandLine); });
    return app.exec();
}
