#include "sensors/events.h"
#include "sensors/readinglogs.h"
#include "sensors/sensorrig.h"
#include "support/wait.h"

using namespace modSupport;

namespace {

const QDateTime kSat4pm(QDate(2009, 3, 7), QTime(16, 8, 2));

// A connected-looking row: its slot, unit and name, logging switched on, its port open when a
// port is given, and a log file started the way connect starts it.
void prepareRow(SensorRig& rig, int row, const QString& slot, const QString& unit, QLabel* name,
                const QString& nameText, platform::MSCommControl* port = nullptr, int com = 0) {
    LoadGuard quiet;
    S().lblSubIndex[row]->setText(slot);
    // A combined sensor's slot has two figures, the temperature slot first.
    if (slot.size() == 2)
        RegisterRow(row, typeCombo, slot.mid(1).toInt(), slot.left(1).toInt());
    else
        RegisterRow(row, typeEmpty, slot.toInt());
    rt::setCaption(M().lblMeasure[row], unit);
    if (name) rt::setCaption(name, nameText);
    rt::setValue(S().chkTabLogging[row], 1);
    rt::setValue(S().chkFileLogging[row], 1);
    if (port) {
        port->setCommPort(com);
        port->setPortOpen(true);
    }
    const QString path = NewLogFilePaths(rig.logs.path(), GetDateTimeStamp(), {".txt"}).first();
    modSupport::SetLogPath(row, path);
    StartLogFile(row, path, nameText);
}

// The lines of a file that ends every line with CR LF (a stray LF would show as a joined line).
QList<QByteArray> linesOf(const QString& path) {
    QByteArray all = readWholeFile(path);
    if (!all.endsWith("\r\n")) return {"<no CR LF at the end>"};
    all.chop(2);
    return all.split('\r').size() == all.split('\n').size() ? all.replace("\r\n", "\n").split('\n')
                                                            : QList<QByteArray>{"<bare CR or LF>"};
}

QString topLine(QPlainTextEdit* box) {
    return box->toPlainText().section('\n', 0, 0);
}

} // namespace

class TestReadingLogs : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { rt::Clock::reset(); }

    // Line forms of each polled kind on screen and in the file, byte for byte.
    void lineFormsOfEachKind() {
        SensorRig rig;
        rig.hub->add(3);
        rig.hub->add(4);
        rig.hub->add(5);
        rt::Clock::setNow(kSat4pm);
        prepareRow(rig, 1, "2", "F", M().lblTempDeviceName[2], "Freezer", M().MSComm[1], 3);
        prepareRow(rig, 2, "1", "%", M().lblHumidDeviceName[1], "Cellar");
        prepareRow(rig, 3, "1", "", M().lblAccelDeviceName[1], "Shelf", M().MSCommA[3], 4);
        prepareRow(rig, 4, "3", "", M().lblDistanceDeviceName[3], "Door", M().MSCommD[4], 5);
        const QString tempFile = RowOf(1).logPath;
        rt::Clock::setNow(kSat4pm.addSecs(60));
        for (const char* v : {"72", "72.25", "-3"})
            FileTabLogging(v, 1, typeTemperature, QString());
        FileTabLogging("45.2", 2, typeHumidity, QString());
        FileTabLogging("1.25 / -0.5", 3, typeAccel, QString());
        FileTabLogging("45", 4, typeDistance, QString());
        FileTabLogging("99", 5, typeWater, QString()); // not a logged kind: nothing happens

        QCOMPARE(readWholeFile(tempFile),
                 QByteArray("Freezer\r\nLog file started: 3/7/2009,4:08:02 PM\r\n\r\n"
                            "03-07-2009,04:09:02PM,72.00F\r\n"
                            "03-07-2009,04:09:02PM,72.25F\r\n"
                            "03-07-2009,04:09:02PM,-3.00F\r\n"));
        QCOMPARE(linesOf(RowOf(2).logPath).at(3), QByteArray("03-07-2009,04:09:02PM,45.2%"));
        QCOMPARE(linesOf(RowOf(3).logPath).at(3), QByteArray("03-07-2009,04:09:02PM: 1.25 / -0.5"));
        QCOMPARE(linesOf(RowOf(4).logPath).at(3), QByteArray("03-07-2009,04:09:02PM,45"));

        QCOMPARE(M().txtTempInData[2]->toPlainText(),
                 QStringLiteral("04:09:02PM - -3.00F\n04:09:02PM - 72.25F\n04:09:02PM - 72.00F\n"));
        QCOMPARE(topLine(M().txtHumidInData[1]), QStringLiteral("04:09:02PM - 45.2%"));
        QCOMPARE(topLine(M().txtAccelData[1]), QStringLiteral("04:09:02PM: 1.25 / -0.5"));
        QCOMPARE(topLine(M().txtDistanceData[3]), QStringLiteral("04:09:02PM - 45"));

        // Temperature, accelerometer and distance lines reach the file only while the port is
        // open; the screen line is written all the same.
        M().MSComm[1]->setPortOpen(false);
        const QByteArray before = readWholeFile(tempFile);
        FileTabLogging("70", 1, typeTemperature, QString());
        QCOMPARE(readWholeFile(tempFile), before);
        QCOMPARE(topLine(M().txtTempInData[2]), QStringLiteral("04:09:02PM - 70.00F"));
    }

    // The humidity half goes to the row's file and the second figure's slot, the temperature
    // half to the next row's file and the first figure's slot; ", " only while the files stay open.
    void combinedPairInBothFileModes() {
        for (int perLine = 0; perLine <= 1; ++perLine) {
            SensorRig rig;
            rt::Clock::setNow(kSat4pm);
            prepareRow(rig, 5, "31", "%", M().lblHumidDeviceName[1], "Lab");
            prepareRow(rig, 6, "", "C", M().lblTempDeviceName[3], "Lab");
            rt::setValue(S().chkCloseFileAfterWrite, perLine);
            if (perLine) {
                rt::Files::close(5);
                rt::Files::close(6);
            }
            FileTabLogging("45.2", 5, typeCombo, "21.5");
            FileTabLogging("", 5, typeCombo, "22"); // no humidity this time
            QCOMPARE(rt::Files::isOpen(6), !perLine);
            const QByteArray sep = perLine ? "," : ", ";
            QCOMPARE(linesOf(RowOf(5).logPath).mid(3), QList<QByteArray>{"03-07-2009,04:08:02PM,45.2%"});
            QCOMPARE(linesOf(RowOf(6).logPath).mid(3),
                     (QList<QByteArray>{"03-07-2009,04:08:02PM" + sep + "21.50C",
                                        "03-07-2009,04:08:02PM" + sep + "22.00C"}));
            QCOMPARE(M().txtHumidInData[1]->toPlainText(), QStringLiteral("04:08:02PM - 45.2%\n"));
            QCOMPARE(topLine(M().txtTempInData[3]), QStringLiteral("04:08:02PM - 22.00C"));
        }
    }

    // A line that cannot be written (a full disk) is reported once, leaves no file open under the
    // row's number, and logging goes on once writing works again: with files closed after every
    // write and with files kept open, for polled and event-driven kinds.
    void failedWritesAreReportedOnceAndLoggingGoesOn() {
        for (int perLine = 0; perLine <= 1; ++perLine) {
            SensorRig rig;
            prepareRow(rig, 2, "1", "%", M().lblHumidDeviceName[1], "Cellar");
            rt::setValue(S().chkCloseFileAfterWrite, perLine);
            const QString good = RowOf(2).logPath;
            rt::Files::close(2);
            modSupport::SetLogPath(2, "/dev/full");
            if (!perLine) rt::Files::open(2, "/dev/full", rt::Files::Append);
            FileTabLogging("40", 2, typeHumidity, "");
            sensorevents::FileLogLine(2, typeWater, "wet");
            QCOMPARE(rig.boxes->prompts().size(), 1);
            QVERIFY(rig.boxes->prompts().first().startsWith("The log file /dev/full cannot be written"));
            QCOMPARE(rt::Files::isOpen(2), !perLine);

            rt::Files::close(2);
            modSupport::SetLogPath(2, good);
            if (!perLine) rt::Files::open(2, good, rt::Files::Append);
            FileTabLogging("42", 2, typeHumidity, "");
            sensorevents::FileLogLine(2, typeWater, "dry");
            QCOMPARE(rt::Files::isOpen(2), !perLine);
            QList<QByteArray> lines = linesOf(good);
            QVERIFY(lines.size() == 5 && lines.at(3).endsWith(",42%") && lines.at(4) == "dry");
            // A new failure is reported again.
            rt::Files::close(2);
            modSupport::SetLogPath(2, "/dev/full");
            if (!perLine) rt::Files::open(2, "/dev/full", rt::Files::Append);
            FileTabLogging("43", 2, typeHumidity, "");
            QCOMPARE(rig.boxes->prompts().size(), 2);
            rt::Files::close(2);
        }
    }

    // A full box restarts with a date line and loses the reading that found it full.
    void fullTabLogRestarts() {
        SensorRig rig;
        rt::Clock::setNow(kSat4pm);
        prepareRow(rig, 2, "1", "%", M().lblHumidDeviceName[1], "Cellar");
        QStringList many;
        for (int i = 0; i < 1999; ++i)
            many << QString::number(i);
        M().txtHumidInData[1]->setPlainText(many.join('\n'));
        FileTabLogging("40", 2, typeHumidity, QString());
        QCOMPARE(GetLineCount(M().txtHumidInData[1]), 2000L);
        FileTabLogging("41", 2, typeHumidity, QString());
        QCOMPARE(M().txtHumidInData[1]->toPlainText(), QStringLiteral("03-07-2009\n"));
        FileTabLogging("42", 2, typeHumidity, QString());
        QCOMPARE(M().txtHumidInData[1]->toPlainText(), QStringLiteral("04:08:02PM - 42%\n03-07-2009\n"));
        // The file keeps every reading.
        QCOMPARE(linesOf(RowOf(2).logPath).size(), 3 + 3);
    }

    // Past the size limit the log continues in a new file; nothing written is lost and no file
    // is replaced, also when the roll-over falls in the second the file was started.
    void rollOverAtTheSizeLimit() {
        SensorRig rig;
        rig.hub->add(3);
        rt::Clock::setNow(kSat4pm);
        prepareRow(rig, 1, "1", "F", M().lblTempDeviceName[1], "Freezer", M().MSComm[1], 3);
        M().Timer1[1]->setInterval(60000);
        M().Timer1[1]->setEnabled(true);
        const QString first = RowOf(1).logPath;
        const qint64 header = QFileInfo(first).size();
        const qint64 line = QByteArray("03-07-2009,04:08:02PM,70.00F\r\n").size();
        lMaxFileSize = header + 2 * line; // two lines fit, the third is one line over
        for (int i = 0; i < 3; ++i)
            FileTabLogging("70", 1, typeTemperature, QString());
        QCOMPARE(QFileInfo(first).size(), header + 3 * line);
        const QString second = RowOf(1).logPath;
        QCOMPARE(QFileInfo(second).fileName(), QStringLiteral("03072009_040802_1.txt"));
        QCOMPARE(readWholeFile(second),
                 QByteArray("Freezer (Continued)\r\nLog file started: 3/7/2009,4:08:02 PM\r\n\r\n"));
        QVERIFY(M().Timer1[1]->enabled());

        // A file exactly at the limit stays; one byte more rolls it over at the new time.
        lMaxFileSize = QFileInfo(second).size() + line;
        rt::Clock::setNow(kSat4pm.addSecs(3600));
        FileTabLogging("71", 1, typeTemperature, QString());
        QCOMPARE(RowOf(1).logPath, second);
        FileTabLogging("72", 1, typeTemperature, QString());
        QCOMPARE(QFileInfo(RowOf(1).logPath).fileName(), QStringLiteral("03072009_050802.txt"));
        QCOMPARE(rig.logFiles().size(), 3);
    }

    // One byte over the folder limit turns file logging off for every row; the screen log goes on.
    void folderLimitTurnsFileLoggingOffForEveryRow() {
        SensorRig rig;
        rt::Clock::setNow(kSat4pm);
        QVERIFY(writeWholeFile(rig.logs.path() + "/old/archive.txt", QByteArray(1000, 'x')));
        QCOMPARE(GetFolderSize(rig.logs.path()), 1000.0); // subfolders count
        prepareRow
(rig, 2, "1", "%", M().lblHumidDeviceName[1], "Cellar");
        prepareRow(rig, 9, "2", "%", M().lblHumidDeviceName[2], "Attic");
        const qint64 line = QByteArray("03-07-2009,04:08:02PM,40%\r\n").size();
        const double used = GetFolderSize(rig.logs.path());
        // Limit set so that one more line reaches it exactly, and the next goes one byte over.
        S().txtHDDTotalAmount->setText(QString::number((used + line) / 1024.0, 'g', 17));
        FileTabLogging("40", 2, typeHumidity, QString());
        QCOMPARE(rt::value(S().chkFileLogging[2]), 1);
        FileTabLogging
("4", 2, typeHumidity, QString());
        FileTabLogging("41", 2, typeHumidity, QString());
        for (int row = 1; row <= 10; ++row)
            QCOMPARE(rt::value(S().chkFileLogging[row]), 0);
        QCOMPARE(M().windowTitle(),
                 QStringLiteral(" * WARNING * File Logging stopped because it hit the size limit."));
        const QByteArray stopped = readWholeFile(RowOf(2).logPath);
        FileTabLogging("42", 2, typeHumidity, QString());
        QCOMPARE(readWholeFile(RowOf(2).logPath), stopped);
        QCOMPARE(topLine(M().txtHumidInData[1]), QStringLiteral("04:08:02PM - 42%"));
    }

    // A file put into the log folder by something else counts against the limit within a few
    // seconds of program time, though the folder is not walked after every line.
    void folderLimitCountsFilesAddedMeanwhile() {
        SensorRig rig;
        prepareRow(rig, 2, "1", "%", M().lblHumidDeviceName[1], "Cellar");
        S().txtHDDTotalAmount->setText("10");
        FileTabLogging("40", 2, typeHumidity, QString());
        QCOMPARE(rt::value(S().chkFileLogging[2]), 1);
        QVERIFY(writeWholeFile(rig.logs.path() + "/other.txt", QByteArray(10240, 'x')));
        rt::Clock::setSpeed(1000);
        rt::Wait(6000);
        FileTabLogging("41", 2, typeHumidity, QString());
        QCOMPARE(rt::value(S().chkFileLogging[2]), 0);
    }

    // New names never name an existing file; a pair shares one addition; no folder, no file.
    void newNamesNeverReplaceFiles() {
        QTemporaryDir dir;
        QVERIFY(writeWholeFile(dir.path() + "/03072009_040802.txt", "keep"));
        QVERIFY(writeWholeFile(dir.path() + "/03072009_040802_1_Temp.txt", "keep"));
        QCOMPARE(NewLogFilePaths(dir.path(), "03072009_040802", {".txt"}),
                 QStringList{dir.path() + "/03072009_040802_1.txt"});
        QCOMPARE(NewLogFilePaths(dir.path(), "03072009_040802", {"_Humid.txt", "_Temp.txt"}),
                 (QStringList{dir.path() + "/03072009_040802_Humid.txt",
                              dir.path() + "/03072009_040802_Temp.txt"}));
        QVERIFY(writeWholeFile(dir.path() + "/03072009_040802_Humid.txt", "keep"));
        QCOMPARE(NewLogFilePaths(dir.path() + "/", "03072009_040802", {"_Humid.txt", "_Temp.txt"}).first(),
                 dir.path() + "/03072009_040802_2_Humid.txt");
        try {
            NewLogFilePaths(" ", "03072009_040802", {".txt"});
            QFAIL("a log folder must be set");
        } catch (const rt::VbError& e) {
            QCOMPARE(e.number(), 76);
        }
        QCOMPARE(readWholeFile(dir.path() + "/03072009_040802.txt"), QByteArray("keep"));
    }
};

QTEST_MAIN(TestReadingLogs)
#include "tst_readinglogs.moc"
