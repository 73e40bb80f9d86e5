#include <QRegularExpression>

#include "sensors/sensorrig.h"
#include "support/finish.h"
#include "support/wait.h"

using namespace modSupport;

namespace {

const QDateTime kStart(QDate(2009, 3, 6), QTime(23, 0, 30));

// One line of a reading log: date, time and the value with its unit.
struct LogLine {
    QDateTime at;
    QString value;
};

// The reading lines of a log file; the two header lines and the empty line are checked first.
QList<LogLine> readingLines(const QString& path, const QString& firstLine) {
    const QList<QByteArray> lines = readWholeFile(path).split('\n');
    static const QRegularExpression header(
        "^Log file started: \\d{1,2}/\\d{1,2}/\\d{4},\\d{1,2}:\\d\\d:\\d\\d [AP]M\r$");
    static const QRegularExpression reading("^(\\d\\d-\\d\\d-\\d{4}),(\\d\\d:\\d\\d:\\d\\d[AP]M), ?(.+)\r$");
    if (lines.size() < 4 || lines[0] != firstLine.toLatin1() + "\r" ||
        !header.match(QString(lines[1])).hasMatch() || lines[2] != "\r" || !lines.last().isEmpty())
        return {{QDateTime(), "<bad header in " + path + ">"}};
    QList<LogLine> out;
    for (const QByteArray& l : lines.mid(3, lines.size() - 4)) {
        const QRegularExpressionMatch m = reading.match(QString::fromLatin1(l));
        if (!m.hasMatch()) return {{QDateTime(), "<bad line " + QString::fromLatin1(l) + ">"}};
        out.append(
            {QDateTime::fromString(m.captured(1) + m.captured(2), "MM-dd-yyyyhh:mm:ssAP"), m.captured(3)});
    }
    return out;
}

// Every reading line of a device, across its roll-over files in the order they were started.
QList<LogLine> wholeLog(SensorRig& rig, const QString& name, const QString& ending) {
    QList<QPair<QDateTime, QString>> files;
    for (const QString& f : rig.logFiles()) {
        if (!f.endsWith(ending)) continue;
        const QList<QByteArray> head = readWholeFile(rig.logPath(f)).split('\n');
        const QByteArray continued = name.section(" - ", 0, 0).toLatin1() + " (Continued)\r";
        if (head.size() < 2 || (head[0] != name.toLatin1() + "\r" && head[0] != continued)) continue;
        const QString started = QString::fromLatin1(head[1]).mid(18).trimmed();
        files.append({QDateTime::fromString(started, "M/d/yyyy,h:mm:ss AP"), f});
    }
    std::sort(files.begin(), files.end());
    QList<LogLine> all;
    for (int i = 0; i < files.size(); ++i) {
        const QString first = i == 0 ? name : name.section(" - ", 0, 0) + " (Continued)";
        all += readingLines(rig.logPath(files[i].second), first);
    }
    return all;
}

// A sensor's answers as asked: the program time of the query and the value text sent.
struct Answers {
    QList<QPair<QDateTime, QString>> given;
    QByteArray next(const QString& value, const QByteArray& reply) {
        given.append({rt::Clock::now(), value});
        return reply;
    }
};

// The n-th reading of a day: a value that wanders up and down between 40 and 80.
double dayValue(int n) {
    return 40 + ((n * 37) % 160) * 0.25;
}

// Checks a device's log against the values its sensor gave: same count, same values in order,
// each line stamped between its value's query and the next query (the fast clock runs minutes
// while a loaded machine holds the process for a fraction of a second, so no fixed slack fits).
void compareLog(const QList<LogLine>& log, const Answers& answers, const QString& unit) {
    QCOMPARE(log.size(), answers.given.size());
    for (int i = 0; i < log.size(); ++i) {
        QCOMPARE(log[i].value, answers.given[i].second + unit);
        const qint64 late = answers.given[i].first.secsTo(log[i].at);
        const qint64 beforeNext = i + 1 < log.size() ? log[i].at.secsTo(answers.given[i + 1].first) : 0;
        QVERIFY2(late >= 0 && beforeNext >= 0,
                 qPrintable(QString("line %1 stamped %2 s after its query, %3 s before the next")
                                .arg(i).arg(late).arg(beforeNext)));
        if (i > 0) QVERIFY(log[i - 1].at <= log[i].at);
    }
}

// A temperature sensor at row 1 (COM 3) and a combined one at rows 2 and 3 (COM 4), on a fast
// program clock.
void temperatureAndCombined(SensorRig& rig) {
    rt::Clock::setNow(kStart);
    rt::Clock::setSpeed(2000);
    rig.record(1, strTypeTemperature, "Freezer", "1", 3);
    rig.record(2, strTypeComboHumid, "Lab", "22", 4);
    rig.record(3, strTypeComboTemp, "Lab", "22", 4);
    rig.load();
}

QString twoDecimals(double v) {
    return QString::number(v, 'f', 2);
}

} // namespace

class TestPolling : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { rt::Clock::reset(); }

    // A day of polling of a temperature, a humidity and a combined sensor on the one-minute
    // interval, with the log files rolling over: every reading reaches the summary row, the
    // alert checks, the highs and lows and, line for line, the log files.
    void dayOfPolling() {
        SensorRig rig;
        rt::Clock::setNow(kStart);
        rt::Clock::setSpeed(2500); // leaves a busy machine room for every minute tick
        rig.record(1, strTypeTemperature, "Freezer", "1", 3);
        rig.record(2, strTypeHumidity, "Cellar", "1", 4);
        rig.record(3, strTypeComboHumid, "Lab", "22", 5);
        rig.record(4, strTypeComboTemp, "Lab", "22", 5);
        rig.load();
        lMaxFileSize = 16000;

        Answers temp, humid, comboT, comboH;
        serve(rig.hub->add(3), "Corvisent/T", [&](const QByteArray& c) {
            const double v = dayValue(temp.given.size());
            return c == "tf"
                       ? temp.next(twoDecimals(v), QByteArray::number(v, 'f', 2).rightJustified(6, '0') + "F")
                       : "";
        });
        serve(rig.hub->add(4), "Corvisent/H", [&](const QByteArray& c) {
            const double v = dayValue(humid.given.size() + 7);
            return c == "h" ? humid.next(QString::number(v), QByteArray::number(v, 'f', 2) + "%") : "";
        });
        serve(rig.hub->add(5), "Corvisent/H", [&](const QByteArray& c) {
            const double t = dayValue(comboT.given.size() + 3), h = dayValue(comboH.given.size() + 11) - 20;
            if (c == "tf") return comboT.next(twoDecimals(t), QByteArray::number(t, 'f', 2) + "F");
            return c == "h" ? comboH.next(QString::number(h), QByteArray::number(h, 'f', 2) + "%")
                            : QByteArray();
        });
        // The ticks of each row's reading timer, counted.
        QObject counting;
        std::array<qsizetype, 4> ticks{};
        for (int row : {1, 2, 3})
            QObject::connect(M().Timer1[row], &rt::Timer::tick, &counting, [&ticks, row] { ++ticks[row]; });
        for (int row : {1, 2, 3})
            finish(S().cmdConnectSensor_Click(row));
        QCOMPARE(iPortOpen[0], 4);
        // A day of readings: the connect's and 1440 minute ticks' worth. A busy machine lets ticks
        // go by, so it takes longer on the program clock, not fewer readings.
        const auto day = [&] {
            for (const Answers* a : {&temp, &humid, &comboT, &comboH})
                if (a->given.size() <= 1440) return false;
            return true;
        };
        QVERIFY(rt::WaitUntil(day, 7 * 24 * 3600 * 1000));
        // A sensor's answer is counted when it is given; the program takes it in a moment later.
        // With the ticks stopped, every reading under way is over before the counts are compared.
        for (int row : {1, 2, 3})
            M().Timer1[row]->setEnabled(false);
        for (int row : {1, 2, 3})
            QVERIFY(rt::WaitUntil([row] { return !RowIsBusy(row); }, 60000));

        // One reading at the connect and at most one a tick.
        QVERIFY(temp.given.size() <= ticks[1] + 1 && humid.given.size() <= ticks[2] + 1);
        QVERIFY(comboT.given.size() <= ticks[3] + 1);
        QCOMPARE(comboT.given.size(), comboH.given.size());
        QVERIFY(rig.logFiles().size() > 8); // every log rolled over at least once

        // The alert checks saw every reading, the combined humidity half before its temperature.
        const QStringList calls = alertCallLog();
        QCOMPARE(calls.filter(QRegularExpression("^CheckTThresh\\(.*, 1, 1, 1, 0\\)$")).size(),
                 temp.given.size());
        QCOMPARE(calls.filter(QRegularExpression("^CheckHThresh\\(.*, 2, 2, 1, 0\\)$")).size(),
                 humid.given.size());
        const int firstCombo = calls.indexOf(QRegularExpression("^CheckHThresh\\(.*, 2, 3, 2, 1\\)$"));
        QVERIFY(firstCombo >= 0);
        QCOMPARE(calls[firstCombo + 1], QString("CheckTThresh(%1, 1, 3, 2, 1)").arg(comboT.given[0].second));

        // Highs and lows of each slot over the whole day.
        auto extremes = [](const Answers& a) {
            double lo = 1e9, hi = -1e9;
            for (const auto& g : a.given)
                lo = std::min(lo, g.second.toDouble()), hi = std::max(hi, g.second.toDouble());
            return std::pair{hi, lo};
        };
        QCOMPARE(rt::Val(M().lblTLowest[1]->text()), extremes(temp).second);
        QCOMPARE(rt::Val(M().lblHHighest[1]->text()), extremes(humid).first);
        QCOMPARE(rt::Val(M().lblTHighest[2]->text()), extremes(comboT).first);

        // Taken back, every log file is closed with all its lines.
        for (int row : {1, 2, 3})
            finish(S().cmdConnectSensor_Click(row));
        QCOMPARE(iPortOpen[0], 0);
        compareLog(wholeLog(rig, "Freezer", ".txt"), temp, "F");
        compareLog(wholeLog(rig, "Cellar", ".txt"), humid, "%");
        compareLog(wholeLog(rig, "Lab - Humidity", "_Humid.txt"), comboH, "%");
        compareLog(wholeLog(rig, "Lab - Temperature", "_Temp.txt"), comboT, "F");
    }

    // Minute mode with five minutes reads at connect, then every fifth tick; seconds mode reads
    // at every tick, also when the interval is longer than a minute.
    void minuteModeReadsEveryFifthTickSecondsModeEveryTick() {
        for (const bool minutes : {true, false}) {
            SensorRig rig;
            rt::Clock::setNow(kStart);
            rt::Clock::setSpeed(300);
            S().cmbMinOrSecs->setCurrentIndex(minutes ? 0 : 1);
            S().txtReadingInterval->setText(minutes ? "5" : "77"); // 77 seconds tick every 65.45 s
            rig.record(1, strTypeTemperature, "Freezer", "1", 3);
            rig.load();
            Answers temp;
            serve(rig.hub->add(3), "Corvisent/T",
                  [&](const QByteArray&) { return temp.next("70", "070.00F"); });
            finish(S().cmdConnectSensor_Click(1));
            QCOMPARE(temp.given.size(), 1);
            QCOMPARE(M().Timer1[1]->interval(), minutes ? 60000 : 65450);
            ReadingTicks ticks(1, minutes ? 24 : 4, [&] { return int(temp.given.size()); });
            QVERIFY(rt::WaitUntil([&] { return ticks.done(); }, 100 * 60000));
            QCOMPARE(ticks.readingTicks(), minutes ? QList<int>({5, 10, 15, 20}) : QList<int>({1, 2, 3, 4}));
        }
    }

    // Ten failed reads: one message, then the row is taken back with its timer, port, log file,
    // latches and highs and lows; the reading keeps its colour. A silent sensor is given up once.
    void tenFailedReadsDisconnect() {
        SensorRig rig;
        rt::Clock::setNow(kStart);
        rt::Clock::setSpeed(100); // a reply's two-second bound stays well above a busy machine's delays
        rig.record(1, strTypeTemperature, "Freezer", "2", 3);
        rig.load();
        QByteArray answer = "068.00F";
        FakeSerialPort& dev = rig.hub->add(3);
        serve(dev, "Corvisent/T", [&](const QByteArray&) { return answer; });
        finish(S().cmdConnectSensor_Click(1));
        bTempMailSent[1] = bTempScreenShown[1] = true;
        rt::setForeColor(M().lblSensorReading[1], rt::vbRed);
        const QString logFile = RowOf(1).logPath;
        answer = "Sensor Error";
        dev.clearWrites();
        runUntil(rt::Clock::now().addSecs(90));

        QCOMPARE(rig.boxes->prompts(),
                 QStringList{"Sensor not responding after 10 tries.  Disconnecting sensor."});
        QVERIFY(!rig.boxes->shown().last().waits); // the other sensors are not held up by it
        QCOMPARE(dev.commands().size(), 10);
        QVERIFY(!M().Timer1[1]->enabled() && !dev.isOpen() && !rt::Files::isOpen(1));
        QVERIFY(!bTempMailSent[1] && !bTempScreenShown[1]);
        QCOMPARE(iPortOpen[1] + iPortOpen[0], 0);
        QCOMPARE(rowState(1), QString("Connect|Sensor Error|OFF|reddot.gif"));
        QCOMPARE(rt::foreColor(M().lblSensorReading[1]), rt::vbRed);
        QCOMPARE(readingLines(logFile, "Freezer").size(), 1);

        // Connected again, the first reading sets both the highest and the lowest.
        answer = "068.00F";
        rig.boxes->clear();
        finish(S().cmdConnectSensor_Click(1));
        QCOMPARE(M().lblTHighest[2]->text() + "/" + M().lblTLowest[2]->text(), QString("68/68"));
        QCOMPARE(rig.logFiles().size(), 2);

        // A sensor that goes silent is given up by the read itself: one message, no retries after.
        answer.clear();
        dev.clearWrites();
        runUntil(rt::Clock::now().addSecs(150));
        QCOMPARE(rig.boxes->prompts(),
                 QStringList{"StandardRead: Sensor not responding after 10 queries.  Disconnecting sensor."});
        QCOMPARE(dev.commands().size(), 10);
        QVERIFY(!dev.isOpen());
    }

    // What a tick does with odd readings: a retried success is shown and checked, a negative
    // first reading sets both extremes, a combined half without a reading shows "NA" and is
    // neither checked, logged nor ranked, and the polling goes on; with alerts off only "OK".
    void oddReadingsAreShownAndThePollingGoesOn() {
        SensorRig rig;
        temperatureAndCombined(rig);
        int tempQueries = 0;
        serve(rig.hub->add(3), "Corvisent/T", [&](const QByteArray&) -> QByteArray {
            return ++tempQueries == 1 ? "Sensor Error" : "-03.50F";
        });
        bool humidError = true;
        serve(rig.hub->add(4), "Corvisent/H", [&](const QByteArray& c) -> QByteArray {
            return c == "tf" ? "71.6F" : humidError ? "Sensor Error" : "45.2%";
        });
        finish(S().cmdConnectSensor_Click(1));
        QCOMPARE(M().lblSensorReading[1]->text(), QString("-3.5"));
        QCOMPARE(alertCallLog(), QStringList{"CheckTThresh(-3.5, 1, 1, 1, 0)"});
        QCOMPARE(M().lblTHighest[1]->text() + "/" + M().lblTLowest[1]->text(), QString("-3.5/-3.5"));

        alertCallLog().clear();
        finish(S().cmdConnectSensor_Click(2));
        QCOMPARE(M().lblSensorReading[2]->text(), QString("NA"));
        QCOMPARE(alertCallLog(), QStringList{"CheckTThresh(71.6, 1, 2, 2, 1)"});
        QCOMPARE(M().lblHHighest[2]->text(), QString("0"));
        QCOMPARE(readingLines(RowOf(2).logPath, "Lab - Humidity").size(), 0);
        QCOMPARE(readingLines(RowOf(3).logPath, "Lab - Temperature").size(), 1);
        QVERIFY(M().Timer1[2]->enabled());

        humidError = false;
        rt::setValue(S().chkLocalMonitoring, 1);
        alertCallLog().clear();
        finish(M().Timer1_Timer(2));
        QCOMPARE(M().lblSensorReading[2]->text(), QString("45.2"));
        QVERIFY(alertCallLog().isEmpty());
        QCOMPARE(M().lblSensorStatus[2]->text(), QString("OK"));
        QCOMPARE(M().lblHHighest[2]->text(), QString("45.2"));
    }

    // A reply that holds no number ("Invalid request") is no reading: a single sensor is asked
    // again as after no reply, a combined half shows "NA"; neither is shown, logged, ranked or
    // checked as 0.
    void replyWithoutNumberIsNoReading() {
        SensorRig rig;
        temperatureAndCombined(rig);
        int tempQueries = 0;
        serve(rig.hub->add(3), "Corvisent/T", [&](const QByteArray&) -> QByteArray {
            return ++tempQueries == 1 ? "Invalid request" : "071.60F";
        });
        serve(rig.hub->add(4), "Corvisent/H",
              [&](const QByteArray& c) -> QByteArray { return c == "tf" ? "Invalid request" : "45.2%"; });
        finish(S().cmdConnectSensor_Click(1));
        QCOMPARE(tempQueries, 2);
        QCOMPARE(M().lblSensorReading[1]->text(), QString("71.6"));
        QCOMPARE(alertCallLog(), QStringList{"CheckTThresh(71.6, 1, 1, 1, 0)"});
        QCOMPARE(M().lblTLowest[1]->text(), QString("71.6"));
        const QList<LogLine> logged = readingLines(RowOf(1).logPath, "Freezer");
        QCOMPARE(logged.size(), 1);
        QCOMPARE(logged[0].value, QString("71.60F"));

        alertCallLog().clear();
        finish(S().cmdConnectSensor_Click(2));
        QCOMPARE(M().lblSensorReading[3]->text(), QString("NA"));
        QCOMPARE(M().lblSensorReading[2]->text(), QString("45.2"));
        QCOMPARE(alertCallLog(), QStringList{"CheckHThresh(45.2, 2, 2, 2, 1)"});
        QCOMPARE(readingLines(RowOf(3).logPath, "Lab - Temperature").size(), 0);
        QVERIFY(M().Timer1[2]->enabled());
    }

    // A question put to the person while row 1 waits for its reading's reply (the exit question
    // here) holds no row: while the box stands, its own loop running the program as a box's
    // does, row 1's reply is taken and both rows are read at every tick of theirs.
    void aQuestionOverAReadingHoldsNoRow() {
        SensorRig rig;
        rt::Clock::setNow(kStart);
        rt::Clock::setSpeed(100);
        rig.record(1, strTypeTemperature, "Freezer", "1", 3);
        rig.record(2, strTypeTemperature, "Cellar", "2", 4);
        rig.load();
        Answers first, second;
        serve(rig.hub->add(3), "Corvisent/T", [&](const QByteArray&) {
            if (first.given.size() != 1) return first.next("70", "070.00F");
            // The first tick's query: the question comes while its reply is awaited.
            QTimer::singleShot(0, [] { M().Exit_Click(); });
            return first.next("71", "071.00F");
        });
        serve(rig.hub->add(4), "Corvisent/T",
              [&](const QByteArray&) { return second.next("60", "060.00F"); });
        finish(S().cmdConnectSensor_Click(1));
        finish(S().cmdConnectSensor_Click(2));

        QList<int> firstRead, secondRead; // ticks of each row that read it while the box stood
        QString highestWhileOpen;
        ScriptedBoxes question([&](const rt::ShownBox& box) -> std::optional<QVariant> {
            ReadingTicks firstTicks(1, 2, [&] { return int(first.given.size()); });
            ReadingTicks secondTicks(2, 2, [&] { return int(second.given.size()); });
            rt::WaitUntil([&] { return firstTicks.done() && secondTicks.done(); }, 10 * 60000);
            firstRead = firstTicks.readingTicks();
            secondRead = secondTicks.readingTicks();
            highestWhileOpen = M().lblTHighest[1]->text();
            return box.prompt == "Are you sure you want to exit?" ? QVariant(int(rt::vbNo)) : QVariant();
        });
        QVERIFY(rt::WaitUntil([&] { return !question.shown().isEmpty(); }, 10 * 60000));
        QCOMPARE(question.prompts(), QStringList{"Are you sure you want to exit?"});
        QCOMPARE(highestWhileOpen, QString("71")); // the reading the question came over
        QCOMPARE(firstRead, QList<int>({1, 2}));
        QCOMPARE(secondRead, QList<int>({1, 2}));
    }
};

QTEST_MAIN(TestPolling)
#include "tst_polling.moc"
