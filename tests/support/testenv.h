#pragma once
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <functional>

class QWidget;

// A private settings folder and application folder for one test: points the registry and the
// application folder at temporary folders and restores the environment afterwards.
class TestEnv {
public:
    TestEnv();
    ~TestEnv();
    QString appDir() const { return m_app.path(); }
    QString configDir() const { return m_config.path(); }

private:
    QTemporaryDir m_app;
    QTemporaryDir m_config;
    QByteArray m_oldApp, m_oldConfig;
};

// Whole-file helpers for tests that check files byte for byte. writeWholeFile creates missing folders.
bool writeWholeFile(const QString& path, const QByteArray& bytes);
QByteArray readWholeFile(const QString& path);

// Acts on the next modal box once it is really shown, from inside its own event loop.
void whenBoxShown(std::function<void(QWidget*)> act);
