#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

#include "alerts/frmAlarm.h"
#include "app/CorvisentMain.h"
#include "app/startup.h"
#include "devices/formAvailSensors.h"
#include "platform/ini.h"
#include "platform/mscomm.h"
#include "platform/registry.h"
#include "publish/formInternetSetup.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "sensors/events.h"
#include "sensors/sensorops.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"
#include "settings/modSupport.h"
#include "setup/formSensorSetup.h"
#include "support/boxes.h"
#include "support/fakeserial.h"
#include "support/faketray.h"
#include "support/finish.h"
#include "support/simulator.h"
#include "support/testenv.h"
#include "support/wait.h"

using namespace modSupport;

namespace {

CorvisentMain& M() { return CorvisentMain::instance(); }
formSensorSetup& S() { return formSensorSetup::instance(); }
void store(const QString& section, const char* key, const QString& value) {
    modPrefs::SavePref(section, QLatin1String(key), value);
}
QString stored(const char* key) { return modPrefs::GetPref(modPrefs::kProgramSetup, QLatin1String(key), "-"); }
void machineValue(const QString& name, const QString& value) {
    modRegistry::SaveStringToReg(modRegistry::HKEY_LOCAL_MACHINE, modRegistry::kMachineKey, name, value);
}

const QString kScanQuestion =
    QStringLiteral("Would you like to auto detect and set up your devices now?\n"
                   "     (CorvisentV and CorvisentV2 camera devices cannot be detected.)");

const QString kSerialQuestion = QStringLiteral("Please enter the Serial Number or S/N. Enter 'done' to quit:");

// Markers and values of the settings file's error log ("Logging" section): ":010=FormLoadError".
QStringList errorLog() {
    QStringList entries;
    bool inLogging = false;
    const QString text =
        QString::fromLatin1(readWholeFile(platform::iniFilePath(QStringLiteral("corvisent.ini"))));
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        if (line.startsWith(u'['))
            inLogging = line == QLatin1String("[Logging]");
        else if (inLogging && line.contains(u'='))
            entries << line.mid(line.left(line.indexOf(u'=')).lastIndexOf(u':'));
    }
    return entries;
}

// What a plan does, in a few words.
QString describe(const StartupPlan& p) {
    QStringList w;
    if (p.startInTray) w << QStringLiteral("saved state");
    w << (p.prefsFromIni ? QStringLiteral("prefs ") + p.iniPath : QStringLiteral("prefs tree"));
    w << QStringLiteral("count '%1'").arg(p.deviceCount);
    if (p.firstRun) return (w << QStringLiteral("first run")).join(QStringLiteral(", "));
    w << (p.devicesFromIni ? QStringLiteral("devices ini") : QStringLiteral("devices tree"));
    w << QStringLiteral("box %1").arg(p.autoConnectBox);
    for (const auto& [on, word] : {std::pair{p.trayBeforeConnect, "tray"}, {p.connectAll, "connect all"},
                                   {p.trayAfterConnect, "tray"}, {p.askRemoteMonitoring, "ask"}})
        if (on) w << QLatin1String(word);
    return w.join(QStringLiteral(", "));
}

// Stores "key=value" words: the machine value INIPath, "ini:key" in the settings file's
// "Device Setup", AutoStartIUE in "Internet Setup", anything else in "Program Setup".
void storeAll(const QString& words, const QString& folder) {
    for (const QString& word : words.split(u' ', Qt::SkipEmptyParts)) {
        const QString key = word.section(u'=', 0, 0), value = word.section(u'=', 1);
        if (key == QLatin1String("INIPath"))
            machineValue(key, folder + u'/' + value);
        else if (key.startsWith(QLatin1String("ini:")))
            platform::WritePrivateProfileString(
                QStringLiteral("Device Setup"), key.mid(4), value,
                modRegistry::GetStringFromReg(modRegistry::kMachineKey, modRegistry::kIniPathValue, "corvisent.ini"));
        else
            modPrefs::SavePref(key == QLatin1String("AutoStartIUE") ? modPrefs::kInternetSetup : modPrefs::kProgramSetup,
                               key, value);
    }
}

} // namespace

// The start-up of the program run on its windows, from the notification-area-only start and the
// first run to sensors connected at start-up, and the two ways the program ends; before that, the
// command-line switches and what start-up plans from them and the stored settings.
class TestStartupRun : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnv> env;
    std::unique_ptr<FakeTray> tray;
    QList<bool> ends; // one entry per end of the process: true when at once

private slots:
    void init() {
        env = std::make_unique<TestEnv>();
        tray = std::make_unique<FakeTray>();
        ends.clear();
        setProcessEnd([this](bool atOnce) { ends << atOnce; });
    }
    void cleanup() {
        for (platform::MSCommControl* port : M().MSComm)
            if (port && port->portOpen()) port->setPortOpen(false);
        rt::Files::closeAll();
        rt::Clock::reset();
        setProcessEnd({});
        M().mnuTakeOut_Click();
        formAvailSensors::instance().cmdCloseWindow_Click(); // a scan's list starts the next case hidden
        tray.reset();
        env.reset();
    }

    void switchesMatchExactlyAndOnlyRegcleanIgnoresCase() {
        auto found = [](const char* line) {
            const CommandLineSwitches s = CommandLineSwitches::parse(QLatin1String(line));
            QStringList got;
            for (const auto& [on, name] : {std::pair{s.minimize, "minimize"}, {s.service, "service"},
                                           {s.cvservice, "cvservice"}, {s.autodetect, "autodetect"},
                                           {s.autologoff, "autologoff"}, {s.regclean, "regclean"}, {s.nocams, "nocams"}})
                if (on) got << QLatin1String(name);
            return got.join(u' ');
        };
        QCOMPARE(found("x/minimize/autodetect /autologoff"),
                 QStringLiteral("minimize autodetect autologoff"));
        QCOMPARE(found("/Minimize /SERVICE /RegCLEAN"), QString()); // only "/regclean" ignores case
        QCOMPARE(found("/service /cvservice a /REGCLEAN"), QStringLiteral("service cvservice regclean"));
        QCOMPARE(found(" /nocams"), QString()); // the whole line, exactly
    }

    // The plans not run on the windows below.
    void commandLineAndStoredSettingsChooseThePlan_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("plan");
        // Rows: command line | stored values | plan.
        for (const char* row : {
                 "|TotalDevices=3 AutoConnect=0|prefs tree, count '3', devices tree, box 0",
                 "|TotalDevices=3 AutoConnect=1 AutoStartIUE=1|prefs tree, count '3', devices tree, box 1, connect all, ask",
                 "|TotalDevices=3 AutoConnect=2|prefs tree, count '3', devices tree, box 2", // greyed box
                 "/service|TotalDevices=2 ini:TotalDevices=2 AutoStartIUE=1|"
                 "prefs tree, count '2', devices ini, box 1, tray, connect all, ask",
                 "/service|SavedState=1 TotalDevices=2|saved state, prefs tree, count '2', devices ini, box 1, tray, connect all",
                 "/service|ini:TotalDevices=2 AutoConnect=1|prefs tree, count '0', first run",
                 "/cvservice|INIPath=site.ini ini:TotalDevices=3 AutoConnect=1|"
                 "prefs site.ini, count '3', devices tree, box 1, connect all",
                 "/cvservice||prefs corvisent.ini, count '00', devices tree, box 0",
                 "/cvservice /service|TotalDevices=5 ini:TotalDevices=0|prefs corvisent.ini, count '0', first run",
                 "/cvservice|ini:TotalDevices=123456|prefs corvisent.ini, count '1234', devices tree, box 0"}) {
            const QStringList cols = QString::fromLatin1(row).split(u'|');
            QTest::newRow(qPrintable(cols[0] + u' ' + cols[1])) << cols[0] << cols[1] << cols[2];
        }
    }
    void commandLineAndStoredSettingsChooseThePlan() {
        QFETCH(QString, commandLine);
        QFETCH(QString, stored);
        QFETCH(QString, plan);
        storeAll(stored, env->appDir());
        QString got = describe(PlanStartup(commandLine));
        QCOMPARE(got.replace(env->appDir() + u'/', QString()), plan);
        const QString autoConnect = stored.section(QStringLiteral("AutoConnect="), 1).left(1);
        QCOMPARE(::stored("AutoConnect"), autoConnect.isEmpty() ? QStringLiteral("-") : autoConnect); // only read
    }

    // Then run, first while nothing has been loaded into the windows.
    void machineLogOutValueStartsInTheNotificationAreaOnly() {
        ScriptedBoxes boxes;
        machineValue(modRegistry::kAutologoutValue, QStringLiteral("1"));
        storeAll(QStringLiteral("TempMax=55 TotalDevices=1"), QString());
        finish(M().Form_Load(QStringLiteral("/service")));
        QVERIFY(tray->shown() && !M().isVisible());
        // Nothing else was read, loaded, asked, written or created.
        QVERIFY(S().txtTempMax->text() != QLatin1String("55"));
        QVERIFY(!QFileInfo::exists(env->appDir() + QStringLiteral("/logfiles")));
        QVERIFY(!bInStartup && !loading());
    }

    void firstRunOffersTheScan() {
        ScriptedBoxes boxes;
        boxes.queue(rt::vbYes);
        strLastDistState[3] = QStringLiteral("20cm"); // left from an earlier run
        finish(M().Form_Load(QString()));
        QCOMPARE(boxes.prompts(), QStringList{kScanQuestion});
        QCOMPARE(strLastDistState[3], QStringLiteral("No Obj"));
        QVERIFY(formAvailSensors::instance().isVisible()); // the scan ran and shows its list
        // Without "/autodetect" the setup window asks for no serial numbers.
        S().show();
        QCoreApplication::processEvents();
        QCOMPARE(boxes.prompts(), QStringList{kScanQuestion});
        // Both windows lie wholly on the screen's free area, even where they are wider than it.
        const QRect area = S().screen()->availableGeometry();
        QVERIFY(area.width() < 960 && area.contains(S().frameGeometry()) && area.contains(M().frameGeometry()));
        S().hide();
        QCOMPARE(rt::tag(S().chkMultiCamEnabled), QStringLiteral("1")); // camera drivers looked at
        QCOMPARE(stored("SensSetTag"), QStringLiteral("1"));
        QCOMPARE(stored("BinaryInterval"), QStringLiteral("500")); // applied once the load was over
        QVERIFY(M().isVisible() && !M().isMinimized() && !tray->shown());
        QVERIFY(QFileInfo(env->appDir() + QStringLiteral("/capturefiles")).isDir());
        QCOMPARE(rt::caption(S().lblLogDirectory), env->appDir() + QStringLiteral("/logfiles"));
        QCOMPARE(S().txtTempMax->text() + S().txtTempMin->text() + S().txtHumidMax->text() + S().txtHumidMin->text(),
                 QStringLiteral("80407020"));
        QVERIFY(!bInStartup && !loading());
        QVERIFY(errorLog().isEmpty());
    }

    // A settings file that could not be read whole: the start loads what it could and tells the
    // user once which file was kept aside.
    void damagedSettingsAreToldOnce() {
        const QString file = platform::Registry::instance().filePath(platform::Hive::CurrentUser);
        const QByteArray damaged = "Windows Registry Editor Version 5.00\r\n\r\n"
                                   "[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Corvisent Manager\\"
                                   "Program Setup]\r\n\"TempMax\"=\"55\"\r\n\"torn\"=hex:0g\r\n";
        QVERIFY(writeWholeFile(file, damaged));
        platform::Registry::instance().reload();
        ScriptedBoxes boxes;
        boxes.queue(rt::vbNo);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("damaged"));
        finish(M().Form_Load(QString()));
        QCOMPARE(boxes.prompts().size(), 2);
        const QString notice = boxes.prompts().last();
        QVERIFY2(notice.startsWith("The settings file " + file + " was damaged (line 5"), qPrintable(notice));
        QCOMPARE(readWholeFile(notice.section(" kept aside as ", 1).section(". The settings", 0, 0)), damaged);
        QCOMPARE(S().txtTempMax->text(), QStringLiteral("55"));
        boxes.clear();
        boxes.queue(rt::vbNo);
        finish(M().Form_Load(QString()));
        QCOMPARE(boxes.prompts(), QStringList{kScanQuestion});
    }

    void switchesAndStoredValues() {
        ScriptedBoxes boxes;
        boxes.queue(rt::vbNo);
        // A delay box that is not a number does not stop the start-up.
        storeAll(QStringLiteral("TempMin=35 TempMax=85 ForC=C DelayEventAway1=2.5 DelayEventUp1=soon"), QString());
        finish(M().Form_Load(QStringLiteral("/nocams /minimize /Regclean /autodetect")));
        QCOMPARE(boxes.prompts(), QStringList{kScanQuestion});
        QVERIFY(!formAvailSensors::instance().isVisible()); // no scan
        QCOMPARE(rt::tag(S().chkMultiCamEnabled), QStringLiteral("1"));
        QVERIFY(M().isMinimized() && rt::visible(M().mnuCleanOut) && bAutoDetect);
        QCOMPARE(S().txtTempMin->text(), QStringLiteral("35"));
        QVERIFY(rt::optionValue(S().optCorF));
        QCOMPARE(S().timerDelayEvent[1]->interval() + S().timerDelayEventUp[1]->interval(), 2500);

        // With "/autodetect" on a first run the setup window, once shown, asks for the serial
        // numbers of hub sensors; "done" ends the dialogue with the main window shown. It is
        // asked once only.
        boxes.clear();
        boxes.queue(QStringLiteral("done"));
        M().hide();
        S().show();
        QTRY_COMPARE(boxes.prompts(), QStringList{kSerialQuestion});
        QVERIFY(M().isVisible());
        S().hide();
        S().show();
        QCoreApplication::processEvents();
        QCOMPARE(boxes.prompts().size(), 1);
        S().hide();

        // "/nocams" alone keeps the cameras; an unknown unit changes neither option.
        rt::setTag(S().chkMultiCamEnabled, QStringLiteral("not looked at"));
        rt::setOptionValue(S().optCorF2, true);
        storeAll(QStringLiteral("ForC=K"), QString());
        boxes.queue(rt::vbNo);
        M().showNormal();
        finish(M().Form_Load(QStringLiteral("/nocams")));
        QVERIFY(!formAvailSensors::instance().isVisible() && !M().isMinimized());
        QCOMPARE(rt::tag(S().chkMultiCamEnabled), QStringLiteral("not looked at"));
        QVERIFY(rt::optionValue(S().optCorF2));
        QVERIFY(errorLog().isEmpty());
    }

    void failuresAreLoggedAndEndTheStartUp() {
        ScriptedBoxes boxes;
        writeWholeFile(env->appDir() + QStringLiteral("/logfiles"), "x"); // a file where the folder goes
        finish(M().Form_Load(QString()));
        QCOMPARE(errorLog(), QStringList{QStringLiteral(":010=FormLoadError")});
        QVERIFY(!bInStartup && !loading());
        QFile::remove(env->appDir() + QStringLiteral("/logfiles"));

        storeAll(QStringLiteral("TotalDevices=1 AutoConnect=7"), QString()); // a value the box cannot take
        S().hide();
        finish(M().Form_Load(QString()));
        QCOMPARE(errorLog().last(), QStringLiteral(":020=AutoOpenPrefError"));
        QVERIFY(S().isVisible() && !bInStartup && !loading());
        S().hide();
    }

    void autoConnectAfterAForcedLogOffThenClose() {
        rt::Clock::setSpeed(10);
        SensorSimulator sim({QStringLiteral("T")});
        sim.mapTo(5);
        for (const auto& [key, value] : {std::pair{"DeviceType", strTypeTemperature}, {"DeviceName", "Lab"},
                                         {"Port", "5"}, {"SubIndex", "1"}, {"FileLogging", "1"}})
            store(QStringLiteral("PortConfig\\Devices\\1"), key, value);
        storeAll(QStringLiteral("TotalDevices=1 SavedState=1 AutoStartIUE=1"), QString());
        ScriptedBoxes boxes;
        boxes.queue(rt::vbNo);

        finish(M().Form_Load(QString()));
        QCOMPARE(boxes.prompts(), QStringList{QStringLiteral("Do you wish to start Remote Monitoring?")});
        QCOMPARE(rt::caption(formInternetSetup::instance().lblUpdating), QStringLiteral("Off"));
        QCOMPARE(stored("AutoConnect"), QStringLiteral("1"));
        // Connected and logging, then gone to the notification area.
        QTRY_VERIFY(M().lblSensorReading[1]->text().contains(QStringLiteral("72")));
        QVERIFY(tray->shown() && !M().isVisible() && !S().isVisible());

        // Closing the window closes the port and the log file, then ends the program.
        M().mnuTakeOut_Click();
        QVERIFY(M().close());
        QCOMPARE(ends, QList<bool>{false});
        QVERIFY(!M().MSComm[1]->portOpen() && !rt::Files::isOpen(1));
        const QDir logs(env->appDir() + QStringLiteral("/logfiles"));
        const QStringList files = logs.entryList(QDir::Files);
        QVERIFY(files.size() == 1 && readWholeFile(logs.filePath(files.first())).contains("72.50F\r\n"));
    }

    // The start-up Connect All with the first sensor absent: its box after the three identity
    // queries holds nothing up (nobody is there to answer it), the other rows are connected at
    // Connect All's pace, and the start-up question comes once Connect All has ended.
    void absentSensorAtStartUpHoldsNoOtherRow() {
        rt::Clock::setSpeed(100);
        FakeSerialHub hub;
        QList<FakeSerialPort*> dev{nullptr};
        for (int row = 1; row <= 3; ++row) {
            const QString section = QStringLiteral("PortConfig\\Devices\\%1").arg(row);
            for (const auto& [key, value] : {std::pair{"DeviceType", strTypeTemperature},
                                             {"DeviceName", "Room"},
                                             {"Port", QString::number(row + 2)},
                                             {"SubIndex", QString::number(row)}})
                store(section, key, value);
            dev << &hub.add(row + 2);
            if (row > 1)
                dev[row]->setResponder([](FakeSerialPort& p, const QByteArray& command) {
                    p.inject(command == "i" ? "Corvisent/T\r\n" : "070.00F\r\n", FakeSerialPort::kReplyMs);
                });
        }
        storeAll(QStringLiteral("TotalDevices=3 AutoConnect=1 AutoStartIUE=1"), QString());
        const QString noReply = QStringLiteral("Device not responding to ID query.");
        bool askedAfterConnects = false;
        ScriptedBoxes boxes([&](const rt::ShownBox& box) -> std::optional<QVariant> {
            if (box.prompt.startsWith(QStringLiteral("Do you wish"))) {
                askedAfterConnects = iPortOpen[2] != 0 && iPortOpen[3] != 0;
                return QVariant(int(rt::vbNo));
            }
            return std::nullopt;
        });

        finish(M().Form_Load(QString()));
        QCOMPARE(boxes.prompts(),
                 (QStringList{noReply, QStringLiteral("Do you wish to start Remote Monitoring?")}));
        QVERIFY(!boxes.shown().first().waits);
        QVERIFY(askedAfterConnects);
        QCOMPARE(dev[1]->commands(), QList<QByteArray>(3, "i"));
        QCOMPARE(iPortOpen[1], 0);
        for (int row : {2, 3}) {
            QCOMPARE(iPortOpen[row], int(typeTemperature));
            QCOMPARE(M().lblSensorReading[row]->text(), QStringLiteral("70"));
        }
        // Each row is asked after the one before it has given up or connected, and 1500 ms more.
        auto pauseBefore = [&](int row) {
            const qint64 first = dev[row]->writes().first().atMs;
            qint64 before = -1;
            for (const FakeSerialPort::Write& w : dev[row - 1]->writes())
                if (w.atMs <= first) before = w.atMs;
            return first - before;
        };
        QVERIFY(pauseBefore(2) >= 2000 + 1500);
        QVERIFY(pauseBefore(3) >= 1500);
        for (int row : {2, 3})
            DisconnectSensor(row, 0);
        M().hide();
    }

    // An alarm raised while the sensors connect at start-up stays above the main window raised
    // when start-up ends.
    void alarmDuringAutoConnectStaysInFront() {
        rt::Clock::setSpeed(10);
        SensorSimulator sim({QStringLiteral("T")});
        sim.mapTo(5);
        for (const auto& [key, value] : {std::pair{"DeviceType", strTypeTemperature}, {"DeviceName", "Lab"},
                                         {"Port", "5"}, {"SubIndex", "1"}})
            store(QStringLiteral("PortConfig\\Devices\\1"), key, value);
        storeAll(QStringLiteral("TotalDevices=1 AutoConnect=1 TempMax=70 TempMin=30 chkOnScreenAlert1=1"), QString());
        struct Raises : QObject {
            QStringList windows;
            bool eventFilter(QObject* o, QEvent* e) override {
                if (e->type() == QEvent::ZOrderChange && (o == &M() || o->objectName() == QLatin1String("frmAlarm")))
                    windows << o->objectName();
                return false;
            }
        } raises;
        qApp->installEventFilter(&raises);
        ScriptedBoxes boxes;
        finish(M().Form_Load(QString()));
        qApp->removeEventFilter(&raises);
        QVERIFY2(frmAlarm::loaded() && frmAlarm::instance().isVisible(), qPrintable(raises.windows.join(' ')));
        QVERIFY(raises.windows.contains(M().objectName()));
        QVERIFY(frmAlarm::instance().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        frmAlarm::instance().cmdContinue_Click();
        M().hide();
    }

    void serviceStartFromTheSettingsFileThenExit() {
        rt::Clock::setSpeed(10);
        SensorSimulator sim({QStringLiteral("T"), QStringLiteral("--temp"), QStringLiteral("64.5")});
        sim.mapTo(6);
        const QString ini = env->appDir() + QStringLiteral("/service.ini");
        machineValue(modRegistry::kIniPathValue, ini);
        for (const auto& [section, key, value] :
             {std::tuple{"Device Setup", "TotalDevices", "1"}, {"Device Setup\\1", "DeviceType", "Corvisent/T (Temperature)"},
              {"Device Setup\\1", "DeviceName", "Boiler"}, {"Device Setup\\1", "Port", "6"}, {"Device Setup\\1", "SubIndex", "1"}})
            platform::WritePrivateProfileString(QLatin1String(section), QLatin1String(key), QLatin1String(value), ini);
        storeAll(QStringLiteral("AutoStartIUE=1"), QString());

        // The service start asks its question as any start does.
        std::optional<ScriptedBoxes> boxes(std::in_place);
        boxes->queue(rt::vbYes);
        finish(M().Form_Load(QStringLiteral("/service /cvservice")));
        // The start of remote monitoring goes on by itself after its login: until its first update.
        QVERIFY(rt::WaitUntil(
            [] {
                return !formInternetSetup::instance()
                            .listFtpMessages
                            ->findItems(QStringLiteral(" Not sending update"), Qt::MatchExactly)
                            .isEmpty();
            },
            10 * 60000));
        // Without login details the login is refused with its box, and the schedule starts all
        // the same: the first update writes the status file and sends nothing.
        QCOMPARE(boxes->prompts(), (QStringList{QStringLiteral("Do you wish to start Remote Monitoring?"),
                                                QStringLiteral("You must first fill out the FTP login information.")}));
        auto& publisher = formInternetSetup::instance();
        QCOMPARE(rt::caption(publisher.cmdStartUpdate), QStringLiteral("3) Stop FTP Update"));
        QCOMPARE(rt::caption(publisher.lblUpdating), QStringLiteral("On"));
        QVERIFY(publisher.timerInternetUpdate->enabled());
        QCOMPARE(M().windowTitle(), QStringLiteral("Corvisent Manager (Internet update in progress)"));
        QCOMPARE(modPrefs::GetPref(modPrefs::kInternetSetup, QStringLiteral("AutoStartIUE"), QString()),
                 QStringLiteral("1"));
        QVERIFY(QFile::exists(env->appDir() + QStringLiteral("/cvman0.xml")));
        QVERIFY(publisher.listFtpMessages->findItems(QStringLiteral(" Not sending update"), Qt::MatchExactly).size() == 1);
        publisher.cmdStartUpdate_Click();
        QCOMPARE(M().windowTitle(), QStringLiteral("Corvisent Manager"));
        QCOMPARE(strINIPath, ini);
        QVERIFY(tray->shown() && !M().isVisible());
        QCOMPARE(M().lblSensor1[1]->text(), QStringLiteral("Boiler"));
        QTRY_VERIFY(M().lblSensorReading[1]->text().contains(QStringLiteral("64")));

        // Exit shows its box to the user of a service start too; No keeps running.
        boxes.reset();
        QString asked;
        whenBoxShown([&asked](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            asked = box->text();
            box->button(QMessageBox::No)->click();
        });
        M().Exit->trigger();
        QCOMPARE(asked, QStringLiteral("Are you sure you want to exit?"));
        QVERIFY(ends.isEmpty());
        // Yes ends at once: logs closed, port and icon left.
        boxes.emplace();
        boxes->queue(rt::vbYes);
        M().Exit->trigger();
        QCOMPARE(ends, QList<bool>{true});
        QVERIFY(!rt::Files::isOpen(1) && M().MSComm[1]->portOpen() && tray->shown());
    }
};

QTEST_MAIN(TestStartupRun)
#include "tst_startuprun.moc"
