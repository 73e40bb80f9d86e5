#include "support/programrun.h"

#include "support/testenv.h"

bool writeSerialMap(const QString& hives, const QString& devicePath, int com) {
    return writeWholeFile(hives + QStringLiteral("/HKEY_LOCAL_MACHINE.reg"),
                          "Windows Registry Editor Version 5.00\r\n\r\n"
                          "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\r\n\"" +
                              devicePath.toLocal8Bit() + "\"=\"COM" + QByteArray::number(com) + "\"\r\n");
}

bool startProgram(QProcess& program, const QString& appDir, const QString& configDir,
                  const QMap<QString, QString>& extra) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("CORVISENT_APP_DIR"), appDir);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
    for (auto it = extra.begin(); it != extra.end(); ++it)
        environment.insert(it.key(), it.value());
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(kProgramPath, QStringList());
    return program.waitForStarted();
}
