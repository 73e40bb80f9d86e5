#include "support/testenv.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include "platform/comports.h"
#include "platform/registry.h"

TestEnv::TestEnv() {
    m_oldApp = qgetenv("CORVISENT_APP_DIR");
    m_oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("CORVISENT_APP_DIR", m_app.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    platform::Registry::instance().setFolder(m_config.path() + "/corvisent-manager");
    // Only serial devices a test creates are ever touched: the machine's own get no COM number.
    platform::setComPortDiscovery({});
}

TestEnv::~TestEnv() {
    qputenv("CORVISENT_APP_DIR", m_oldApp);
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
}

bool writeWholeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readWholeFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void whenBoxShown(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            act(w);
        }
    });
    poll->start(10);
}
