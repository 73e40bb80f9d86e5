#include <QtTest>

#include "runtime/clock.h"
#include "settings/modSupport.h"

using modSupport::DateTimeStampOf;

class TestDateTimeStamp : public QObject {
    Q_OBJECT
private slots:
    void stampOfTexts_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("stamp");
        QTest::newRow("one-figure month and day") << "3/7/2009"
                                                  << "4:08:02 PM"
                                                  << "03072009_040802";
        QTest::newRow("two-figure month, one-figure day") << "11/7/2009"
                                                          << "10:15:30 AM"
                                                          << "1172009_101530";
        QTest::newRow("one-figure month, two-figure day") << "3/17/2009"
                                                          << "9:05:00 AM"
                                                          << "03172009_090500";
        QTest::newRow("24-hour time") << "12/5/2009"
                                      << "15:04:09"
                                      << "1252009_150409";
        QTest::newRow("year first") << "2009/3/7"
                                    << "4:08:02 PM"
                                    << "200937_040802";
        QTest::newRow("dashes dropped, no zeros") << "3-7-2009"
                                                  << "4:08:02 PM"
                                                  << "372009_040802";
        QTest::newRow("other separators stay") << "7.3.2009"
                                               << "4:08:02"
                                               << "7.3.2009_040802";
        QTest::newRow("text after a blank ignored") << "3/7/2009 extra"
                                                    << "4:08:02 PM x"
                                                    << "03072009_040802";
    }
    void stampOfTexts() {
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QString, stamp);
        QCOMPARE(DateTimeStampOf(date, time), stamp);
    }

    // The stamp of the program clock uses the fixed month-first date and 12-hour time texts, so
    // morning and afternoon of one day give the same stamp.
    void stampOfClock() {
        rt::Clock::setNow(QDateTime(QDate(2009, 3, 7), QTime(16, 8, 2)));
        QCOMPARE(modSupport::GetDateTimeStamp(), QStringLiteral("03072009_040802"));
        rt::Clock::setNow(QDateTime(QDate(2009, 3, 7), QTime(4, 8, 2)));
        QCOMPARE(modSupport::GetDateTimeStamp(), QStringLiteral("03072009_040802"));
        rt::Clock::setNow(QDateTime(QDate(2009, 11, 17), QTime(0, 0, 1)));
        QCOMPARE(modSupport::GetDateTimeStamp(), QStringLiteral("11172009_120001"));
        rt::Clock::reset();
    }
};

QTEST_MAIN(TestDateTimeStamp)
#include "tst_datetimestamp.moc"
