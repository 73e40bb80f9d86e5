#include <QDir>
#include <QMap>
#include <QProcess>
#include <QSlider>
#include <QTemporaryDir>

#include "app/CorvisentMain.h"
#include "publish/publishrig.h"
#include "publish/updateengine.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"
#include "support/ftpserver.h"

namespace {

const QString kPassword = QStringLiteral("day&night pw");
const QDateTime kMidnight(QDate(2009, 3, 7), QTime(0, 0));

void showRow(int row, const QString& type, const QString& name, const QString& status, const QString& reading,
             const QString& unit) {
    auto& m = CorvisentMain::instance();
    rt::setVisible(m.lblSensor1[row], true);
    rt::setCaption(formSensorSetup::instance().lblDeviceType[row], type);
    rt::setCaption(m.lblSensor1[row], name);
    rt::setCaption(m.lblSensorStatus[row], status);
    rt::setCaption(m.lblSensorReading[row], reading);
    rt::setCaption(m.lblMeasure[row], unit);
    rt::setCaption(formSensorSetup::instance().lblSubIndex[row], QStringLiteral("1"));
    modSupport::RegisterRow(row, modSupport::TypeCodeOfName(type), 1);
}

// What the main window shows at a minute of the day, as the status file records it: each
// update publishes readings of its own.
QStringList readingsAt(int minute) {
    return {QStringLiteral("Server room"), QStringLiteral("%1.5F").arg(60 + minute % 25), QStringLiteral("Cellar"),
            QStringLiteral("%1%").arg(30 + minute % 40), QStringLiteral("Basement"), QStringLiteral("Dry")};
}
void showReadingsAt(int minute) {
    for (int row = 4; row <= 10; ++row) rt::setVisible(CorvisentMain::instance().lblSensor1[row], false);
    const QStringList r = readingsAt(minute);
    showRow(1, "Corvisent/T (Temperature)", r[0], "OK", r[1].chopped(1), "F");
    showRow(2, "Corvisent/H (Humidity)", r[2], minute % 7 ? "OK" : "NOT OK", r[3].chopped(1), "%");
    showRow(3, "Corvisent/W (Water)", r[4], "OK", r[5], "");
}

// The footer of a status file written at that minute: "Updated: 3/7/2009 @ 09:30 AM".
QString updatedAt(int minute) {
    const QDateTime t = kMidnight.addSecs(60 * minute);
    const int h = t.time().hour() % 12 == 0 ? 12 : t.time().hour() % 12;
    return QStringLiteral("Updated: %1 @ %2:%3 %4")
        .arg(t.date().toString("M/d/yyyy"))
        .arg(h, 2, 10, QChar('0'))
        .arg(t.time().minute(), 2, 10, QChar('0'))
        .arg(t.time().hour() < 12 ? "AM" : "PM");
}

// The page a browser shows for a published status file: the stylesheet its instruction names
// is looked up beside it.
QString render(const QString& xmlFile) {
    QProcess p;
    p.start("xsltproc", {xmlFile});
    p.waitForFinished(30000);
    if (p.exitCode() != 0) return "xsltproc failed: " + QString::fromLocal8Bit(p.readAllStandardError());
    return QString::fromLatin1(p.readAllStandardOutput());
}

int stores(TestFtpServer& server) {
    return int(server.log().filter(" STOR ").filter("completed=1").size());
}
int logins(TestFtpServer& server) {
    return int(server.log().filter("USER 'corvisent' logged in.").size());
}

} // namespace

// A day of the publisher's schedule against a real FTP server: the user's three steps, then a
// tick every program minute for 24 hours. The clock runs fast, so the fixed pauses pass quickly;
// the test gives the ticks itself, one per minute of the day, with the clock's date-time set to
// that minute.
class TestPublishDay : public QObject {
    Q_OBJECT

private slots:
    void init() { rt::Clock::setSpeed(20); }
    void cleanup() { PublishRig::stopSchedule(); }

    void aDayOfUpdates_data() {
        QTest::addColumn<bool>("stay");
        QTest::addColumn<int>("interval");
        QTest::newRow("do not stay connected, every 30 minutes") << false << 30;
        QTest::newRow("stay connected, every 15 minutes") << true << 15;
    }
    void aDayOfUpdates() {
        QFETCH(bool, stay);
        QFETCH(int, interval);
        TestFtpServer server("corvisent", kPassword);
        QVERIFY(server.running());
        QDir().mkpath(server.path("corvisent"));
        PublishRig rig(server.address(), kPassword);
        auto& w = W();
        PublishRig::useConnectionMode(stay);
        w.sliderInternetUpdateInterval->setValue(interval);
        w.timerInternetUpdate->setInterval(0); // the test gives the minutes
        rt::Clock::setNow(kMidnight);
        showReadingsAt(0);

        // Login and test transfer judge the server within a few seconds: at a gentler pace.
        rt::Clock::setSpeed(4);
        finish(w.cmdLoginFTP_Click());
        PublishRig::settle();
        finish(w.cmdTestTransfer_Click());
        rt::Clock::setSpeed(20);
        QVERIFY(w.cmdStartUpdate->isEnabled());
        QCOMPARE(readWholeFile(server.path("corvisent/cvman.xsl")), readWholeFile(rig.env.appDir() + "/cvman.xsl"));
        finish(w.cmdStartUpdate_Click());
        PublishRig::settle();

        int updates = 0;
        QMap<int, int> minuteOfFile; // file number -> minute of the update that wrote it last
        for (int minute = 0; minute <= 24 * 60; ++minute) {
            if (minute > 0) {
                rt::Clock::setNow(kMidnight.addSecs(60 * minute));
                showReadingsAt(minute);
                finish(w.timerInternetUpdate_Timer());
                PublishRig::settle();
            }
            if (minute % interval != 0) continue;
            // Due: the status file of this minute, its page and the index page are on the server
            // as written, besides the stylesheet.
            ++updates;
            const int k = (updates - 1) % 10;
            minuteOfFile[k] = minute;
            const QString name = QStringLiteral("cvman%1.xml").arg(k);
            QTRY_COMPARE(stores(server), 1 + 3 * updates);
            const QByteArray xml = readWholeFile(server.path("corvisent/" + name));
            QCOMPARE(xml, readWholeFile(rig.env.appDir() + "/" + name));
            QVERIFY2(xml.contains(updatedAt(minute).toLatin1()), qPrintable(updatedAt(minute)));
            QVERIFY(xml.contains("<current>" + readingsAt(minute)[1].toLatin1() + "</current>"));
            const QByteArray index = readWholeFile(server.path("corvisent/index.html"));
            QCOMPARE(index, readWholeFile(rig.env.appDir() + "/index.html"));
            QVERIFY(index.contains(QStringLiteral("(Latest) Corvisent File %1").arg(k + 1).toLatin1()));
            QCOMPARE(w.iUpdateMinutes, 1);
        }
        QCOMPARE(updates, 1 + 24 * 60 / interval);
        QCOMPARE(stores(server), 1 + 3 * updates); // nothing was sent between the updates
        // One session all day, or one login per update (the first uses the login before Start).
        QCOMPARE(logins(server), stay ? 1 : updates);
        QCOMPARE(rt::caption(w.cmdStartUpdate), QString("3) Stop FTP Update"));
        QCOMPARE(CorvisentMain::instance().windowTitle(), QString("Corvisent Manager (Internet update in progress)"));
        QVERIFY(!PublishRig::entries().join('\n').contains(kPassword));

        // The published folder renders: each of the ten files, through the uploaded stylesheet,
        // shows every reading of its update.
        QCOMPARE(minuteOfFile.size(), 10);
        for (auto it = minuteOfFile.cbegin(); it != minuteOfFile.cend(); ++it) {
            const QString page = render(server.path(QStringLiteral("corvisent/cvman%1.xml").arg(it.key())));
            for (const QString& text : readingsAt(it.value()) + QStringList{updatedAt(it.value())})
                QVERIFY2(page.contains(text), qPrintable(QStringLiteral("file %1: %2").arg(it.key()).arg(text)));
            QCOMPARE(page.count("<tr>"), 4); // the heading and three sensors
        }
    }

    void localFolderRendersWithoutTheServer() {
        TestFtpServer server("corvisent", kPassword);
        QVERIFY(server.running());
        PublishRig rig(server.address(), kPassword);
        QTemporaryDir site;
        auto& w = W();
        rt::setValue(w.chkXMLUseDirectory, 1);
        w.txtXMLDirectory->setText(site.path());
        w.sliderInternetUpdateInterval->setValue(2);
        w.timerInternetUpdate->setInterval(0);
        rt::Clock::setNow(kMidnight);
        showReadingsAt(0);
        finish(StartInternetUpdateEngine());
        for (int minute = 1; minute <= 4; ++minute) {
            rt::Clock::setNow(kMidnight.addSecs(60 * minute));
            showReadingsAt(minute);
            finish(w.timerInternetUpdate_Timer());
        }
        // Three updates into the folder: status files, the index page and the stylesheet.
        QCOMPARE(QDir(site.path()).entryList(QDir::Files),
                 QStringList({"cvman.xsl", "cvman0.html", "cvman0.xml", "cvman1.html", "cvman1.xml", "cvman2.html",
                              "cvman2.xml", "index.html"}));
        QCOMPARE(readWholeFile(site.filePath("index.html")), readWholeFile(rig.env.appDir() + "/index.html"));
        const QString page = render(site.filePath("cvman2.xml"));
        for (const QString& text : readingsAt(4) + QStringList{updatedAt(4)}) QVERIFY2(page.contains(text), qPrintable(text));
        // The server never heard from the program.
        QVERIFY(server.log().filter("session opened").isEmpty());
        rt::setValue(w.chkXMLUseDirectory, 0);
    }
};

QTEST_MAIN(TestPublishDay)
#include "tst_publishday.moc"
