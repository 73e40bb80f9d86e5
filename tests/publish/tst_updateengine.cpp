#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <QDir>
#include <QSlider>
#include <QTemporaryDir>

#include "app/CorvisentMain.h"
#include "publish/publishrig.h"
#include "publish/updateengine.h"
#include "runtime/appdir.h"
#include "sensors/sensorrig.h"
#include "settings/modPrefs.h"
#include "support/fakeinet.h"
#include "support/wait.h"

namespace {

const QString kPassword = QStringLiteral("secret");
const QString kStop = QStringLiteral("3) Stop FTP Update");
const QString kStart = QStringLiteral("3) Start FTP Update");
const QString kBusyCaption = QStringLiteral("Corvisent Manager (Internet update in progress)");

QString autoStart() {
    return modPrefs::GetPref(modPrefs::kInternetSetup, QStringLiteral("AutoStartIUE"), QStringLiteral("?"));
}

// The window against a fake server holding the remote directory.
struct EngineRig : PublishRig {
    FakeFtpServer ftp;
    EngineRig() : PublishRig("ftp.example.com", kPassword) {
        ftp.setLogin("corvisent", kPassword);
        ftp.addDir("/corvisent");
        W().sliderInternetUpdateInterval->setValue(5);
        CorvisentMain::instance().setWindowTitle("Corvisent Manager");
    }
    ~EngineRig() {
        if (rt::caption(W().cmdStartUpdate) == kStop) finish(W().cmdStartUpdate_Click());
        W().Inet1->Cancel();
    }
    void login() {
        finish(W().cmdLoginFTP_Click());
        settle();
    }
    // Status files and index pages sent since the last look.
    QStringList sent() {
        QStringList out;
        for (const QString& r : ftp.requests())
            if (r.startsWith("SEND /corvisent ")) out << r.mid(16);
        ftp.clearRequests();
        return out;
    }
    static void ticks(int n) {
        for (int i = 0; i < n; ++i) {
            finish(W().timerInternetUpdate_Timer());
            settle();
        }
    }
};

// A 64 KiB disk for one test, mounted where only this process sees it; mounted() is false where
// that is not allowed (it needs root).
class SmallDisk {
public:
    SmallDisk() {
        m_mounted = m_dir.isValid() && ::unshare(CLONE_NEWNS) == 0 &&
                    ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                    ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallDisk() {
        if (m_mounted) ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    // Takes every byte left.
    void fill() {
        const int fd = ::open(QFile::encodeName(m_dir.filePath("filler")).constData(), O_WRONLY | O_CREAT, 0600);
        const QByteArray block(4096, 'x');
        while (fd >= 0 && ::write(fd, block.constData(), block.size()) > 0) {}
        if (fd >= 0) ::close(fd);
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

// The "(Latest)" line of the index page in the program folder.
QByteArray latestLine(const QString& appDir) {
    for (const QByteArray& line : readWholeFile(appDir + "/index.html").split('\n'))
        if (line.contains("(Latest)")) return line;
    return {};
}

// A stylesheet whose one template calls itself twice, 32 deep: well within libxslt's depth limit,
// and never done.
const QByteArray kEndlessSheet =
    "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
    "<xsl:template match=\"/\"><xsl:call-template name=\"t\"><xsl:with-param name=\"n\" "
    "select=\"32\"/></xsl:call-template></xsl:template>"
    "<xsl:template name=\"t\"><xsl:param name=\"n\"/><xsl:if test=\"$n &gt; 0\">"
    "<xsl:call-template name=\"t\"><xsl:with-param name=\"n\" select=\"$n - 1\"/></xsl:call-template>"
    "<xsl:call-template name=\"t\"><xsl:with-param name=\"n\" select=\"$n - 1\"/></xsl:call-template>"
    "</xsl:if></xsl:template></xsl:stylesheet>";
// A stylesheet that doubles a text 40 times.
const QByteArray kDoublingSheet =
    "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
    "<xsl:template match=\"/\"><p><xsl:call-template name=\"d\"><xsl:with-param name=\"s\" select=\"'x'\"/>"
    "<xsl:with-param name=\"n\" select=\"40\"/></xsl:call-template></p></xsl:template>"
    "<xsl:template name=\"d\"><xsl:param name=\"s\"/><xsl:param name=\"n\"/><xsl:choose>"
    "<xsl:when test=\"$n &gt; 0\"><xsl:call-template name=\"d\"><xsl:with-param name=\"s\" "
    "select=\"concat($s, $s)\"/>"
    "<xsl:with-param name=\"n\" select=\"$n - 1\"/></xsl:call-template></xsl:when>"
    "<xsl:otherwise><xsl:value-of select=\"string-length($s)\"/></xsl:otherwise></xsl:choose></xsl:template>"
    "</xsl:stylesheet>";

} // namespace

// The publisher's schedule against a fake FTP server: when updates run, what they send, and
// the Start, Stop and Cancel buttons.
class TestUpdateEngine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        FakeFtpServer first; // the window's transfer control is made while a fake stands in
        W();
    }
    void init() { rt::Clock::setSpeed(200); }
    void cleanup() { rt::Clock::reset(); }

    void startPublishesAtOnceThenEveryNthTick() {
        EngineRig rig;
        rt::setOptionValue(W().optStayConnected, true);
        rig.login();
        rig.ftp.clearRequests();
        W().cmdStartUpdate->setEnabled(true);
        finish(W().cmdStartUpdate_Click());
        QCOMPARE(rig.sent(), QStringList({"cvman0.xml", "cvman0.html", "index.html"}));
        QCOMPARE(rig.ftp.file("/corvisent/cvman0.xml"), readWholeFile(rig.env.appDir() + "/cvman0.xml"));
        QCOMPARE(rig.ftp.file("/corvisent/cvman0.html"), readWholeFile(rig.env.appDir() + "/cvman0.html"));
        QCOMPARE(rig.ftp.file("/corvisent/index.html"), readWholeFile(rig.env.appDir() + "/index.html"));
        QCOMPARE(rt::caption(W().cmdStartUpdate), kStop);
        QCOMPARE(rt::caption(W().lblUpdating), QString("On"));
        QCOMPARE(CorvisentMain::instance().windowTitle(), kBusyCaption);
        QCOMPARE(autoStart(), QString("1"));
        QVERIFY(W().timerInternetUpdate->enabled() && !W().bUpdateNow && W().iUpdateMinutes == 1);
        QVERIFY(PublishRig::entries().contains(" BuildXML: Updating file 0"));

        // Interval 5: the 5th and 10th ticks publish, the files rotating; another window's
        // caption is put right by the next tick.
        QStringList sent;
        for (int tick = 1; tick <= 12; ++tick) {
            if (tick == 7) CorvisentMain::instance().setWindowTitle("Corvisent Manager");
            EngineRig::ticks(1);
            if (!rig.ftp.requests().isEmpty()) sent << QString::number(tick) + ":" + rig.sent().join(',');
        }
        QCOMPARE(sent, QStringList({"5:cvman1.xml,cvman1.html,index.html", "10:cvman2.xml,cvman2.html,index.html"}));
        QCOMPARE(CorvisentMain::instance().windowTitle(), kBusyCaption);
        QCOMPARE(W().iUpdateMinutes, 3);
        // A slider move restarts the count: the new interval runs from there.
        W().iUpdateMinutes = 4;
        W().sliderInternetUpdateInterval->setValue(2);
        QCOMPARE(W().iUpdateMinutes, 1);
        EngineRig::ticks(1);
        QCOMPARE(rig.sent(), QStringList());
        EngineRig::ticks(1);
        QCOMPARE(rig.sent(), QStringList({"cvman3.xml", "cvman3.html", "index.html"}));
        // A count found past the interval is due at once.
        W().iUpdateMinutes = 5;
        EngineRig::ticks(1);
        QCOMPARE(rig.sent(), QStringList({"cvman4.xml", "cvman4.html", "index.html"}));

        // Cancel stops the tick only; Stop then brings everything back.
        W().cmdCancelInet_Click();
        QVERIFY(!W().timerInternetUpdate->enabled());
        QCOMPARE(rt::caption(W().cmdStartUpdate), kStop);
        QCOMPARE(rt::caption(W().lblUpdating), QString("On"));
        QCOMPARE(autoStart(), QString("1"));
        W().bUpdateNow = W().bBuildTimeout = true;
        W().timerBuildXMLTimeout->setEnabled(true);
        finish(W().cmdStartUpdate_Click());
        QCOMPARE(rt::caption(W().cmdStartUpdate), kStart);
        QCOMPARE(rt::caption(W().lblUpdating), QString("Off"));
        QCOMPARE(CorvisentMain::instance().windowTitle(), QString("Corvisent Manager"));
        QCOMPARE(autoStart(), QString("0"));
        QVERIFY(!W().bUpdateNow && !W().bBuildTimeout && !W().timerBuildXMLTimeout->enabled());
        QVERIFY(!W().timerInternetUpdate->enabled());
        // Any other caption: the button does nothing.
        rt::setCaption(W().cmdStartUpdate, "busy");
        finish(W().cmdStartUpdate_Click());
        QVERIFY(!W().timerInternetUpdate->enabled() && autoStart() == "0");
        rt::setCaption(W().cmdStartUpdate, kStart);
    }

    // A minute tick that comes while Start's update waits for the server starts no second update.
    void tickDuringStartsUpdateSendsNothingMore() {
        EngineRig rig;
        rt::setOptionValue(W().optStayConnected, true);
        rig.login();
        rig.ftp.clearRequests();
        rig.ftp.setManual(true); // the update's first request is held until the tick has come
        QTimer::singleShot(0, [&] {
            W().timerInternetUpdate_Timer();
            rig.ftp.setManual(false);
            rig.ftp.finish({platform::icResponseCompleted, 0, "200 NOOP ok.", "200 NOOP ok."});
        });
        finish(W().cmdStartUpdate_Click());
        QCOMPARE(rig.sent(), QStringList({"cvman0.xml", "cvman0.html", "index.html"}));
        QVERIFY(!W().bUpdateNow && W().iUpdateMinutes == 1);
    }

    void theTimerDrivesTheSchedule() {
        EngineRig rig;
        rt::setOptionValue(W().optStayConnected, true);
        W().sliderInternetUpdateInterval->setValue(2);
        rig.login();
        rig.ftp.clearRequests();
        // Minutes of 1.2 real seconds: each update, its page rendered apart, ends well within one.
        rt::Clock::setSpeed(50);
        finish(W().cmdStartUpdate_Click());
        // The update at Start, then one on every second tick of the timer: a tick that starts one
        // lists it before its handler returns.
        QStringList perTick{"update"};
        const auto updates = [] { return int(PublishRig::entries().count(" <<Update Timer>>")); };
        int seen = updates();
        const auto tick = QObject::connect(W().timerInternetUpdate, &rt::Timer::tick, [&] {
            perTick << (updates() > seen ? "update" : "");
            seen = updates();
        });
        QVERIFY(rt::WaitUntil([&] { return perTick.size() > 10; }, 60 * 60000));
        QObject::disconnect(tick);
        QStringList sent, expected;
        for (int k = 0; k <= 5; ++k)
            expected << QString("cvman%1.xml").arg(k) << QString("cvman%1.html").arg(k) << "index.html";
        QVERIFY(rt::WaitUntil([&] { return (sent += rig.sent()).size() >= expected.size(); }, 60 * 60000));
        QCOMPARE(sent, expected);
        QCOMPARE(perTick.mid(0, 11), QStringList({"update", "", "update", "", "update", "", "update", "",
                                                  "update", "", "update"}));
    }

    void notStayingConnectedLogsInBeforeEachUpdate() {
        EngineRig rig;
        rig.login();
        rig.ftp.clearRequests();
        finish(W().cmdStartUpdate_Click());
        // The first update uses the login made before Start, once the server shows it still
        // holds it, and ends the session after the index page as every update does.
        QCOMPARE(rig.ftp.requests(), QStringList({"NOOP /corvisent", "SEND /corvisent cvman0.xml",
                                                  "SEND /corvisent cvman0.html", "SEND /corvisent index.html",
                                                  "QUIT"}));
        rig.ftp.clearRequests();
        // Later ones log in first and end the session after the index page.
        EngineRig::ticks(5);
        QCOMPARE(rig.ftp.requests(), QStringList({"CD /corvisent", "LS /corvisent", "SEND /corvisent cvman1.xml",
                                                  "SEND /corvisent cvman1.html", "SEND /corvisent index.html",
                                                  "QUIT"}));
        QVERIFY(!W().bLoggedIn);
        QCOMPARE(rt::caption(W().cmdStartUpdate), kStop);
        QVERIFY(W().timerInternetUpdate->enabled());
        QVERIFY(!PublishRig::entries().join('|').contains(kPassword));
    }

    void busyControlIsCutOffBeforeTheStatusUpload() {
        EngineRig rig;
        rt::setOptionValue(W().optStayConnected, true);
        rig.login();
        rig.ftp.setManual(true);
        W().Inet1->Execute(QString(), "LS ");
        W().bUpdateNow = true;
        W().listFtpMessages->clear();
        // The wait is bounded: the request left unanswered is cut off, and its session with it, so
        // the update sends nothing more.
        rig.ftp.clearRequests();
        finish(W().timerInternetUpdate_Timer());
        const QStringList e = PublishRig::entries();
        QCOMPARE(e.mid(1, 3), QStringList({" BuildXML: TimeOut", " bLoggedIn = False", " Not sending update"}));
        QVERIFY(rig.ftp.requests().isEmpty());
        QVERIFY(!W().bBuildTimeout && !W().timerBuildXMLTimeout->enabled());
        W().Inet1->Cancel();
    }

    void fullMessageListIsEmptiedFirst() {
        EngineRig rig;
        rt::setOptionValue(W().optStayConnected, true);
        rig.login();
        W().bUpdateNow = true;
        W().listFtpMessages->clear();
        for (int i = 0; i < 2000; ++i) W().listFtpMessages->addItem("old");
        finish(W().timerInternetUpdate_Timer());
        QCOMPARE(PublishRig::entries().value(0), QString(" <<Update Timer>>"));
        QVERIFY(!PublishRig::entries().contains("old"));
    }

    void localFolderGetsTheFilesWithoutAnyTransfer() {
        EngineRig rig;
        QTemporaryDir site;
        rt::setValue(W().chkXMLUseDirectory, 1);
        W().txtXMLDirectory->setText(site.path());
        finish(StartInternetUpdateEngine());
        QVERIFY(rig.ftp.requests().isEmpty() && rig.ftp.logins() == 0);
        QCOMPARE(readWholeFile(site.filePath("cvman.xsl")), readWholeFile(CORVISENT_ASSETS_DIR "/cvman.xsl"));
        QCOMPARE(readWholeFile(site.filePath("index.html")), readWholeFile(rig.env.appDir() + "/index.html"));
        QVERIFY(readWholeFile(site.filePath("cvman0.xml")).contains("<corvisent>"));
        QVERIFY(readWholeFile(site.filePath("cvman0.html")).contains("<table>"));
        // Links that work from the folder, to the pages that are there.
        QVERIFY(readWholeFile(site.filePath("index.html")).contains("<A HREF=\"cvman0.html\">(Latest) Corvisent File 1 ("));
        QVERIFY(!readWholeFile(site.filePath("index.html")).contains("cvman1."));
        QCOMPARE(PublishRig::entries(), QStringList({"Copying over XSL file...", " <<Update Timer>>",
                                                     " BuildXML: Updating local file 0"}));
        QCOMPARE(rt::caption(W().cmdStartUpdate), kStop);
        EngineRig::ticks(5);
        QVERIFY(QFile::exists(site.filePath("cvman1.xml")) && rig.ftp.requests().isEmpty());

        // A stylesheet copied onto itself stays; a missing folder is logged and nothing breaks.
        finish(W().cmdStartUpdate_Click());
        W().txtXMLDirectory->setText(rig.env.appDir());
        finish(W().cmdStartUpdate_Click());
        QCOMPARE(readWholeFile(rig.env.appDir() + "/cvman.xsl"), readWholeFile(CORVISENT_ASSETS_DIR "/cvman.xsl"));
        W().txtXMLDirectory->setText(site.filePath("gone/away"));
        W().listFtpMessages->clear();
        EngineRig::ticks(5);
        QVERIFY(PublishRig::entries().join('|').contains(" BuildXML: Could not write"));
        QVERIFY(!QFile::exists(site.filePath("gone/away/index.html")));
        QVERIFY(rig.ftp.requests().isEmpty());
        rt::setValue(W().chkXMLUseDirectory, 0);
    }

    // A disk that fills up: every file stays as it was, and the failure is listed.
    void fullDiskKeepsThePreviousFiles() {
        EngineRig rig;
        QTemporaryDir site;
        rt::setValue(W().chkXMLUseDirectory, 1);
        W().txtXMLDirectory->setText(site.path());
        finish(W().cmdStartUpdate_Click());
        const QByteArray index = readWholeFile(site.filePath("index.html"));
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{}, full{};
        getrlimit(RLIMIT_FSIZE, &limit);
        full = limit;
        full.rlim_cur = 200; // no file grows past 200 bytes: writes fail as on a full disk
        setrlimit(RLIMIT_FSIZE, &full);
        EngineRig::ticks(5);
        setrlimit(RLIMIT_FSIZE, &limit);
        QCOMPARE(QDir(site.path()).entryList(QDir::Files),
                 QStringList({"cvman.xsl", "cvman0.html", "cvman0.xml", "index.html"}));
        QCOMPARE(readWholeFile(site.filePath("index.html")), index);
        QVERIFY(PublishRig::entries().join('|').contains(" BuildXML: Could not write"));
        rt::setValue(W().chkXMLUseDirectory, 0);
    }

    // The status folder's disk is full while the program folder has room: the index page and
    // the stylesheet copied there keep their contents, and each failure is listed by name.
    void fullStatusDiskKeepsTheIndexAndStylesheet() {
        EngineRig rig;
        SmallDisk disk;
        if (!disk.mounted()) QSKIP("a small disk cannot be mounted here");
        rt::setValue(W().chkXMLUseDirectory, 1);
        W().txtXMLDirectory->setText(disk.path());
        finish(W().cmdStartUpdate_Click());
        finish(W().cmdStartUpdate_Click());
        const QString index = JoinPath(disk.path(), "index.html"), xsl = JoinPath(disk.path(), "cvman.xsl");
        const QByteArray indexBefore = readWholeFile(index), xslBefore = readWholeFile(xsl);
        QVERIFY(indexBefore.contains("Corvisent File 1") && !xslBefore.isEmpty());
        disk.fill();
        W().listFtpMessages->clear();
        finish(W().cmdStartUpdate_Click());
        QCOMPARE(readWholeFile(index), indexBefore);
        QCOMPARE(readWholeFile(xsl), xslBefore);
        const QStringList e = PublishRig::entries();
        QVERIFY2(e.contains(" Could not write " + index) && e.contains(" Could not write " + xsl), qPrintable(e.join('|')));
        rt::setValue(W().chkXMLUseDirectory, 0);
    }

    // A status file that cannot be written is not announced as updated, and the index page still
    // names the one before it "(Latest)", with the time that one was written.
    void failedStatusWriteLeavesTheLatestAndItsTime() {
        EngineRig rig;
        QTemporaryDir site;
        rt::setValue(W().chkXMLUseDirectory, 1);
        W().txtXMLDirectory->setText(site.path());
        rt::Clock::setNow(QDateTime(QDate(2009, 3, 7), QTime(9, 30)));
        finish(W().cmdStartUpdate_Click());
        const QByteArray latest = latestLine(rig.env.appDir());
        QVERIFY(latest.contains(">(Latest) Corvisent File 1 (3/7/2009 @ 9:3"));
        QDir(site.path()).mkdir("cvman1.xml"); // a folder in the way of the next status file
        rt::Clock::setNow(QDateTime(QDate(2009, 3, 7), QTime(9, 35)));
        W().listFtpMessages->clear();
        EngineRig::ticks(5);
        const QStringList e = PublishRig::entries();
        QVERIFY(e.join('|').contains(" BuildXML: Could not write"));
        QCOMPARE(e.filter("Updating local file"), QStringList());
        QCOMPARE(latestLine(rig.env.appDir()), latest);
        rt::setValue(W().chkXMLUseDirectory, 0);
    }

    // A stylesheet that cannot render the page: the failure is listed, the status file is still
    // published, and the index names the one before it "(Latest)" as long as that page is the newest.
    void damagedStylesheetStillPublishesTheStatusFile() {
        EngineRig rig;
        QTemporaryDir site;
        rt::setValue(W().chkXMLUseDirectory, 1);
        W().txtXMLDirectory->setText(site.path());
        finish(W().cmdStartUpdate_Click());
        const QByteArray latest = latestLine(rig.env.appDir());
        QVERIFY(latest.contains("cvman0.html"));
        QVERIFY(writeWholeFile(rig.env.appDir() + "/cvman.xsl", "<xsl:stylesheet version=\"1.0\" xmlns:xsl="));
        W().listFtpMessages->clear();
        EngineRig::ticks(5);
        const QStringList e = PublishRig::entries();
        QVERIFY2(e.filter(" BuildXML: Could not write " + site.filePath("cvman1.html") + " (").size() == 1,
                 qPrintable(e.join('|')));
        QVERIFY(e.contains(" BuildXML: Updating local file 1"));
        QVERIFY(readWholeFile(site.filePath("cvman1.xml")).contains("</corvisent>"));
        QVERIFY(!QFile::exists(site.filePath("cvman1.html")));
        QCOMPARE(latestLine(rig.env.appDir()), latest);
        rt::setValue(W().chkXMLUseDirectory, 0);
    }

    // A stylesheet that never ends its page, or whose page outgrows any memory: the render is
    // stopped, the page not written and its failure listed with the reason; the status file is
    // published, and a sensor is read at every tick meanwhile.
    void runawayStylesheetIsStopped_data() {
        QTest::addColumn<QByteArray>("sheet");
        QTest::addColumn<QString>("reason");
        QTest::newRow("endless") << kEndlessSheet << "the stylesheet took too long";
        QTest::newRow("doubling") << kDoublingSheet << "the stylesheet needed too much memory";
    }
    void runawayStylesheetIsStopped() {
        QFETCH(QByteArray, sheet);
        QFETCH(QString, reason);
        EngineRig rig;
        QTemporaryDir site;
        SensorRig sensors;
        rt::Clock::setSpeed(100);
        S().cmbMinOrSecs->setCurrentIndex(1);
        S().txtReadingInterval->setText("2"); // a tick every 1700 ms
        sensors.record(1, modSupport::strTypeTemperature, "Freezer", "1", 3);
        sensors.load();
        int reads = 0;
        serve(sensors.hub->add(3), "Corvisent/T", [&](const QByteArray&) {
            ++reads;
            return QByteArray("070.00F");
        });
        S().cmdConnectSensor_Click(1);
        QVERIFY(writeWholeFile(rt::appFile("cvman.xsl"), sheet));
        rt::setValue(W().chkXMLUseDirectory, 1);
        W().txtXMLDirectory->setText(site.path());
        const QString updated = " BuildXML: Updating local file 0";
        int ticksDuringRender = 0;
        const auto during = QObject::connect(M().Timer1[1], &rt::Timer::tick, [&] {
            if (!PublishRig::entries().contains(updated)) ++ticksDuringRender;
        });
        ReadingTicks ticks(1, 6, [&] { return reads; });
        finish(W().cmdStartUpdate_Click(), 24 * 60 * 60000); // the render's bounds are real seconds
        QVERIFY(rt::WaitUntil([&] { return ticks.done() && QFile::exists(IndexHtmlPath()); }, 60 * 60000));
        QObject::disconnect(during);
        // A reading in every tick, give or take one that a busy machine made the reading overrun.
        QVERIFY2(ticks.readingTicks().size() >= 5, qPrintable(ticks.readingEvery()));
        QVERIFY(ticksDuringRender >= 1);
        const QStringList e = PublishRig::entries();
        const QString page = site.filePath("cvman0.html");
        QVERIFY2(e.contains(" BuildXML: Could not write " + page + " (" + reason + ")"),
                 qPrintable(e.join('|')));
        QVERIFY(e.contains(updated));
        QVERIFY(readWholeFile(site.filePath("cvman0.xml")).contains("</corvisent>"));
        QVERIFY(!QFile::exists(page));
        rt::setValue(W().chkXMLUseDirectory, 0);
    }

    // A folder holding a page of the user's own: Start asks before replacing it.
    void foreignIndexIsReplacedOnlyWhenAllowed() {
        EngineRig rig;
        QTemporaryDir site;
        writeWholeFile(site.filePath("index.html"), "<html>mine</html>");
        rt::setValue(W().chkXMLUseDirectory, 1);
        W().txtXMLDirectory->setText(site.path());
        rig.boxes.queue(rt::vbNo);
        finish(W().cmdStartUpdate_Click());
        QCOMPARE(rt::caption(W().cmdStartUpdate), kStart);
        QCOMPARE(readWholeFile(site.filePath("index.html")), QByteArray("<html>mine</html>"));
        rig.boxes.queue(rt::vbYes);
        finish(W().cmdStartUpdate_Click());
        QVERIFY(readWholeFile(site.filePath("index.html")).contains("Corvisent File 1"));
        QCOMPARE(rig.boxes.prompts().size(), 2);
        rt::setValue(W().chkXMLUseDirectory, 0);
    }
};

QTEST_MAIN(TestUpdateEngine)
#include "tst_updateengine.moc"
