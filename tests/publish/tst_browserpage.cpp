#include <QProcess>
#include <QRegularExpression>
#include <QSlider>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>

#include "app/CorvisentMain.h"
#include "publish/publishrig.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"

namespace {

void showTemperature(const QString& name, const QString& reading) {
    auto& m = CorvisentMain::instance();
    for (int row = 2; row <= 10; ++row) rt::setVisible(m.lblSensor1[row], false);
    rt::setVisible(m.lblSensor1[1], true);
    rt::setCaption(formSensorSetup::instance().lblDeviceType[1], "Corvisent/T (Temperature)");
    rt::setCaption(formSensorSetup::instance().lblSubIndex[1], "1");
    modSupport::RegisterRow(1, modSupport::typeTemperature, 1);
    rt::setCaption(m.lblSensor1[1], name);
    rt::setCaption(m.lblSensorStatus[1], "OK");
    rt::setCaption(m.lblSensorReading[1], reading);
    rt::setCaption(m.lblMeasure[1], "F");
}

// A folder served over HTTP on 127.0.0.1, as a web server would publish it.
class HttpFolder {
public:
    explicit HttpFolder(const QString& folder) {
        QTcpServer probe; // a free port, given back for the server to take
        if (!probe.listen(QHostAddress::LocalHost)) return;
        m_port = probe.serverPort();
        probe.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start("/usr/bin/python3", {"-u", "-m", "http.server", QString::number(m_port), "--bind",
                                             "127.0.0.1", "--directory", folder});
        QByteArray said;
        while (!said.contains("Serving HTTP") && m_process.waitForReadyRead(10000)) said += m_process.readAll();
        m_ready = said.contains("Serving HTTP");
    }
    ~HttpFolder() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    bool ready() const { return m_ready; }
    QString url(const QString& name) const { return QStringLiteral("http://127.0.0.1:%1/%2").arg(m_port).arg(name); }

private:
    QProcess m_process;
    quint16 m_port = 0;
    bool m_ready = false;
};

// The document headless Chromium builds for url, with XSLT switched off as browsers are doing.
QString browserDom(const QString& url) {
    QTemporaryDir profile;
    QProcess chromium;
    chromium.start("chromium", {"--headless=new", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                                "--disable-component-update", "--disable-sync", "--no-first-run",
                                "--user-data-dir=" + profile.path(), "--disable-features=XSLT", "--dump-dom", url});
    if (!chromium.waitForFinished(60000)) {
        chromium.kill();
        chromium.waitForFinished(5000);
        return QStringLiteral("chromium did not finish");
    }
    return QString::fromUtf8(chromium.readAllStandardOutput());
}

} // namespace

// The published status as a person opens it: the index page and the newest status page in a
// browser without XSLT.
class TestBrowserPage : public QObject {
    Q_OBJECT

private slots:
    void latestStatusPageShowsInBrowserWithoutXslt() {
        if (QStandardPaths::findExecutable("chromium").isEmpty()) QSKIP("chromium is not installed");
        PublishRig rig("ftp.example.com", "pw");
        QTemporaryDir site;
        rt::setValue(W().chkXMLUseDirectory, 1);
        W().txtXMLDirectory->setText(site.path());
        W().sliderInternetUpdateInterval->setValue(2);
        W().timerInternetUpdate->setInterval(0); // the test gives the minutes
        rt::Clock::setSpeed(50);
        const QString name = QStringLiteral("Kühlraum <2> & Łódź");
        showTemperature(name, "70.5");
        finish(W().cmdStartUpdate_Click());
        showTemperature(name, "73.25");
        finish(W().timerInternetUpdate_Timer());
        finish(W().timerInternetUpdate_Timer());
        PublishRig::stopSchedule();
        rt::setValue(W().chkXMLUseDirectory, 0);

        HttpFolder http(site.path());
        QVERIFY(http.ready());
        const QString index = browserDom(http.url("index.html"));
        const auto latest = QRegularExpression("<a href=\"([^\"]+)\">\\(Latest\\) Corvisent File 2 \\(").match(index);
        QVERIFY2(latest.hasMatch(), qPrintable(index));
        QCOMPARE(latest.captured(1), QString("cvman1.html"));

        const QString page = browserDom(http.url(latest.captured(1)));
        QVERIFY2(page.contains("<td>Kühlraum &lt;2&gt; &amp; Łódź</td>"), qPrintable(page));
        QVERIFY(page.contains("<td>73.25F</td>"));
        QVERIFY(!page.contains("cannot be formatted"));
    }
};

QTEST_MAIN(TestBrowserPage)
#include "tst_browserpage.moc"
