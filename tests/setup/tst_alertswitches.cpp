#include <QCheckBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QtTest>

#include "alerts/alertchecks.h"
#include "alerts/formPagingTextMessage.h"
#include "platform/registry.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "settings/modSupport.h"
#include "setup/formSensorSetup.h"
#include "support/boxes.h"
#include "support/testenv.h"

namespace {

formSensorSetup& S() { return formSensorSetup::instance(); }
QString stored(const QString& key) {
    return platform::GetSetting("Corvisent Manager", "Program Setup", key, "<none>");
}
void leave(QLineEdit* box) {
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(box, &out);
}
// Every alert box of rows 1, 2, 6, 8, 9, 0 and 3 back to unticked and enabled, quietly.
void resetSwitches() {
    modSupport::LoadGuard quiet;
    rt::setValue(S().chkLocalMonitoring, 0);
    for (int k : {0, 1, 2, 3, 6, 8, 9})
        for (QCheckBox* box : {S().chkOnScreenAlert[k], S().chkEmailAlert[k], S().chkPageAlert[k]}) {
            rt::setValue(box, 0);
            box->setEnabled(true);
        }
    for (int n = 1; n <= 4; ++n)
        rt::setValue(S().chkOnScreenOnProx[n], 0);
}

} // namespace

// The setup window's limits and alert switches: what each edit stores, which latches a click
// clears, and how "Disable All Alerts" and "Local Audible Alert" follow the boxes.
class TestAlertSwitches : public QObject {
    Q_OBJECT

private slots:
    void init() { resetSwitches(); }

    void limitsStoreAsTypedAndResetWhenNotNumbers() {
        TestEnv env;
        ScriptedBoxes boxes;
        S().txtTempMax->setText("");
        QCOMPARE(stored("TempMax"), QString(""));
        leave(S().txtTempMax);
        QCOMPARE(S().txtTempMax->text(), QString("80"));
        QCOMPARE(stored("TempMax"), QString("80"));
        S().txtHumidMin->setText("abc");
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(S().txtHumidMin, &move);
        QCOMPARE(stored("HumidMin"), QString("20"));
        S().txtXMaxThresh->setText("12x");
        leave(S().txtXMaxThresh);
        QCOMPARE(stored("XMaxThresh"), QString("12x"));
        S().txtMinDistanceThresh->setText(" 25 ");
        leave(S().txtTempMin); // numeric already: stays
        QCOMPARE(stored("MinDistanceThresh"), QString(" 25 "));
        QCOMPARE(S().txtTempMin->text(), QString("30"));
    }

    void onScreenAndAudibleRule() {
        TestEnv env;
        ScriptedBoxes boxes;
        QVERIFY(!S().chkUseAlerts->isEnabled());
        bTempScreenShown[2] = bHumidScreenShown[5] = true;
        {
            modSupport::LoadGuard quiet;
            S().txtTempMax->setText("");
        }
        rt::setValue(S().chkOnScreenAlert[1], 1);
        QCOMPARE(boxes.prompts(), QStringList{"Please input a Max and Min temperature value first"});
        QCOMPARE(stored("chkOnScreenAlert1"), QString("1"));
        QVERIFY(!bTempScreenShown[2] && bHumidScreenShown[5]);
        QVERIFY(S().chkUseAlerts->isEnabled() && !rt::ticked(S().chkUseAlerts));
        rt::setValue(S().chkUseAlerts, 1);
        QCOMPARE(stored("chkUseAlerts"), QString("1"));

        // Row 3 does not count; a proximity on-screen box does.
        rt::setValue(S().chkOnScreenAlert[3], 1);
        rt::setValue(S().chkOnScreenAlert[1], 0);
        QCOMPARE(boxes.prompts(), QStringList(2, "Please input a Max and Min temperature value first")); // at each click
        QVERIFY(!S().chkUseAlerts->isEnabled() && !rt::ticked(S().chkUseAlerts));
        QCOMPARE(stored("chkUseAlerts"), QString("0"));
        rt::setValue(S().chkOnScreenOnProx[2], 1);
        QVERIFY(S().chkUseAlerts->isEnabled());
        S().txtTempMax->setText("80");
    }

    void disableAllAlertsAndLatchClearing() {
        TestEnv env;
        ScriptedBoxes boxes;
        rt::setValue(S().chkEmailAlert[1], 1);
        rt::setValue(S().chkLocalMonitoring, 1);
        int disabled = 0;
        for (int k : {0, 1, 2, 3, 6, 8, 9})
            for (QCheckBox* box : {S().chkOnScreenAlert[k], S().chkEmailAlert[k], S().chkPageAlert[k]})
                disabled += box->isEnabled() ? 0 : 1;
        QCOMPARE(disabled, 18);
        QVERIFY(S().chkPageAlert[3]->isEnabled() && rt::ticked(S().chkEmailAlert[1]));
        QCOMPARE(stored("chkLocalMonitoring"), QString("1"));
        rt::setValue(S().chkLocalMonitoring, 0);
        QVERIFY(S().chkEmailAlert[1]->isEnabled());

        // Unticking humidity mail while temperature mail stays on clears the humidity latches only.
        rt::setValue(S().chkEmailAlert[2], 1);
        bTempMailSent[1] = bHumidMailSent[2] = true;
        rt::setValue(S().chkEmailAlert[2], 0);
        QCOMPARE(stored("chkEmailAlert2"), QString("0"));
        QVERIFY(bTempMailSent[1] && !bHumidMailSent[2]);

        // Keep sending clears every latch when ticked, none when unticked.
        bDistAlertSent[4] = bWaterClearSent[1] = bAccelAlert[3][8] = true;
        rt::setValue(S().chkAlwaysSendAlert, 1);
        QVERIFY(!bTempMailSent[1] && !bDistAlertSent[4] && !bWaterClearSent[1] && !bAccelAlert[3][8]);
        bTempMailSent[1] = true;
        rt::setValue(S().chkAlwaysSendAlert, 0);
        QVERIFY(bTempMailSent[1]);
        QCOMPARE(stored("chkAlwaysSendAlert"), QString("0"));
    }

    void pageSwitchAsksForTheNumber() {
        TestEnv env;
        ScriptedBoxes boxes;
        formPagingTextMessage::instance().txtNumToCall->setText(" ");
        rt::setValue(S().chkPageAlert[6], 1);
        QCOMPARE(boxes.prompts(), QStringList{"Please enter the number to be paged."});
        QVERIFY(formPagingTextMessage::instance().isVisible());
        QCOMPARE(stored("chkPageAlert6"), QString("1"));
        formPagingTextMessage::instance().hide();
        formPagingTextMessage::instance().txtNumToCall->setText("5551234");
        rt::setValue(S().chkPageAlert[6], 0);
        rt::setValue(S().chkPageAlert[9], 1);
        QCOMPARE(boxes.prompts().size(), 1);
        QCOMPARE(stored("chkPageAlert6") + stored("chkPageAlert9"), QString("01"));
    }

    void loadsStoreNothingAndAskNothing() {
        TestEnv env;
        ScriptedBoxes boxes;
        {
            modSupport::LoadGuard quiet;
            S().txtTempMax->setText("");
            rt::setValue(S().chkOnScreenAlert[1], 1);
            rt::setValue(S().chkPageAlert[1], 1);
            rt::setValue(S().chkLocalMonitoring, 1);
        }
        QCOMPARE(stored("chkOnScreenAlert1") + stored("TempMax") + stored("chkLocalMonitoring"),
                 QString("<none><none><none>"));
        QVERIFY(!S().chkOnScreenAlert[1]->isEnabled()); // the window's own state still follows
        S().txtTempMax->setText("80");
    }
};

QTEST_MAIN(TestAlertSwitches)
#include "tst_alertswitches.moc"
