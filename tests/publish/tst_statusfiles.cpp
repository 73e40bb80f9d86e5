#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QTest>

#include "app/CorvisentMain.h"
#include "publish/formInternetSetup.h"
#include "publish/statusfiles.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"
#include "support/finish.h"
#include "support/testenv.h"

namespace {

CorvisentMain& M() {
    return CorvisentMain::instance();
}
formInternetSetup& W() {
    return formInternetSetup::instance();
}

void showRow(int row, const QString& type, const QString& name, const QString& status, const QString& reading,
             const QString& unit, const QString& slot) {
    rt::setVisible(M().lblSensor1[row], true);
    rt::setCaption(formSensorSetup::instance().lblDeviceType[row], type);
    rt::setCaption(M().lblSensor1[row], name);
    rt::setCaption(M().lblSensorStatus[row], status);
    rt::setCaption(M().lblSensorReading[row], reading);
    rt::setCaption(M().lblMeasure[row], unit);
    rt::setCaption(formSensorSetup::instance().lblSubIndex[row], slot);
    // A combined sensor's slot has two figures, the temperature slot first.
    if (slot.size() == 2)
        modSupport::RegisterRow(row, modSupport::typeCombo, slot.mid(1).toInt(), slot.left(1).toInt());
    else
        modSupport::RegisterRow(row, modSupport::TypeCodeOfName(type), slot.toInt());
}

void setExtreme(QLabel* label, const QString& value, const QString& note) {
    rt::setCaption(label, value);
    label->setToolTip(note);
}

QByteArray crlf(const QStringList& lines) {
    return lines.join("\r\n").toLatin1() + "\r\n";
}

QString run(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    if (out) *out = p.readAllStandardOutput();
    return p.exitCode() == 0 ? QString() : QString::fromLocal8Bit(p.readAllStandardError());
}

} // namespace

// The status files and the index page, written from the main window's rows.
class TestStatusFiles : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnv> env;

private slots:
    void init() {
        env = std::make_unique<TestEnv>();
        QFile::copy(CORVISENT_ASSETS_DIR "/cvman.xsl", env->appDir() + "/cvman.xsl");
        rt::Clock::setNow(QDateTime(QDate(2009, 3, 7), QTime(16, 8, 2)));
        for (int row = 1; row <= 10; ++row) rt::setVisible(M().lblSensor1[row], false);
        rt::setValue(W().chkXMLUseDirectory, 0);
        W().txtTitleforUpdatePage->setText("Location#1");
        W().txtInterval->setText("10");
        W().txtRemoteStorageLocation->setText("corvisent");
        rt::setCaption(W().lblIndexRefreshRate, "20");
        W().listFtpMessages->clear();
        iXMLIndex = iXMLPublished = -1;
    }
    void cleanup() {
        rt::Clock::reset();
        env.reset();
    }

    void shownRowsWrittenExactly() {
        W().txtTitleforUpdatePage->setText("Lab <3> & \"Küche\"");
        showRow(1, "Corvisent/T (Temperature)", "Server room", "OK", "72.5", "F", "1");
        setExtreme(M().lblTHighest[1], "75.1", "3/7/2009 @ 04:08:02PM");
        setExtreme(M().lblTLowest[1], "70", "");
        showRow(2, "Corvisent/P (Proximity)", QString("Door\x01") + QChar(0xFFFE), "", "", "", "1");
        showRow(4, "Combo Sensor (Humidity)", "Cellar ☃ <b>", "NOT OK", "55", "%", "12");
        setExtreme(M().lblHHighest[2], "60", "3/6/2009 @ 11:00:00AM");
        setExtreme(M().lblHLowest[2], "41", "3/6/2009 @ 01:00:00AM");
        showRow(5, "Combo Sensor (Temperature)", "Cellar", "OK", "OFF", "F", "12");
        showRow(6, "Corvisent/W (Water)", "Basement", "OK", "", "", "1");
        // Row 3 is hidden: rows after it are still published.
        QVERIFY(finish(BuildXMLFile()));
        QCOMPARE(iXMLIndex, 0);
        QCOMPARE(XmlFilePath(0), env->appDir() + "/cvman0.xml");
        QCOMPARE(readWholeFile(XmlFilePath(0)),
                 crlf({"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>",
                       "<?xml-stylesheet type=\"text/xsl\" href=\"cvman.xsl\"?>", "<corvisent>", "<title>",
                       "<TxtTitle>Lab &lt;3&gt; &amp; \"Küche\"</TxtTitle>", "</title>",
                       "<sensor>", "<type>Corvisent/T (Temperature)</type>", "<name>Server room</name>",
                       "<status>OK</status>", "<current>72.5F</current>",
                       "<high>75.1 (3/7/2009 @ 04:08:02PM)</high>", "<low>70 ()</low>", "</sensor>",
                       "<sensor>", "<type>Corvisent/P (Proximity)</type>", "<name>Door??</name>",
                       "<status></status>", "<current>Not Present</current>", "</sensor>",
                       "<sensor>", "<type>Combo Sensor (Humidity)</type>",
                       "<name>Cellar &#9731; &lt;b&gt;</name>", "<status>NOT OK</status>",
                       "<current>55%</current>", "<high>60 (3/6/2009 @ 11:00:00AM)</high>",
                       "<low>41 (3/6/2009 @ 01:00:00AM)</low>", "</sensor>",
                       "<sensor>", "<type>Combo Sensor (Temperature)</type>", "<name>Cellar</name>",
                       "<status>OK</status>", "<current>OFFF</current>", "<high>-</high>", "<low>-</low>",
                       "</sensor>",
                       "<sensor>", "<type>Corvisent/W (Water)</type>", "<name>Basement</name>",
                       "<status>OK</status>", "<current>n/a</current>", "</sensor>",
                       "<sensor>", "<type> </type>", "<name> </name>", "<status> </status>",
                       "<current> </current>", "</sensor>",
                       "<sensor>", "<type>Updated: 3/7/2009 @ 04:08 PM</type>",
                       "<name>(Updated every 10 minutes)</name>", "<status> </status>",
                       "<current> </current>", "</sensor>", "</corvisent>"}));

        // Well-formed, and the shipped stylesheet shows every name, reading, status and time.
        QCOMPARE(run("xmllint", {"--noout", XmlFilePath(0)}), QString());
        QByteArray page;
        QCOMPARE(run("xsltproc", {CORVISENT_ASSETS_DIR "/cvman.xsl", XmlFilePath(0)}, &page), QString());
        const QString html = QString::fromLatin1(page);
        for (const char* text :
             {"Lab &lt;3&gt; &amp; \"Küche\"", "Server room", "72.5F", "75.1", "3/7/2009 @ 04:08:02PM",
              "Not Present", "Cellar &#9731; &lt;b&gt;", "NOT OK", "55%", "60", "41", "3/6/2009 @ 01:00:00AM",
              "OFFF", "n/a", "Basement", "Corvisent/W (Water)", "Updated: 3/7/2009 @ 04:08 PM",
              "(Updated every 10 minutes)"})
            QVERIFY2(html.contains(QString::fromUtf8(text)), text);
        QCOMPARE(html.count("<tr>"), 6); // heading and five sensors; the blank record is left out
        // The page beside it is that rendering.
        QCOMPARE(HtmlFilePath(0), env->appDir() + "/cvman0.html");
        QCOMPARE(readWholeFile(HtmlFilePath(0)), page);
        QVERIFY(StatusPageWritten());
    }

    void noRowsAndRotation() {
        for (int k = 0; k <= 9; ++k) {
            QVERIFY(finish(BuildXMLFile()));
            QCOMPARE(iXMLIndex, k);
        }
        QVERIFY(finish(BuildXMLFile()));
        QCOMPARE(iXMLIndex, 0);
        const QByteArray empty = readWholeFile(XmlFilePath(0));
        QVERIFY(empty.contains("</title>\r\n<sensor>\r\n<type> </type>"));
        QCOMPARE(empty.count("<sensor>"), 2);
        for (int k = 0; k <= 9; ++k) QVERIFY(QFile::exists(env->appDir() + QString("/cvman%1.xml").arg(k)));
        QByteArray page;
        QCOMPARE(run("xsltproc", {CORVISENT_ASSETS_DIR "/cvman.xsl", XmlFilePath(0)}, &page), QString());
        QVERIFY(page.contains("No sensors are configured."));
    }

    void localDirectoryAndFailedWrite() {
        rt::setValue(W().chkXMLUseDirectory, 1);
        // An empty box: the program's own folder, made now.
        QTemporaryDir data;
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        W().txtXMLDirectory->setText("");
        QVERIFY(finish(BuildXMLFile()));
        qputenv("XDG_DATA_HOME", oldData);
        QCOMPARE(W().txtXMLDirectory->text(), data.path() + "/corvisent-manager/status");
        QVERIFY(QFile::exists(data.filePath("corvisent-manager/status/cvman0.xml")));

        // A directory that cannot be written: logged, and reported so the file is not published.
        W().txtXMLDirectory->setText("C:\\");
        QVERIFY(!finish(BuildXMLFile()));
        QCOMPARE(iXMLIndex, 1);
        QCOMPARE(W().listFtpMessages->count(), 1);
        QVERIFY(W().listFtpMessages->item(0)->text().startsWith("4:08:02 PM BuildXML: Could not write C:\\cvman1.xml"));

        // The message list is emptied once it holds its limit.
        for (int i = W().listFtpMessages->count(); i < 2000; ++i) W().AddFtpMessage("x");
        QVERIFY(!finish(BuildXMLFile()));
        QCOMPARE(W().listFtpMessages->count(), 1);
    }

    void indexPageListsTenFilesLatestFirst() {
        QVERIFY(finish(BuildXMLFile())); // file 1, published at once
        MarkPublished();
        W().txtRemoteStorageLocation->setText("web <dir> \"x\"&y");
        rt::setCaption(W().lblIndexRefreshRate, "5");
        QVERIFY(BuildIndexHtml());
        QStringList lines{"<!-- This file was automatically generated by the Corvisent Manager -->",
                          "<!-- By Pellvane Systems -->", "<html><head><title>Corvisent Web</title></head>",
                          "<meta http-equiv=\"refresh\" content=\"5\">",
                          "<BR><H1><CENTER>Corvisent Web</H1><H3>Remote Monitoring History Index Page</H3>"};
        const QString href = "<A HREF=\"/web%20&lt;dir&gt;%20&quot;x&quot;&amp;y/cvman%1.html\"";
        lines << href.arg(0) + ">(Latest) Corvisent File 1 (3/7/2009 @ 4:08:02 PM)</A><BR>";
        for (int n = 2; n <= 10; ++n) lines << href.arg(n - 1) + QString(">Corvisent File %1</A><BR>").arg(n);
        lines << "<BR><BR>Last updated: 3/7/2009 at 04:08 PM" << "<BR>Internet update interval: Every 10 minutes."
              << "<BR>This page automatically refreshes every 5 seconds." << "<BR><BR><BR></CENTER><HR>"
              << "</html>";
        QCOMPARE(readWholeFile(IndexHtmlPath()), crlf(lines));

        // The tenth file marked latest carries no date; no mark outside 0..9. An empty or absolute
        // directory gives links on this server, not ones starting "//" that name another host.
        W().txtRemoteStorageLocation->setText("/pub//corvisent/");
        QVERIFY(BuildIndexHtml());
        QVERIFY(readWholeFile(IndexHtmlPath())
                    .contains("<A HREF=\"/pub/corvisent/cvman1.html\">Corvisent File 2<"));
        W().txtRemoteStorageLocation->setText("");
        iXMLIndex = iXMLPublished = 9;
        QVERIFY(BuildIndexHtml());
        QByteArray page = readWholeFile(IndexHtmlPath());
        QVERIFY(page.contains("<A HREF=\"/cvman9.html\">(Latest) Corvisent File 10</A><BR>\r\n"));
        QCOMPARE(page.count("(Latest)"), 1);
        iXMLPublished = -1;
        QVERIFY(BuildIndexHtml());
        QVERIFY(!readWholeFile(IndexHtmlPath()).contains("(Latest)"));
    }
};

QTEST_MAIN(TestStatusFiles)
#include "tst_statusfiles.moc"
