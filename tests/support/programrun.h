#pragma once
#include <QMap>
#include <QProcess>
#include <QString>

// The built program as the end-to-end tests start it.
inline const QString kProgramPath = QStringLiteral(CORVISENT_TEST_TOOLS_DIR "/../../bin/CorvisentMan");

// Writes the machine hive of a settings folder so that the device path is COM number com.
bool writeSerialMap(const QString& hives, const QString& devicePath, int com);
// Starts the program headless with its application folder and settings folder, and any further
// environment variables; false when it did not start.
bool startProgram(QProcess& program, const QString& appDir, const QString& configDir,
                  const QMap<QString, QString>& extra = {});
