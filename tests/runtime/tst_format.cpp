#include <QtTest>

#include "runtime/clock.h"
#include "runtime/format.h"

using namespace rt;

class TestFormat : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Clock::reset(); }

    void formsAtTheEdgesOfDayAndYear() {
        // hh:mm:ssAM/PM | mm-dd-yyyy | hh:mm AM/PM | short date | long time
        const QList<std::pair<QDateTime, QString>> cases{
            {{{2009, 3, 7}, {16, 8, 2}}, "04:08:02PM|03-07-2009|04:08 PM|3/7/2009|4:08:02 PM"},
            {{{2009, 1, 1}, {0, 0, 0}}, "12:00:00AM|01-01-2009|12:00 AM|1/1/2009|12:00:00 AM"},
            {{{2009, 6, 15}, {12, 0, 0}}, "12:00:00PM|06-15-2009|12:00 PM|6/15/2009|12:00:00 PM"},
            {{{2010, 12, 31}, {23, 59, 59}}, "11:59:59PM|12-31-2010|11:59 PM|12/31/2010|11:59:59 PM"}};
        for (const auto& [at, expected] : cases)
            QCOMPARE(QStringList(
                         {formatTime12(at), formatDateMDY(at), formatTimeHM(at), shortDate(at), longTime(at)})
                         .join('|'),
                     expected);
        Clock::setNow(QDateTime(QDate(2009, 3, 7), QTime(16, 8, 0))); // the current texts follow the clock
        QVERIFY2(DateText() == "3/7/2009" && TimeText().startsWith("4:08:"),
                 qPrintable(DateText() + TimeText()));
    }
};

QTEST_GUILESS_MAIN(TestFormat)
#include "tst_format.moc"
