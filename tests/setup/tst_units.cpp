// Temperature units (limits, highest and lowest readings, rounding) and the notification
// transport options with what they change in the e-mail and pager windows.
#include <QAction>
#include <QGroupBox>
#include <QLocale>

#include "alerts/formEmailAlertSetup.h"
#include "alerts/formPagingTextMessage.h"
#include "app/startup.h"
#include "sensors/sensorrig.h"
#include "setup/units.h"

using namespace modSupport;

namespace {

QString limits() {
    return S().txtTempMax->text() + "/" + S().txtTempMin->text();
}
QString highLow(int slot) {
    return M().lblTHighest[slot]->text() + "/" + M().lblTLowest[slot]->text();
}
QString pref(const char* key) {
    return modPrefs::GetPref(modPrefs::kProgramSetup, key);
}

} // namespace

class TestUnits : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void roundingGoesHalfAwayFromZero() {
        QCOMPARE(RoundingDP(0.125, 2), 0.13);
        QCOMPARE(RoundingDP(125, -1), 130.0);
        QCOMPARE(RoundingDP(2.25, 1), 2.3);
        QCOMPARE(RoundingDP(-2.25, 1), -2.3);
        QCOMPARE(RoundingDP(7.5, 51), 0.0);
        QCOMPARE(CtoFText(100), QString("212.00"));
        QCOMPARE(FtoCText(-40), QString("-40.00"));
    }

    // Switching converts both limits (whatever was typed since the window opened) and the
    // highest and lowest readings of temperature sensors and of a combined sensor's temperature
    // half, and back again; slots with no reading yet stay; the unit is stored at once. A decimal
    // comma in the regional settings changes nothing.
    void switchingUnitsRoundTrips() {
        SensorRig rig;
        QLocale::setDefault(QLocale(QLocale::German));
        rig.record(1, strTypeTemperature, "T", "2", 3);
        rig.record(2, strTypeComboHumid, "C", "31", 4);
        rig.record(3, strTypeComboTemp, "C", "31", 4);
        rig.record(4, strTypeHumidity, "H", "2", 5);
        rig.load();
        for (int slot : {1, 2, 3}) {
            M().bTHighLowEmpty[slot] = slot == 1;
            M().lblTHighest[slot]->setText("86");
            M().lblTLowest[slot]->setText("70.7");
        }
        S().txtTempMax->setText("86");
        S().txtTempMin->setText("70.7");

        rt::setOptionValue(S().optCorF, true);
        QCOMPARE(limits(), QString("30/21.5"));
        QCOMPARE(highLow(2), QString("30.00/21.50"));
        QCOMPARE(highLow(3), QString("30.00/21.50"));
        QCOMPARE(highLow(1), QString("86/70.7"));
        QCOMPARE(pref("ForC"), QString("C"));

        rt::setOptionValue(S().optCorF2, true);
        QCOMPARE(limits(), QString("86/70.7"));
        QCOMPARE(highLow(2), QString("86.00/70.70"));
        QCOMPARE(highLow(3), QString("86.00/70.70"));
        QCOMPARE(pref("ForC"), QString("F"));

        S().txtTempMin->setText("abc");
        rt::setOptionValue(S().optCorF, true);
        QCOMPARE(S().txtTempMin->text(), QString("-17.8"));
        rt::setOptionValue(S().optCorF2, true);
        QCOMPARE(S().txtTempMin->text(), QString("0"));

        // While start-up loads, choosing a unit converts and stores nothing.
        bInStartup = true;
        rt::setOptionValue(S().optCorF, true);
        bInStartup = false;
        QCOMPARE(limits(), QString("86/0"));
        QCOMPARE(pref("ForC"), QString("F"));
    }

    // Each transport choice is stored at once and adapts the e-mail window; MAPI asks for a
    // recipient when there is none. Pager kinds are stored as a pair; the pager window's test
    // entries follow the kind when the pager button is used.
    void transportChoiceIsStoredAtOnceAndAdaptsTheWindows() {
        SensorRig rig;
        auto& mail = formEmailAlertSetup::instance();
        auto& pager = formPagingTextMessage::instance();
        mail.txtEmailAddr->clear();
        rt::setOptionValue(S().optUseSMTP, true);
        rt::setOptionValue(S().optUseMAPI, true);
        QCOMPARE(pref("optUseSMTP"), QString("0"));
        QCOMPARE(rig.boxes->prompts(), QStringList{"You must enter an email address to send the alert to."});
        QVERIFY(mail.isVisible() && !mail.mnuSMTPTest->isEnabled() && mail.mnuMAPITest->isEnabled());
        QVERIFY(mail.cmdCreateLogFile->isHidden());
        mail.hide();
        rt::setOptionValue(S().optUseSMTP, true);
        QCOMPARE(pref("optUseSMTP"), QString("1"));
        QCOMPARE(rig.boxes->prompts().size(), 1);
        QVERIFY(mail.mnuSMTPTest->isEnabled() && !mail.mnuMAPITest->isEnabled() && !mail.cmdCreateLogFile->isHidden());
        QCOMPARE(mail.Label1_2->text(), QString("(Use commas to separate multiple email addresses.)"));
        S().cmdEmailSetup_Click();
        QVERIFY(!mail.frameSMTP->isHidden() && mail.frameMAPI->isHidden() && mail.isVisible());
        mail.hide();

        rt::setOptionValue(S().optionPhonePager, true);
        rt::setOptionValue(S().optionNumericalPager, true);
        QCOMPARE(pref("optionNumeric") + pref("optionPhone"), QString("10"));
        rt::setOptionValue(S().optionPhonePager, true);
        QCOMPARE(pref("optionNumeric") + pref("optionPhone"), QString("01"));
        QVERIFY(!pager.Frame5->isHidden() && pager.Frame4->isHidden());
        QVERIFY(!pager.mnuTestAlphaPager->isEnabled()); // unchanged until the pager button
        S().cmdSetPagerMessage_Click();
        QVERIFY(pager.mnuTestAlphaPager->isEnabled() && !pager.mnuTestNumericPager->isEnabled());
        QVERIFY(pager.Framme1->isHidden() && pager.isVisible());
        rt::setOptionValue(S().optionNumericalPager, true);
        QCOMPARE(pref("optionNumeric") + pref("optionPhone"), QString("10"));
        QVERIFY(!pager.mnuTestAlphaPager->isEnabled() && pager.mnuTestNumericPager->isEnabled());
        QVERIFY(!S().findChild<QRadioButton*>("optionAlphaPager"));
        pager.hide();
    }

    // The stored transport adapts the e-mail window when the preferences are loaded too, without
    // storing anything or asking for a recipient.
    void storedTransportAdaptsTheMailWindow() {
        SensorRig rig;
        auto& mail = formEmailAlertSetup::instance();
        rt::setOptionValue(S().optUseSMTP, true);
        modPrefs::SavePref(modPrefs::kProgramSetup, "optUseSMTP", "0");
        modPrefs::SavePref(modPrefs::kProgramSetup, "EmailAddress", "");
        modPrefs::LoadPrefs();
        QVERIFY(rt::optionValue(S().optUseMAPI));
        QVERIFY(!mail.mnuSMTPTest->isEnabled() && mail.mnuMAPITest->isEnabled() &&
                mail.cmdCreateLogFile->isHidden());
        QCOMPARE(mail.Label1_2->text(),
                 QString("(You may only use one email address per line when using MAPI.)"));
        QVERIFY(!mail.isVisible());

        modPrefs::SavePref(modPrefs::kProgramSetup, "optUseSMTP", "1");
        modPrefs::LoadPrefs();
        QVERIFY(mail.mnuSMTPTest->isEnabled() && !mail.mnuMAPITest->isEnabled() &&
                !mail.cmdCreateLogFile->isHidden());
        QCOMPARE(mail.Label1_2->text(), QString("(Use commas to separate multiple email addresses.)"));
        QCOMPARE(pref("optUseSMTP"), QString("1"));
    }
};

QTEST_MAIN(TestUnits)
#include "tst_units.moc"
