#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "alerts/formEmailAlertSetup.h"
#include "alerts/formPagingTextMessage.h"
#include "app/CorvisentMain.h"
#include "app/pending.h"
#include "app/startup.h"
#include "platform/ini.h"
#include "platform/registry.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"
#include "settings/modSupport.h"
#include "setup/formSensorSetup.h"
#include "support/faketray.h"
#include "support/testenv.h"

using namespace modSupport;

namespace {

CorvisentMain& M() { return CorvisentMain::instance(); }
formSensorSetup& S() { return formSensorSetup::instance(); }

void store(const char* key, const QString& value) { modPrefs::SavePref(modPrefs::kProgramSetup, QLatin1String(key), value); }
QString stored(const char* key) { return modPrefs::GetPref(modPrefs::kProgramSetup, QLatin1String(key), QStringLiteral("-")); }

const QString kScanQuestion = QStringLiteral("Would you like to auto detect and set up your devices now?\n"
                                             "     (CorvisentV and CorvisentV2 camera devices cannot be detected.)");

// The error log entries of the settings file ("Logging" section), as "marker=value".
QStringList errorLog() {
    QStringList entries;
    const QString text = QString::fromLatin1(readWholeFile(platform::iniFilePath(QStringLiteral("corvisent.ini"))));
    bool inLogging = false;
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        if (line.startsWith(u'[')) inLogging = line == QLatin1String("[Logging]");
        else if (inLogging && line.contains(u'=')) {
            const QString key = line.left(line.indexOf(u'='));
            entries << key.mid(key.lastIndexOf(u':')) + line.mid(key.size());
        }
    }
    return entries;
}

} // namespace

// Start-up runs without stored devices: the notification-area-only start, the first run with its
// scan offer, the switches, and the stored values start-up reads itself.
class TestStartupLoad : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnv> env;
    std::unique_ptr<FakeTray> tray;

private slots:
    void init() {
        env = std::make_unique<TestEnv>();
        tray = std::make_unique<FakeTray>();
        pendingCallLog().clear();
    }
    void cleanup() {
        M().mnuTakeOut_Click();
        tray.reset();
        env.reset();
    }

    // First, while nothing has been loaded into the windows.
    void machineLogOutValueStartsInTheNotificationAreaOnly() {
        rt::DialogScript boxes;
        modRegistry::SaveStringToReg(modRegistry::HKEY_LOCAL_MACHINE, modRegistry::kMachineKey,
                                     modRegistry::kAutologoutValue, QStringLiteral("1"));
        store("TempMax", QStringLiteral("55"));
        store("TotalDevices", QStringLiteral("1"));
        store("AutoConnect", QStringLiteral("1"));
        M().Form_Load(QStringLiteral("/service"));

        QVERIFY(tray->shown());
        QVERIFY(!M().isVisible());
        QCOMPARE(rt::value(S().chkAutoConnectPrefs), 1);
        QVERIFY(rt::visible(M().mnuRemoveFromStartup));
        // Nothing else was read, loaded, asked, written or created.
        QCOMPARE(S().cmbMinOrSecs->count(), 0);
        QVERIFY(S().txtTempMax->text() != QLatin1String("55"));
        QVERIFY(boxes.prompts().isEmpty());
        QVERIFY(pendingCallLog().isEmpty());
        QVERIFY(!QFileInfo::exists(platform::iniFilePath(QStringLiteral("corvisent.ini"))));
        QVERIFY(!QFileInfo::exists(env->appDir() + QStringLiteral("/logfiles")));
        QCOMPARE(stored("AutoConnectPrefs"), QStringLiteral("-"));
        QVERIFY(!bInStartup);
        QVERIFY(!loading());
        rt::setUnattended(false);
    }

    void firstRunOffersTheScan() {
        rt::DialogScript boxes;
        boxes.queue(rt::vbYes);
        M().Form_Load(QString());

        QCOMPARE(boxes.prompts(), QStringList{kScanQuestion});
        QCOMPARE(boxes.shown().first().title, QStringLiteral("Corvisent Manager"));
        QCOMPARE(boxes.shown().first().style, int(rt::vbYesNo));
        QCOMPARE(pendingCallLog(),
                 (QStringList{QStringLiteral("CheckCamDrivers()"), QStringLiteral("cmdBuildCVList_Click()")}));
        QCOMPARE(stored("SensSetTag"), QStringLiteral("1"));
        QCOMPARE(rt::tag(&S()), QStringLiteral("1"));
        // The reading interval was applied and stored once the load was over.
        QCOMPARE(stored("MinOrSecs"), QStringLiteral("Min"));
        QCOMPARE(stored("BinaryInterval"), QStringLiteral("500"));

        QCOMPARE(M().windowTitle(), QStringLiteral("Corvisent Manager"));
        QVERIFY(M().isVisible());
        QVERIFY(!M().isMinimized());
        QVERIFY(!tray->shown());
        QVERIFY(QFileInfo(env->appDir() + QStringLiteral("/logfiles")).isDir());
        QVERIFY(QFileInfo(env->appDir() + QStringLiteral("/capturefiles")).isDir());
        QCOMPARE(rt::caption(S().lblLogDirectory), env->appDir() + QStringLiteral("/logfiles"));
        QCOMPARE(strAlertSound, env->appDir() + QStringLiteral("/alert.wav"));
        QCOMPARE(S().cmbMinOrSecs->count(), 2);
        QCOMPARE(S().cmbMinOrSecs->itemText(0), QStringLiteral("Minute(s)"));
        QCOMPARE(S().cmbMinOrSecs->itemText(1), QStringLiteral("Seconds"));
        QCOMPARE(S().txtMaxFileSize->text(), QStringLiteral("1000"));
        QCOMPARE(lMaxFileSize, 1024000L);
        QCOMPARE(iXMLIndex, -1);
        QCOMPARE(iOfferDetect, 1);
        QCOMPARE(strINIPath, QStringLiteral("corvisent.ini"));
        QCOMPARE(strLastDistState, QStringLiteral("No Obj"));

        // Thresholds without stored values, coloured.
        QCOMPARE(S().txtTempMax->text(), QStringLiteral("80"));
        QCOMPARE(S().txtTempMin->text(), QStringLiteral("40"));
        QCOMPARE(S().txtHumidMax->text(), QStringLiteral("70"));
        QCOMPARE(S().txtHumidMin->text(), QStringLiteral("20"));
        QCOMPARE(rt::foreColor(S().txtTempMax), rt::vbRed);
        QCOMPARE(rt::foreColor(S().txtHumidMin), rt::vbBlue);
        for (int t = 1; t <= 7; ++t) QVERIFY(!M().tabEnabled(t));
        for (int row = 1; row <= 10; ++row) QVERIFY(!S().cmdConnectSensor[row]->isEnabled());

        QVERIFY(!bInStartup);
        QVERIFY(!loading());
        QVERIFY(!rt::unattended());
        QVERIFY(errorLog().isEmpty());
    }

    void switchesOnAFirstRunAnsweredNo() {
        rt::DialogScript boxes;
        boxes.queue(rt::vbNo);
        rt::setVisible(M().mnuCleanOut, false);
        M().Form_Load(QStringLiteral("/nocams /minimize /Regclean /autodetect"));
        QCOMPARE(boxes.prompts(), QStringList{kScanQuestion});
        QCOMPARE(pendingCallLog(), QStringList{QStringLiteral("CheckCamDrivers()")});
        QVERIFY(M().isMinimized());
        QVERIFY(rt::visible(M().mnuCleanOut));
        QVERIFY(bAutoDetect);
        QCOMPARE(strCommandLine, QStringLiteral("/nocams /minimize /Regclean /autodetect"));

        pendingCallLog().clear();
        boxes.queue(rt::vbNo);
        M().showNormal();
        M().Form_Load(QStringLiteral("/nocams"));
        QVERIFY(pendingCallLog().isEmpty());
        QVERIFY(!M().isMinimized());
        QVERIFY(!bAutoDetect);
    }

    void storedValuesStartUpReadsItself() {
        rt::DialogScript boxes;
        store("TempMax", QStringLiteral("85"));
        store("TempMin", QStringLiteral("35"));
        store("HumidMax", QStringLiteral("60"));
        store("HumidMin", QStringLiteral("25"));
        store("EmailAddress", QStringLiteral("ops@example.invalid"));
        store("CCEmailAddress", QStringLiteral("cc@example.invalid"));
        store("NumToCall", QStringLiteral("5551234"));
        store("ForC", QStringLiteral("C"));
        // A delay box that is not a number does not stop the start-up.
        store("DelayEventAway1", QStringLiteral("2.5"));
        store("DelayEventUp1", QStringLiteral("soon"));
        M().Form_Load(QString());

        QCOMPARE(S().txtTempMax->text(), QStringLiteral("85"));
        QCOMPARE(S().txtTempMin->text(), QStringLiteral("35"));
        QCOMPARE(S().txtHumidMax->text(), QStringLiteral("60"));
        QCOMPARE(S().txtHumidMin->text(), QStringLiteral("25"));
        QCOMPARE(formEmailAlertSetup::instance().txtEmailAddr->text(), QStringLiteral("ops@example.invalid"));
        QCOMPARE(formEmailAlertSetup::instance().txtCCEmailAddr->text(), QStringLiteral("cc@example.invalid"));
        QCOMPARE(formPagingTextMessage::instance().txtNumToCall->text(), QStringLiteral("5551234"));
        QVERIFY(rt::optionValue(S().optCorF));
        QCOMPARE(S().timerDelayEvent[1]->interval(), 2500);
        QCOMPARE(S().timerDelayEventUp[1]->interval(), 0);
        QCOMPARE(boxes.prompts(), QStringList{kScanQuestion});
        QVERIFY(errorLog().isEmpty());

        // Without a stored unit neither option changes.
        rt::setOptionValue(S().optCorF2, true);
        modPrefs::SavePref(modPrefs::kProgramSetup, QStringLiteral("ForC"), QStringLiteral("K"));
        M().Form_Load(QString());
        QVERIFY(rt::optionValue(S().optCorF2));
    }

    void failuresAreLoggedAndEndTheStartUp() {
        rt::DialogScript boxes;
        // The log folder cannot be created: a file stands in its place.
        writeWholeFile(env->appDir() + QStringLiteral("/logfiles"), "x");
        M().Form_Load(QString());
        QCOMPARE(errorLog(), QStringList{QStringLiteral(":010=FormLoadError")});
        QVERIFY(boxes.prompts().isEmpty());
        QVERIFY(!bInStartup);
        QVERIFY(!loading());
        QFile::remove(env->appDir() + QStringLiteral("/logfiles"));

        // An auto-connect value the box cannot take ends the loading part.
        store("TotalDevices", QStringLiteral("1"));
        store("AutoConnect", QStringLiteral("7"));
        S().hide();
        M().Form_Load(QString());
        QCOMPARE(errorLog().last(), QStringLiteral(":020=AutoOpenPrefError"));
        QVERIFY(S().isVisible());
        QVERIFY(!bInStartup);
        QVERIFY(!loading());
        S().hide();
    }
};

QTEST_MAIN(TestStartupLoad)
#include "tst_startupload.moc"
