// The proximity action panels: what choosing an action stores, picking commands, checking the
// delays, and walk-up / walk-away sequences of a proximity sensor on a fake port that run the
// chosen commands through the desktop shell after their delays.
#include <QFile>
#include <QFocusEvent>
#include <QPushButton>

#include "platform/registry.h"
#include "sensors/eventrig.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"

namespace {

QString stored(const QString& key) {
    return platform::GetSetting("Corvisent Manager", "Program Setup", key, "<none>");
}
QStringList storedAll(const QStringList& keys) {
    QStringList out;
    for (const QString& k : keys)
        out << stored(k);
    return out;
}
void leave(QWidget* box) {
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(box, &out);
}
void line(FakeSerialPort& dev, bool presence) {
    dev.setDsr(presence);
    EventRig::settle();
}
const QStringList kOptions2 = {"optSysCommandDisabled2", "optLogoutOnProximity2", "optSystemLock2",
                               "optRunCommand2"};

} // namespace

class TestProxActions : public QObject {
    Q_OBJECT

private slots:
    // Runs first, on panels nobody has touched: each has "no action" chosen, and OK stores that
    // choice so that it comes back at the next start.
    void untouchedPanelsChooseNoAction() {
        TestEnv env;
        for (int n = 1; n <= 4; ++n) {
            QVERIFY(rt::optionValue(S().optSysCommandDisabled[n]));
            QVERIFY(!rt::optionValue(S().optLogoutOnProximity[n]) && !rt::optionValue(S().optSystemLock[n]) &&
                    !rt::optionValue(S().optRunCommand[n]));
        }
        S().cmdOk_Click();
        QCOMPARE(storedAll(
                     {"optSysCommandDisabled4", "optLogoutOnProximity4", "optSystemLock4", "optRunCommand4"}),
                 QStringList({"1", "<none>", "<none>", "<none>"}));
    }

    // Each option stores itself and clears the other three; "disabled" empties the panel and takes
    // the program out of the session start-up unless the user put it there.
    void actionOptionsStoreTheirChoice() {
        EventRig rig;
        {
            // A load selects without storing.
            LoadGuard quiet;
            rt::setOptionValue(S().optSystemLock[2], true);
        }
        QCOMPARE(storedAll(kOptions2), QStringList(4, "<none>"));
        rt::setOptionValue(S().optLogoutOnProximity[2], true);
        QCOMPARE(storedAll(kOptions2), (QStringList{"0", "1", "0", "0"}));
        rt::setOptionValue(S().optSystemLock[2], true);
        QCOMPARE(storedAll(kOptions2), (QStringList{"0", "0", "1", "0"}));
        // The loader's mark keeps its own selection from storing.
        rt::setTag(S().optRunCommand[2], "0");
        rt::setOptionValue(S().optRunCommand[2], true);
        QCOMPARE(stored("optRunCommand2"), QString("0"));
        rt::setTag(S().optRunCommand[2], "1");
        rt::setOptionValue(S().optSystemLock[2], true);
        rt::setOptionValue(S().optRunCommand[2], true);
        QCOMPARE(storedAll(kOptions2), (QStringList{"0", "0", "0", "1"}));

        // A log-off left the program in the session start-up; "disabled" takes it out again.
        auto autostart = [] {
            modRegistry::SaveStringToReg(modRegistry::HKEY_LOCAL_MACHINE, modRegistry::kRunKey,
                                         modRegistry::kRunValue, modRegistry::RunValueText());
            modPrefs::SavePref("Program Setup", "SavedState", "1");
        };
        autostart();
        S().lblCommandOnProx[2]->setText("/bin/away");
        S().txtDelayEventAway[2]->setText("7");
        S().timerDelayEvent[2]->setInterval(7000);
        rt::setOptionValue(S().optSysCommandDisabled[2], true);
        QCOMPARE(storedAll(kOptions2), (QStringList{"1", "0", "0", "0"}));
        QCOMPARE(storedAll({"ProximityRunCommand2", "ProximityRunCommandApproach2", "DelayEventAway2",
                            "DelayEventUp2", "SavedState"}),
                 (QStringList{"Path not set", "Path not set", "0", "0", "0"}));
        QCOMPARE(S().lblCommandOnProx[2]->text() + S().txtDelayEventAway[2]->text(),
                 QString("Path not set0"));
        QCOMPARE(S().timerDelayEvent[2]->interval(), 7000); // intervals stay
        QVERIFY(!QFile::exists(modRegistry::AutostartEntryPath()));
        QCOMPARE(modRegistry::GetStringFromReg(modRegistry::kRunKey, modRegistry::kRunValue), QString());
        // Start-up chosen by the user stays.
        {
            LoadGuard quiet;
            rt::setValue(S().chkPlaceInStartup, 1);
        }
        autostart();
        rt::setOptionValue(S().optSystemLock[2], true);
        rt::setOptionValue(S().optSysCommandDisabled[2], true);
        QCOMPARE(stored("SavedState"), QString("1"));
        QVERIFY(QFile::exists(modRegistry::AutostartEntryPath()));
        LoadGuard quiet;
        rt::setValue(S().chkPlaceInStartup, 0);
    }

    // Browsing picks a command for one direction and chooses "run commands"; only a file whose
    // name ends in ".scr" is a screen saver.
    void browsingForCommands() {
        EventRig rig;
        rig.boxes.queue(QString("/home/u/my.scripts/run.sh"));
        S().cmdBrowse[4]->click(); // walk-up of panel 2
        QCOMPARE(rig.boxes.shown().last().title, QString("Walk Up Event"));
        QVERIFY(rig.boxes.shown().last().defaultText.startsWith("All files (*.*)|*.*|Shortcut (*.lnk)"));
        QCOMPARE(S().lblCommandOnProxApproach[2]->text(), QString("/home/u/my.scripts/run.sh"));
        QCOMPARE(iScreenSaverCmd, 0);
        QVERIFY(rt::optionValue(S().optRunCommand[2]));
        QCOMPARE(storedAll({"ProximityRunCommandApproach2", "optRunCommand2", "optSysCommandDisabled2"}),
                 (QStringList{"/home/u/my.scripts/run.sh", "1", "0"}));

        rig.boxes.queue(QString("/usr/share/savers/Stars.SCR"));
        S().cmdBrowse[3]->click();
        QCOMPARE(rig.boxes.shown().last().title, QString("Walk Away Event"));
        QCOMPARE(S().lblCommandOnProx[2]->text(), QString("/usr/share/savers/Stars.SCR /s"));
        QCOMPARE(stored("ProximityRunCommand2"), QString("/usr/share/savers/Stars.SCR /s"));
        QCOMPARE(iScreenSaverCmd, 1);
        // Cancelling changes no command.
        rig.boxes.queue(QVariant());
        S().cmdBrowse[3]->click();
        QCOMPARE(S().lblCommandOnProx[2]->text(), QString("/usr/share/savers/Stars.SCR /s"));

        // An emptied command box means no command, and no delay for it.
        S().txtDelayEventUp[2]->setText("4");
        S().lblCommandOnProxApproach[2]->setText("  ");
        leave(S().lblCommandOnProxApproach[2]);
        QCOMPARE(S().lblCommandOnProxApproach[2]->text() + "|" + S().txtDelayEventUp[2]->text(),
                 QString("Path not set|0"));
    }

    // Delays of 0 to 60 seconds are taken as typed; others give the default, with a message for
    // numbers out of range.
    void delaysOutsideZeroToSixtyGiveTheDefault() {
        EventRig rig;
        S().lblCommandOnProx[1]->setText("/bin/away");
        S().lblCommandOnProxApproach[1]->setText("/bin/up");
        struct Case {
            const char* typed;
            const char* after;
            int ms;
            bool message;
        };
        const Case away[] = {
            {"61", "10", 10000, true},   {"-1", "10", 10000, true},   {"60", "60", 60000, false},
            {"0", "0", 0, false},        {"2.5", "2.5", 2500, false}, {"60.6", "10", 10000, true},
            {"-0.4", "10", 10000, true}, {"abc", "10", 10000, false}, {"", "10", 10000, false}};
        for (const Case& c : away) {
            rig.boxes.clear();
            S().timerDelayEvent[1]->setInterval(1);
            S().txtDelayEventAway[1]->setText(c.typed);
            leave(S().txtDelayEventAway[1]);
            QCOMPARE(S().txtDelayEventAway[1]->text(), QString(c.after));
            QCOMPARE(S().timerDelayEvent[1]->interval(), c.ms);
            QCOMPARE(rig.boxes.prompts(),
                     c.message ? QStringList{"Delay has to be between 1 and 60 seconds."} : QStringList());
        }
        S().txtDelayEventUp[1]->setText("75");
        leave(S().txtDelayEventUp[1]);
        QCOMPARE(S().txtDelayEventUp[1]->text(), QString("5"));
        QCOMPARE(S().timerDelayEventUp[1]->interval(), 5000);
        QCOMPARE(rig.boxes.prompts(), QStringList{"Delay has to be between 1 and 60 seconds."});
        // Without a command there is no delay; the timer keeps its interval.
        S().lblCommandOnProxApproach[1]->setText("Path not set");
        S().txtDelayEventUp[1]->setText("30");
        leave(S().txtDelayEventUp[1]);
        QCOMPARE(S().txtDelayEventUp[1]->text(), QString("0"));
        QCOMPARE(S().timerDelayEventUp[1]->interval(), 5000);
    }

    // A proximity sensor set up through the panel: the walk-up command after its delay, once per
    // presence; the walk-away command with its own parameters only.
    void walkUpAndWalkAwaySequence() {
        EventRig rig;
        FakeSerialPort& dev = rig.connect(4, typeProximity, 2, 1);
        rig.boxes.queue(QString("/opt/bin/greet"));
        S().cmdBrowse[2]->click();
        rig.boxes.queue(QString("/opt/bin/leave"));
        S().cmdBrowse[1]->click();
        S().lblAwayParams[1]->setText("--quiet");
        rig.boxes.clear();
        S().txtDelayEventUp[1]->setText("3");
        leave(S().txtDelayEventUp[1]);
        S().txtDelayEventAway[1]->setText("5");
        leave(S().txtDelayEventAway[1]);
        // Fast enough for short waits, slow enough that a delay never runs out between two steps.
        rt::Clock::setSpeed(10);

        line(dev, true);
        QVERIFY(S().timerDelayEventUp[1]->enabled() && !S().timerDelayEvent[1]->enabled());
        QTRY_COMPARE(rig.shell.calls, QStringList{"shellExecute(/opt/bin/greet|||1)"});
        QVERIFY(!S().timerDelayEventUp[1]->enabled()); // once per start
        line(dev, false);
        QVERIFY(S().timerDelayEvent[1]->enabled() && !S().timerDelayEventUp[1]->enabled());
        QTRY_COMPARE(rig.shell.calls.size(), 2);
        QCOMPARE(rig.shell.calls.last(), QString("shellExecute(/opt/bin/leave|--quiet||1)"));

        // Back before the walk-away delay ran out: the walk-away command is dropped, and no
        // walk-up command follows a walk-away that never happened.
        S().txtDelayEventAway[1]->setText("60");
        leave(S().txtDelayEventAway[1]);
        QCOMPARE(S().timerDelayEvent[1]->interval(), 60000);
        line(dev, true);
        QTRY_COMPARE(rig.shell.calls.size(), 3);
        line(dev, false);
        line(dev, true);
        QVERIFY(!S().timerDelayEvent[1]->enabled() && !S().timerDelayEventUp[1]->enabled());
        QCOMPARE(rig.shell.calls.count("shellExecute(/opt/bin/leave|--quiet||1)"), 1);

        // Another action chosen meanwhile: the timer fires, runs nothing and stops.
        S().txtDelayEventAway[1]->setText("1");
        leave(S().txtDelayEventAway[1]);
        line(dev, false);
        rt::setOptionValue(S().optSystemLock[1], true);
        QTRY_VERIFY(!S().timerDelayEvent[1]->enabled());
        QCOMPARE(rig.shell.calls.count("shellExecute(/opt/bin/leave|--quiet||1)"), 1);
    }

    // The panel's alarm switches are stored under the panel's number; ticking the on-screen alarm
    // turns the audible alert on with it.
    void alertSwitchesOfAPanel() {
        EventRig rig;
        {
            LoadGuard quiet;
            rt::setValue(S().chkUseAlerts, 0);
            for (int k : {0, 1, 2, 3, 6, 8, 9})
                rt::setValue(S().chkOnScreenAlert[k], 0);
        }
        M().ProximityTimer[3]->setTag("1"); // a row's slot is no panel number
        rt::setValue(S().chkEmailOnProx[3], 1);
        rt::setValue(S().chkOnScreenOnProx[3], 1);
        QVERIFY(rt::ticked(S().chkUseAlerts) && S().chkUseAlerts->isEnabled());
        QCOMPARE(storedAll({"chkEmailOnProx3", "chkOnScreenProx3", "chkUseAlerts", "chkEmailOnProx1"}),
                 (QStringList{"1", "1", "1", "<none>"}));
        // Unticking keeps the sound while another on-screen alarm needs it, and only then.
        rt::setValue(S().chkOnScreenAlert[6], 1);
        rt::setValue(S().chkOnScreenOnProx[3], 0);
        QVERIFY(rt::ticked(S().chkUseAlerts) && S().chkUseAlerts->isEnabled());
        QCOMPARE(storedAll({"chkOnScreenProx3", "chkUseAlerts"}), (QStringList{"0", "1"}));
        rt::setValue(S().chkOnScreenOnProx[3], 1);
        rt::setValue(S().chkOnScreenAlert[6], 0);
        rt::setValue(S().chkOnScreenOnProx[3], 0);
        QVERIFY(!rt::ticked(S().chkUseAlerts) && !S().chkUseAlerts->isEnabled());
        QCOMPARE(storedAll({"chkOnScreenProx3", "chkUseAlerts"}), (QStringList{"0", "0"}));
    }
};

QTEST_MAIN(TestProxActions)
#include "tst_proxactions.moc"
