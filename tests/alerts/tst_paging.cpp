#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <optional>

#include "alerts/channelqueue.h"
#include "alerts/formPagingTextMessage.h"
#include "alerts/paging.h"
#include "app/CorvisentMain.h"
#include "platform/comports.h"
#include "platform/mscomm.h"
#include "platform/registry.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "settings/modPrefs.h"
#include "settings/modSupport.h"
#include "setup/formSensorSetup.h"
#include "support/boxes.h"
#include "support/fakeserial.h"
#include "support/simulator.h"
#include "support/testenv.h"

namespace {

formPagingTextMessage& P() {
    return formPagingTextMessage::instance();
}

const QString kWarning = QStringLiteral("Warning: The page did not go through.  Now closing the port.");
const QByteArray kDial = "ATDT5551234,,,,,,,,,,;";

// The pager window as a user leaves it set up: pager 555-1234 through the modem on the given COM,
// the reading of row 1 to send.
void setUpPager(int com, const QString& reading = QStringLiteral("72.5")) {
    auto& p = P();
    if (p.MSCommForPaging->portOpen()) p.MSCommForPaging->setPortOpen(false);
    p.cmdConnection->setText(QStringLiteral("Open Connection"));
    p.comboAvailCom->setCurrentText(QString::number(com));
    p.txtNumToCall->setText(QStringLiteral("5551234"));
    p.txtNumToSend->setText(QString());
    p.txtPhoneNumber->setText(QStringLiteral("5559876"));
    rt::setOptionValue(p.optSendReadingAsNumeric, true);
    CorvisentMain::instance().lblSensorReading[1]->setText(reading);
}

// Asks for a page and waits until it has ended: its result.
int page(int row, int kind, int phoneOnly) {
    std::optional<int> result;
    P().SendNumericPage(row, kind, phoneOnly, [&result](int r) { result = r; });
    return QTest::qWaitFor([&result] { return result.has_value(); }, 60000) ? *result : -1;
}

bool channelsDone() {
    return QTest::qWaitFor([] { return alertqueue::Pending() == 0; }, 60000);
}

// A modem that confirms everything: OK to both dial commands, NO CARRIER to the hang-up.
void answerAll(FakeSerialPort& modem) {
    modem.setResponder([](FakeSerialPort& port, const QByteArray& command) {
        port.inject(command == "ATH0" ? "\r\nNO CARRIER\r\n" : "\r\nOK\r\n", FakeSerialPort::kReplyMs);
    });
}

// Program-clock milliseconds between the first two writes and between the second and third.
QList<qint64> gaps(const FakeSerialPort& dev) {
    QList<qint64> out;
    for (int i = 1; i < dev.writes().size(); ++i)
        out << dev.writes()[i].atMs - dev.writes()[i - 1].atMs;
    return out;
}

// The page switches of every alert row set to value, those of the rows in ticked to 1; the
// switches' own handlers are kept quiet.
void setPageSwitches(int value, const QList<int>& ticked = {}) {
    modSupport::LoadGuard quiet;
    for (int k : {0, 1, 2, 6, 8, 9})
        rt::setValue(formSensorSetup::instance().chkPageAlert[k], ticked.contains(k) ? 1 : value);
}

} // namespace

class TestPaging : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnv> env;

private slots:
    void init() {
        env = std::make_unique<TestEnv>();
        rt::Clock::setSpeed(1000);
    }
    void cleanup() {
        if (P().MSCommForPaging->portOpen()) P().MSCommForPaging->setPortOpen(false);
        rt::Clock::reset();
        env.reset();
    }

    // A page that goes through: the pause, the dial command, the 15 s wait, the figures, the
    // hang-up; no message, result 0, the port closed and ready for the next page.
    void deliveredPageDialsWaitsSendsAndHangsUp() {
        FakeSerialHub hub;
        FakeSerialPort& modem = hub.add(5);
        answerAll(modem);
        setUpPager(5);
        ScriptedBoxes boxes;
        const qint64 start = rt::Clock::elapsedMs();
        QCOMPARE(page(1, 1, 0), 0);
        QCOMPARE(modem.commands(), (QList<QByteArray>{kDial, "ATDT72*5", "ATH0"}));
        QCOMPARE(modem.settings().baud, 9600);
        QVERIFY(modem.writes()[0].atMs - start >= 1500);
        QVERIFY(gaps(modem)[0] >= 15000);
        QVERIFY(!P().MSCommForPaging->portOpen());
        QCOMPARE(P().cmdConnection->text(), QStringLiteral("Open Connection"));
    }

    // What is sent as the figures: the reading or the fixed number, only as dial figures.
    void numericPageDialsTheReadingOrTheFixedFigures_data() {
        QTest::addColumn<QString>("reading");
        QTest::addColumn<QString>("fixed");
        QTest::addColumn<bool>("sendReading");
        QTest::addColumn<QByteArray>("figures");
        QTest::newRow("sensor not connected") << "OFF" << "" << true << QByteArray("123-456-7890");
        QTest::newRow("fixed number, any reading") << "72.5" << "4321" << false << QByteArray("4321");
        QTest::newRow("empty fixed number sends the reading") << "45cm" << " " << false << QByteArray("45");
        QTest::newRow("reading without figures, fixed number") << "Water" << "77" << true << QByteArray("77");
        QTest::newRow("nothing to send") << "Sensor Error" << "" << true << QByteArray("0");
        QTest::newRow("letters dropped from the fixed number") << "1" << "12ab#;" << false << QByteArray("12#");
    }
    void numericPageDialsTheReadingOrTheFixedFigures() {
        QFETCH(QString, reading);
        QFETCH(QString, fixed);
        QFETCH(bool, sendReading);
        QFETCH(QByteArray, figures);
        FakeSerialHub hub;
        FakeSerialPort& modem = hub.add(5);
        answerAll(modem);
        setUpPager(5, reading);
        P().txtNumToSend->setText(fixed);
        rt::setOptionValue(P().optSendReadingAsNumeric, sendReading);
        ScriptedBoxes boxes;
        QCOMPARE(page(1, 1, 0), 0);
        QCOMPARE(modem.commands().value(1), "ATDT" + figures);
    }

    // Each way the modem can refuse the call: its message, then the warning; the modem is hung up,
    // the port closed, result 1.
    void refusedCallsAreToldAndHungUp_data() {
        QTest::addColumn<QByteArray>("dialReply");
        QTest::addColumn<QByteArray>("figuresReply");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("busy") << QByteArray("\r\nBUSY\r\n") << QByteArray()
                              << QStringList{"Telephone Busy.  Try Again later", kWarning};
        QTest::newRow("error") << QByteArray("\r\nERROR\r\n") << QByteArray()
                               << QStringList{"There was a modem error.  Check the number to dial.", kWarning};
        QTest::newRow("no dial tone") << QByteArray("\r\nNO DIAL TONE\r\n") << QByteArray()
                                      << QStringList{"No dial tone.", kWarning};
        QTest::newRow("silent") << QByteArray() << QByteArray() << QStringList{"No response.", kWarning};
        QTest::newRow("no result word") << QByteArray("\r\nRING\r\n") << QByteArray() << QStringList{kWarning};
        QTest::newRow("figures refused") << QByteArray("\r\nOK\r\n") << QByteArray("\r\nERROR\r\n")
                                         << QStringList{"There was a modem error.", kWarning};
        QTest::newRow("figures never confirmed") << QByteArray("\r\nOK\r\n") << QByteArray() << QStringList{kWarning};
    }
    void refusedCallsAreToldAndHungUp() {
        QFETCH(QByteArray, dialReply);
        QFETCH(QByteArray, figuresReply);
        QFETCH(QStringList, messages);
        FakeSerialHub hub;
        FakeSerialPort& modem = hub.add(5);
        if (!dialReply.isEmpty()) modem.reply(kDial, dialReply);
        if (!figuresReply.isEmpty()) modem.reply("ATDT72*5", figuresReply);
        modem.reply("ATH0", "\r\nNO CARRIER\r\n");
        setUpPager(5);
        ScriptedBoxes boxes;
        QCOMPARE(page(1, 1, 0), 1);
        QCOMPARE(boxes.prompts(), messages);
        QCOMPARE(modem.commands().last(), QByteArray("ATH0"));
        QVERIFY(!modem.isOpen());
        QCOMPARE(P().cmdConnection->text(), QStringLiteral("Open Connection"));
    }

    // A modem whose answer comes in pieces, the last one after the first look, is still heard.
    void lateAnswerIsHeard() {
        FakeSerialHub hub;
        FakeSerialPort& modem = hub.add(5);
        answerAll(modem);
        modem.reply(kDial, "\r\nO", 10);
        modem.setWriteHook([](FakeSerialPort& port, const QByteArray& bytes) {
            if (bytes.startsWith("ATDT555")) port.inject("K\r\n", 15400);
        });
        setUpPager(5);
        ScriptedBoxes boxes;
        QCOMPARE(page(1, 1, 0), 0);
    }

    // A telephone call dials the telephone number, waits, and closes the port: no hang-up command,
    // no reply read, and the pager number stays as it was.
    void telephoneCallDialsWaitsAndClosesWithoutHangUp() {
        FakeSerialHub hub;
        FakeSerialPort& modem = hub.add(5);
        setUpPager(5);
        ScriptedBoxes boxes;
        QCOMPARE(page(1, 1, 1), 0);
        QCOMPARE(modem.commands(), QList<QByteArray>{"ATDT5559876,,,,,,,,,,;"});
        QVERIFY(!modem.isOpen());
        QCOMPARE(P().txtNumToCall->text(), QStringLiteral("5551234"));
    }

    // Without a number nothing is dialled; a number cannot carry a second command or line end.
    void numberToDial() {
        FakeSerialHub hub;
        FakeSerialPort& modem = hub.add(5);
        answerAll(modem);
        setUpPager(5);
        P().txtNumToCall->setText(QStringLiteral(" "));
        ScriptedBoxes boxes;
        QCOMPARE(page(1, 1, 0), 0);
        QCOMPARE(boxes.prompts(), QStringList{"You must enter a number to dial before sending a page."});
        QCOMPARE(modem.openCount(), 0);

        P().txtNumToCall->setText(QStringLiteral("555;1234\r\nATH"));
        QCOMPARE(page(1, 1, 0), 0);
        QCOMPARE(modem.commands().first(), QByteArray("ATDT5551234ATH,,,,,,,,,,;"));
    }

    // The button follows the port's state: a port that cannot be opened gives both messages; a
    // port opened by hand is used by the page and closed after it; a failed page leaves the button
    // offering to open again, and the next page opens.
    void connectionButtonFollowsThePort() {
        FakeSerialHub hub;
        FakeSerialPort& modem = hub.add(5);
        ScriptedBoxes boxes;
        setUpPager(6);
        QCOMPARE(page(1, 1, 0), 1);
        QCOMPARE(boxes.prompts(), (QStringList{"This port is not open.", "The port was not opened."}));
        QCOMPARE(P().cmdConnection->text(), QStringLiteral("Open Connection"));
        setUpPager(5);
        P().cmdConnection_Click();
        QVERIFY(modem.isOpen());
        QCOMPARE(P().cmdConnection->text(), QStringLiteral("Close port"));
        QCOMPARE(page(1, 1, 0), 1); // silent modem
        QCOMPARE(modem.openCount(), 1);
        QCOMPARE(P().cmdConnection->text(), QStringLiteral("Open Connection"));

        answerAll(modem);
        boxes.clear();
        QCOMPARE(page(1, 1, 0), 0);
        QCOMPARE(modem.openCount(), 2);
        P().cmdConnection_Click();
        P().cmdConnection_Click();
        QVERIFY(!modem.isOpen());
        QCOMPARE(P().cmdConnection->text(), QStringLiteral("Open Connection"));
    }

    // The queue starts a channel from the event loop once the handler that asked has returned,
    // never inside it, and the next one only once the one before is over.
    void channelsStartAfterTheirHandlerOneAtATime() {
        QStringList started;
        std::function<void()> firstOver;
        alertqueue::Channel first, second;
        first.start = [&](std::function<void()> over) { started << "first", firstOver = std::move(over); };
        second.start = [&](std::function<void()> over) { started << "second", over(); };
        alertqueue::Ask(first);
        alertqueue::Ask(second);
        QVERIFY(started.isEmpty());
        QTRY_COMPARE(started, QStringList{"first"});
        QTest::qWait(20);
        QCOMPARE(started, QStringList{"first"});
        firstOver();
        QTRY_COMPARE(started, (QStringList{"first", "second"}));
        QCOMPARE(alertqueue::Pending(), 0);
    }

    // A page asked for while one runs (an alert handled during its waits) is sent after it, in
    // full, not into the call in progress; the same page asked twice meanwhile goes once, and
    // both callers hear its result.
    void pageDuringPageWaitsItsTurn() {
        FakeSerialHub hub;
        FakeSerialPort& modem = hub.add(5);
        answerAll(modem);
        setUpPager(5);
        CorvisentMain::instance().lblSensorReading[2]->setText(QStringLiteral("40"));
        QList<int> nested;
        modem.setWriteHook([&nested](FakeSerialPort&, const QByteArray& bytes) {
            if (bytes.startsWith("ATDT72")) {
                QTimer::singleShot(0, [&nested] {
                    for (int i = 0; i < 2; ++i)
                        P().SendNumericPage(2, 2, 0, [&nested](int r) { nested << r; });
                });
            }
        });
        ScriptedBoxes boxes;
        QCOMPARE(page(1, 1, 0), 0);
        QVERIFY(channelsDone());
        QCOMPARE(nested, (QList<int>{0, 0}));
        QCOMPARE(modem.commands(), (QList<QByteArray>{kDial, "ATDT72*5", "ATH0", kDial, "ATDT40", "ATH0"}));
        QCOMPARE(modem.openCount(), 2);
    }

    // The same page asked for while it runs is not dialled again: its caller hears the result of
    // the call in progress, through or not.
    void samePageWhileItRunsHearsItsResult_data() {
        QTest::addColumn<QByteArray>("dialReply");
        QTest::addColumn<int>("result");
        QTest::newRow("through") << QByteArray("\r\nOK\r\n") << 0;
        QTest::newRow("busy") << QByteArray("\r\nBUSY\r\n") << 1;
    }
    void samePageWhileItRunsHearsItsResult() {
        QFETCH(QByteArray, dialReply);
        QFETCH(int, result);
        FakeSerialHub hub;
        FakeSerialPort& modem = hub.add(5);
        answerAll(modem);
        modem.reply(kDial, dialReply);
        setUpPager(5);
        QList<int> again;
        modem.setWriteHook([&again](FakeSerialPort&, const QByteArray& bytes) {
            if (bytes.startsWith(kDial))
                QTimer::singleShot(0, [&again] { P().SendNumericPage(1, 1, 0, [&again](int r) { again << r; }); });
        });
        ScriptedBoxes boxes;
        QCOMPARE(page(1, 1, 0), result);
        QVERIFY(channelsDone());
        QCOMPARE(again, QList<int>{result});
        QCOMPARE(modem.commands().count(kDial), 1);
        QCOMPARE(modem.openCount(), 1);
        QCOMPARE(boxes.prompts().size(), 2 * result); // the busy line told once
    }

    // The exact bytes a real modem line carries, through a pseudo-terminal.
    void bytesOnTheModemLine() {
        ModemSimulator sim;
        QVERIFY(!sim.path().isEmpty());
        sim.mapTo(7);
        rt::Clock::setSpeed(20);
        setUpPager(7);
        ScriptedBoxes boxes;
        sim.answer(QStringLiteral("OK OK NO_CARRIER"));
        QCOMPARE(page(1, 1, 0), 0);
        QCOMPARE(sim.received(), QByteArray("ATDT5551234,,,,,,,,,,;\rATDT72*5\rATH0\r"));

        sim.answer(QStringLiteral("BUSY NO_CARRIER"));
        QCOMPARE(page(1, 1, 0), 1);
        QCOMPARE(boxes.prompts(), (QStringList{"Telephone Busy.  Try Again later", kWarning}));
        QCOMPARE(sim.received(), QByteArray("ATDT5551234,,,,,,,,,,;\rATDT72*5\rATH0\rATDT5551234,,,,,,,,,,;\rATH0\r"));
    }

    // ---- the pager window

    // OK asks for the pager number only while temperature or humidity pages are on; it always
    // stores the port and the pager number, and an empty fixed number chooses "Send Reading".
    void okAsksForTheNumberOnlyWhileReadingPagesAreOn() {
        setPageSwitches(0);
        setUpPager(3);
        P().txtNumToCall->setText(QString());
        P().txtNumToSend->setText(QString());
        rt::setOptionValue(P().optSendReadingAsNumeric, false);
        P().show();
        setPageSwitches(0, {2});
        ScriptedBoxes boxes;
        P().cmdOkTextPageSetup_Click();
        QCOMPARE(boxes.prompts(),
                 QStringList{"You must first enter the number you wish to call before you send a page."});
        QVERIFY(P().isVisible());
        QVERIFY(!rt::optionValue(P().optSendReadingAsNumeric));
        auto stored = [](const char* key) {
            return modPrefs::GetPref(modPrefs::kProgramSetup, QLatin1String(key), QStringLiteral("unset"));
        };
        QCOMPARE(stored("IndexForModem"), QStringLiteral("3"));
        QCOMPARE(stored("NumToCall"), QString());
        QCOMPARE(stored("NumToSend"), QStringLiteral("unset"));

        setPageSwitches(0, {6});
        boxes.clear();
        P().txtPhoneNumber->setText(QStringLiteral("5550000"));
        P().cmdOkTextPageSetup_Click();
        QVERIFY(!P().isVisible());
        QVERIFY(rt::optionValue(P().optSendReadingAsNumeric));
        QCOMPARE(stored("NumToSend"), QString());
        QCOMPARE(stored("NumToSendPhone"), QStringLiteral("5550000"));
        setPageSwitches(0);
    }

    // Closing the window without a pager number turns every page switch off, so no alert tries to
    // page; with a number nothing changes.
    void closingWithoutNumberStopsPages() {
        auto& s = formSensorSetup::instance();
        setPageSwitches(1);
        setUpPager(3);
        ScriptedBoxes boxes;
        P().show();
        P().close();
        QVERIFY(!P().isVisible());
        QCOMPARE(rt::value(s.chkPageAlert[9]), 1);

        P().txtNumToCall->setText(QStringLiteral("  "));
        P().show();
        P().close();
        QCOMPARE(boxes.prompts(), QStringList{"A number to dial was not filled in."});
        for (int k : {0, 1, 2, 6, 8, 9})
            QCOMPARE(rt::value(s.chkPageAlert[k]), 0);
    }

    // The port list holds the existing ports among 1..19 and selects the first; with none it stays
    // empty.
    void portListHoldsTheExistingPortsUpTo19() {
        {
            FakeSerialHub hub;
            hub.add(2);
            hub.add(12);
            hub.add(20);
            P().cmdRefreshComPortsForModem_Click();
            QStringList listed;
            for (int i = 0; i < P().comboAvailCom->count(); ++i)
                listed << P().comboAvailCom->itemText(i);
            QCOMPARE(listed, (QStringList{"2", "12"}));
            QCOMPARE(P().comboAvailCom->currentText(), QStringLiteral("2"));
            QCOMPARE(P().MSCommForPaging->commPort(), 2);
        }
        FakeSerialHub none;
        platform::Registry::instance().deleteKey(platform::Hive::LocalMachine, platform::kSerialCommKey);
        P().MakeAvailComPortList();
        QCOMPARE(P().comboAvailCom->count(), 0);
        QCOMPARE(P().comboAvailCom->currentIndex(), -1);
    }

    // Smaller controls: a click into the fixed number deselects "Send Reading"; the init string is
    // stored only when one is given; the test items page for row 1 as a call or a numeric page.
    void initStringIsStoredOnlyWhenGivenAndTestItemsPage() {
        rt::setOptionValue(P().optSendReadingAsNumeric, true);
        QTest::mouseClick(P().txtNumToSend, Qt::LeftButton);
        QVERIFY(!rt::optionValue(P().optSendReadingAsNumeric));

        ScriptedBoxes boxes;
        boxes.queue(QStringLiteral("AT&F&C1"));
        P().cmdSetModemInitString_Click();
        boxes.queue(QVariant());
        P().cmdSetModemInitString_Click();
        boxes.queue(QString());
        P().cmdSetModemInitString_Click();
        QCOMPARE(P().strModemInitString, QStringLiteral("AT&F&C1"));
        QCOMPARE(modPrefs::GetPref(modPrefs::kProgramSetup, "ModemInitString", ""), QStringLiteral("AT&F&C1"));
        QCOMPARE(boxes.shown().last().prompt,
                 QStringLiteral("Enter the modem initialization string required for your modem"));
        QCOMPARE(boxes.shown().last().defaultText, QStringLiteral("AT&F&C1"));

        FakeSerialHub hub;
        FakeSerialPort& modem = hub.add(5);
        answerAll(modem);
        setUpPager(5, QStringLiteral("68"));
        P().mnuTestAlphaPager->trigger();
        P().mnuTestNumericPager->trigger();
        QVERIFY(channelsDone());
        QCOMPARE(modem.commands(),
                 (QList<QByteArray>{"ATDT5559876,,,,,,,,,,;", kDial, "ATDT68", "ATH0"}));
    }
};

QTEST_MAIN(TestPaging)
#include "tst_paging.moc"
