#pragma once
// A device setup for the sensor tests: a private registry and application folder, fake serial
// devices, a log folder on disk, scripted message boxes, and device rows loaded from stored
// records the way start-up loads them.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>

#include "alerts/alertchecks.h"
#include "app/CorvisentMain.h"
#include "platform/mscomm.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "runtime/vb.h"
#include "sensors/sensorops.h"
#include "settings/deviceRecords.h"
#include "settings/modPrefs.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"
#include "support/alertcallrecord.h"
#include "support/boxes.h"
#include "support/fakeserial.h"
#include "support/testenv.h"
#include "support/wait.h"

inline formSensorSetup& S() {
    return formSensorSetup::instance();
}
inline CorvisentMain& M() {
    return CorvisentMain::instance();
}

// Takes every row back and empties the windows and tables, as after start-up with no devices.
inline void resetSensorRows() {
    using namespace modSupport;
    rt::DialogScript quietBoxes;
    for (int row = 1; row <= 10; ++row)
        if (iPortOpen[row] != 0) DisconnectSensor(row, 0);
    rt::Files::closeAll();
    LoadGuard quiet;
    for (int row = 1; row <= 10; ++row) {
        MakeInvisible(0, row, typeEmpty);
        M().Timer1[row]->setEnabled(false);
        for (auto* ports : {&M().MSComm, &M().MSCommP, &M().MSCommW, &M().MSCommA, &M().MSCommD})
            if ((*ports)[row]->portOpen()) (*ports)[row]->setPortOpen(false);
        rt::setTag(S().cmdConnectSensor[row], QString());
        modSupport::SetStartMode(row, QString());
        modSupport::SetCalibrateOnConnect(row, QString());
        modSupport::SetLogPath(row, QString());
        S().lblSubIndex[row]->setText(QString());
        S().lblDeviceType[row]->setText(QString());
        S().cmdConnectSensor[row]->setText(QStringLiteral("Connect"));
        M().lblSensorReading[row]->setText(QString());
        rt::setForeColor(M().lblSensorReading[row], rt::vbBlack);
    }
    for (int slot = 1; slot <= 4; ++slot) {
        for (auto* logs : {&M().txtTempInData, &M().txtHumidInData, &M().txtAccelData, &M().txtDistanceData})
            (*logs)[slot]->clear();
        M().bTHighLowEmpty[slot] = M().bHHighLowEmpty[slot] = true;
        M().lblTHighest[slot]->setText("0");
        M().lblTLowest[slot]->setText("200");
        M().lblHHighest[slot]->setText("0");
        M().lblHLowest[slot]->setText("200");
    }
    ClearArrays();
    for (int row = 1; row <= 10; ++row)
        ForgetRow(row);
    iConnectPort.fill(0);
    bSettingMode = false;
    bSettingModeRow.fill(false);
    ClearAllAlertLatches();
    alertCallLog().clear();
}

struct SensorRig {
    TestEnv env;
    std::unique_ptr<FakeSerialHub> hub; // fake serial devices, unless the rig uses real ports
    QTemporaryDir logs;
    std::unique_ptr<ScriptedBoxes> boxes = std::make_unique<ScriptedBoxes>();

    explicit SensorRig(bool fakePorts = true) {
        if (fakePorts) hub = std::make_unique<FakeSerialHub>();
        resetSensorRows();
        modSupport::LoadGuard quiet;
        rt::setCaption(S().lblLogDirectory, logs.path());
        if (S().cmbMinOrSecs->count() == 0) S().cmbMinOrSecs->addItems({"Minute(s)", "Seconds"});
        S().cmbMinOrSecs->setCurrentIndex(0);
        S().txtReadingInterval->setText("1");
        S().txtBinaryInterval->setText("1000");
        S().txtHDDTotalAmount->setText("100000");
        S().txtMaxFileSize->setText("1000");
        modSupport::lMaxFileSize = 1024000;
        rt::setValue(S().chkCloseFileAfterWrite, 0);
        rt::setValue(S().chkLocalMonitoring, 0);
        rt::setOptionValue(S().optCorF2, true);
        M().setWindowTitle("Corvisent Manager");
    }
    ~SensorRig() {
        resetSensorRows();
        rt::Clock::reset();
    }

    // Stores a device record; call load() once every record is stored.
    void record(int row, const QString& type, const QString& name, const QString& slot, int com,
                const QMap<QString, QString>& more = {}) {
        const QString section = QStringLiteral("PortConfig\\Devices\\%1").arg(row);
        modPrefs::SavePref(section, "DeviceType", type);
        modPrefs::SavePref(section, "DeviceName", name);
        modPrefs::SavePref(section, "SubIndex", slot);
        modPrefs::SavePref(section, "Port", QString::number(com));
        modPrefs::SavePref(section, "TabLogging", more.value("TabLogging", "1"));
        modPrefs::SavePref(section, "FileLogging", more.value("FileLogging", "1"));
        for (auto it = more.begin(); it != more.end(); ++it)
            modPrefs::SavePref(section, it.key(), it.value());
    }
    // Loads the stored rows into the windows and applies the reading interval.
    void load() {
        QCOMPARE(modSupport::LoadDevicePrefs(), short(1));
        modSupport::CreateSetupArray();
        S().cmdSetInterval_Click();
    }
    QString stored(int row, const QString& key) {
        return modPrefs::GetPref(QStringLiteral("PortConfig\\Devices\\%1").arg(row), key, "<none>");
    }
    // Log files in the log folder, oldest name first.
    QStringList logFiles() { return QDir(logs.path()).entryList(QDir::Files, QDir::Name); }
    QString logPath(const QString& name) { return logs.path() + "/" + name; }
};

// What a device row shows, for one comparison: the Connect button ("-" when disabled), the
// summary status and reading, and the status picture, as "Disconnect|OK|72.5|greendot.gif".
inline QString rowState(int row) {
    const QPushButton* button = S().cmdConnectSensor[row];
    return QStringList{button->text() + (button->isEnabled() ? "" : "-"), M().lblSensorStatus[row]->text(),
                       M().lblSensorReading[row]->text(),
                       QFileInfo(formSensorSetup::picture(S().imgStatus[row])).fileName()}
        .join('|');
}

// A sensor on a fake port: answers the identity query with identity and every other command
// with what answer gives for it (nothing when it gives an empty text). Lines end with CR LF.
inline void serve(FakeSerialPort& port, const QByteArray& identity,
                  std::function<QByteArray(const QByteArray& command)> answer = {}) {
    port.setResponder([identity, answer](FakeSerialPort& p, const QByteArray& command) {
        const QByteArray reply = command == "i" ? identity : answer ? answer(command) : QByteArray();
        if (!reply.isEmpty()) p.inject(reply + "\r\n", FakeSerialPort::kReplyMs);
    });
}

// Lets the program run until the program clock reaches t.
inline void runUntil(const QDateTime& t) {
    while (rt::Clock::now() < t)
        rt::Wait(1000);
}

// The next count ticks of a row's reading timer and, for each, whether the sensor was asked for a
// reading during it: the pace of polling counted in ticks, which a loaded machine cannot shift.
class ReadingTicks {
public:
    // reads() gives the number of readings asked for so far.
    ReadingTicks(int row, int count, std::function<int()> reads)
        : m_reads(std::move(reads)), m_start(m_reads()), m_count(count) {
        // Connected after the row's own handler, so a tick's reading is counted with it.
        m_connection = QObject::connect(M().Timer1[row], &rt::Timer::tick, [this] {
            if (!done()) m_after << m_reads();
        });
    }
    ~ReadingTicks() { QObject::disconnect(m_connection); }
    ReadingTicks(const ReadingTicks&) = delete;
    ReadingTicks& operator=(const ReadingTicks&) = delete;

    bool done() const { return m_after.size() >= m_count; }
    // The ticks, counted from 1, during which a reading was asked for.
    QList<int> readingTicks() const {
        QList<int> out;
        for (int i = 0; i < m_after.size(); ++i)
            if (m_after[i] > (i == 0 ? m_start : m_after[i - 1])) out << i + 1;
        return out;
    }
    // Ticks from each reading's tick to the next reading's, as "2 2 2".
    QString readingEvery() const {
        const QList<int> at = readingTicks();
        QStringList out;
        for (int i = 1; i < at.size(); ++i) out << QString::number(at[i] - at[i - 1]);
        return out.join(u' ');
    }

private:
    std::function<int()> m_reads;
    int m_start;
    int m_count;
    QList<int> m_after; // readings asked for by the end of each tick
    QMetaObject::Connection m_connection;
};
