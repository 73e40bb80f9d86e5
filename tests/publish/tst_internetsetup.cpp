#include <QAction>
#include <QDir>
#include <QFocusEvent>
#include <QGroupBox>
#include <QMenu>
#include <QScrollBar>
#include <QSlider>
#include <QTextEdit>

#include "app/CorvisentMain.h"
#include "app/formHelp.h"
#include "platform/registry.h"
#include "publish/publishrig.h"
#include "settings/modPrefs.h"
#include "settings/modSupport.h"
#include "support/fakeinet.h"

namespace {

QString stored(const QString& key) {
    return platform::GetSetting("Corvisent Manager", "Program Setup\\Internet Setup", key, "<none>");
}

void loseFocus(QWidget* box) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(box, &out);
}

// The window's fields as a fresh program has them before the stored settings are loaded.
void designValues() {
    modSupport::LoadGuard guard; // setting them stores nothing
    auto& w = W();
    for (QLineEdit* box : {w.txtFTPURL, w.txtUserName}) box->clear();
    w.txtPassword->clear();
    w.txtRemoteStorageLocation->setText("corvisent");
    w.txtTitleforUpdatePage->setText("Location#1");
    w.txtXMLDirectory->clear();
    rt::setValue(w.chkSeeMessages, 0);
    rt::setValue(w.chkXMLUseDirectory, 0);
    rt::setOptionValue(w.optConnectBeforeSend, true);
    rt::setCaption(w.lblIndexRefreshRate, "20");
    w.sliderInternetUpdateInterval->setValue(10);
}

} // namespace

// The remote monitoring window: what it stores and reloads, OK and Cancel, its small editors and
// its help texts.
class TestInternetSetup : public QObject {
    Q_OBJECT

private slots:
    // Nothing stored: the password box is empty beside "(Password is not set)", and a login asks
    // for the login information instead of sending a password.
    void noStoredPasswordLeavesTheBoxEmpty() {
        FakeFtpServer ftp; // the window's transfer control is made while a fake stands in
        TestEnv env;
        ScriptedBoxes boxes;
        auto& w = W();
        modPrefs::LoadPrefs();
        QCOMPARE(w.txtPassword->text(), QString());
        QCOMPARE(rt::caption(w.lblPasswordSetStatus), QString("(Password is not set)"));
        w.txtFTPURL->setText("ftp.example.com");
        w.txtUserName->setText("corvisent");
        finish(w.cmdLoginFTP_Click());
        QCOMPARE(boxes.prompts(), QStringList({"You must first fill out the FTP login information."}));
        QVERIFY(ftp.requests().isEmpty());
    }

    void settingsStoredAndReloaded() {
        PublishRig rig("ftp.example.com:2121", "pa ss&word");
        auto& w = W();
        CorvisentMain::instance().mnuInternetUpdate->trigger();
        QVERIFY(w.isVisible());

        w.txtUserName->setText("Corv User");
        w.txtRemoteStorageLocation->setText("pub/status");
        rt::setValue(w.chkSeeMessages, 1);
        rt::setOptionValue(w.optStayConnected, true);
        w.txtTitleforUpdatePage->setText("Plant Room <2>");
        w.txtXMLDirectory->setText(rig.env.appDir() + "/site");
        rt::setCaption(w.lblIndexRefreshRate, "45");
        // The interval is stored by its slider, not by the window's save.
        w.iUpdateMinutes = 4;
        w.sliderInternetUpdateInterval->setValue(7);
        QCOMPARE(w.txtInterval->text(), QString("7"));
        QCOMPARE(w.iUpdateMinutes, 1);
        QCOMPARE(stored("InternetInterval"), QString("7"));
        QCOMPARE(stored("ServerName"), QString("<none>"));
        // A typed interval moves the slider when taken; a "1" or "31" left in the box
        // gives way to the slider.
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        for (const auto& [typed, value] : {std::pair{"5", 5}, {"1", 5}, {"31", 5}, {"30", 30}, {"7", 7}}) {
            w.txtInterval->setFocus();
            w.txtInterval->selectAll();
            QTest::keyClicks(w.txtInterval, typed);
            w.txtUserName->setFocus();
            QCOMPARE(w.sliderInternetUpdateInterval->value(), value);
            QCOMPARE(w.txtInterval->text(), QString::number(value));
        }

        // OK stores and hides; the session's timers live on.
        w.timerInternetUpdate->setEnabled(true);
        w.cmdIntenetOK->click();
        QVERIFY(!w.isVisible() && w.timerInternetUpdate->enabled());
        w.timerInternetUpdate->setEnabled(false);
        const QStringList keys{"ServerName", "UserName", "PW", "RemoteDirectory", "SeeMessages", "optStayConnected",
                               "optConnectBeforeSend", "txtTitleForUpdatePage", "txtXMLDirectory", "UseDirectory",
                               "HtmlRefresh"};
        QStringList values;
        for (const QString& k : keys) values << stored(k);
        QCOMPARE(values, QStringList({"ftp.example.com:2121", "Corv User", "pa ss&word", "pub/status", "1", "True",
                                      "False", "Plant Room <2>", rig.env.appDir() + "/site", "0", "45"}));

        // Cancel hides without storing; a text box stores when it loses the focus.
        w.show();
        w.txtTitleforUpdatePage->setText("Other");
        w.cmdInternetCancel->click();
        QVERIFY(!w.isVisible());
        QCOMPARE(stored("txtTitleForUpdatePage"), QString("Plant Room <2>"));
        w.txtUserName->setText("corvisent2");
        loseFocus(w.txtUserName);
        QCOMPARE(stored("UserName"), QString("corvisent2"));
        QCOMPARE(stored("txtTitleForUpdatePage"), QString("Other"));

        // A fresh start loads every stored value back.
        designValues();
        modPrefs::LoadPrefs();
        QCOMPARE(QStringList({w.txtFTPURL->text(), w.txtUserName->text(), w.txtPassword->text(),
                              w.txtRemoteStorageLocation->text(), w.txtTitleforUpdatePage->text(),
                              w.txtXMLDirectory->text(), w.txtInterval->text(), rt::caption(w.lblIndexRefreshRate),
                              rt::caption(w.lblPasswordSetStatus)}),
                 QStringList({"ftp.example.com:2121", "corvisent2", "pa ss&word", "pub/status", "Other",
                              rig.env.appDir() + "/site", "7", "45", "(Password is set)"}));
        QCOMPARE(w.sliderInternetUpdateInterval->value(), 7);
        QVERIFY(rt::ticked(w.chkSeeMessages) && rt::visible(w.frameFtpMessages));
        QVERIFY(rt::optionValue(w.optStayConnected) && !rt::optionValue(w.optConnectBeforeSend));
        // Loading stores nothing through the handlers it sets off.
        QCOMPARE(stored("InternetInterval"), QString("7"));
        QCOMPARE(w.txtPassword->echoMode(), QLineEdit::Password);
    }

    void passwordAndRefreshEditors() {
        PublishRig rig("ftp.example.com", "old");
        auto& w = W();
        rig.boxes.queue(QVariant());
        w.cmdSetFTPPassword->click();
        QCOMPARE(w.txtPassword->text(), QString("old"));
        rig.boxes.queue(QString(" "));
        w.cmdSetFTPPassword->click();
        QCOMPARE(rig.boxes.prompts(), QStringList({"Please enter a password to log into the FTP server",
                                                   "Please enter a password to log into the FTP server",
                                                   "The password was not set."}));
        QCOMPARE(rt::caption(w.lblPasswordSetStatus), QString("(Password is not set.)"));
        QCOMPARE(stored("PW"), QString("<none>"));
        rig.boxes.queue(QString("n3w pw"));
        w.cmdSetFTPPassword->click();
        QCOMPARE(rt::caption(w.lblPasswordSetStatus), QString("(Password is set.)"));
        QCOMPARE(w.txtPassword->text(), QString("n3w pw"));
        QCOMPARE(stored("pw"), QString("n3w pw"));

        // The menu shows the current rate each time it opens; 5..60 are taken, others leave it.
        rt::setCaption(w.lblIndexRefreshRate, "20");
        QStringList captions;
        for (const char* answer : {"4", "61", "abc", "5", "60", "0x10"}) {
            rig.boxes.queue(QString(answer));
            w.mnuSetIndexRefresh->trigger();
            captions << rt::caption(w.lblIndexRefreshRate);
        }
        QCOMPARE(captions, QStringList({"20", "20", "20", "5", "60", "60"}));
        QCOMPARE(rig.boxes.shown().last().title, QString("Index.html automatic refresh rate"));
        QCOMPARE(rt::caption(w.lblIndexRefreshRate), QString("60"));
        QCOMPARE(stored("HtmlRefresh"), QString("60"));
        emit w.mnuAdvanced->aboutToShow();
        QCOMPARE(w.mnuSetIndexRefresh->text(), QString("Set index.html automatic refresh rate (seconds). (Cur:60)"));
        rig.boxes.queue(QString(" 12 "));
        w.mnuSetIndexRefresh->trigger();
        QCOMPARE(rt::caption(w.lblIndexRefreshRate), QString("12"));
    }

    void localDirectoryOptionAndNewDirectory() {
        PublishRig rig("ftp.example.com", "pw");
        auto& w = W();
        // Publishing locally needs no login or test transfer.
        rt::setValue(w.chkXMLUseDirectory, 1);
        QVERIFY(w.cmdStartUpdate->isEnabled());
        QCOMPARE(stored("UseDirectory"), QString("1"));
        rt::setValue(w.chkXMLUseDirectory, 0);
        QVERIFY(!w.cmdStartUpdate->isEnabled());
        QCOMPARE(stored("UseDirectory"), QString("0"));
        // A running schedule keeps its Stop button.
        PublishRig::scheduleRunning();
        rt::setValue(w.chkXMLUseDirectory, 1);
        rt::setValue(w.chkXMLUseDirectory, 0);
        QVERIFY(w.cmdStartUpdate->isEnabled());
        rt::setCaption(w.cmdStartUpdate, "3) Start FTP Update");
        // While settings load the option only enables the button.
        {
            modSupport::LoadGuard guard;
            rt::setValue(w.chkXMLUseDirectory, 1);
            w.sliderInternetUpdateInterval->setValue(w.sliderInternetUpdateInterval->value() == 3 ? 4 : 3);
        }
        QVERIFY(w.cmdStartUpdate->isEnabled());
        QCOMPARE(stored("UseDirectory"), QString("0"));
        QCOMPARE(stored("InternetInterval"), QString("<none>"));
        rt::setValue(w.chkXMLUseDirectory, 0);

        // A new local directory is made, shown, and switches local publishing on.
        const QString made = rig.env.appDir() + "/xml out";
        rig.boxes.queue(QString(" "));
        w.cmdNewDirectory->click();
        rig.boxes.queue(QString(made));
        w.cmdNewDirectory->click();
        QVERIFY(QFileInfo(made).isDir());
        QCOMPARE(w.txtXMLDirectory->text(), made);
        QVERIFY(rt::ticked(w.chkXMLUseDirectory) && w.cmdStartUpdate->isEnabled());
        QCOMPARE(stored("UseDirectory"), QString("1"));
        QCOMPARE(rig.boxes.shown().last().title, QString("XML Save Directory"));
        // Failures show the system's reason and change nothing.
        rig.boxes.clear();
        rig.boxes.queue(QString(made));
        w.cmdNewDirectory->click();
        rig.boxes.queue(QString(made + "/no/such"));
        w.cmdNewDirectory->click();
        QCOMPARE(rig.boxes.prompts().mid(1, 1) + rig.boxes.prompts().mid(3),
                 QStringList({"Path/File access error", "Path not found"}));
        QCOMPARE(w.txtXMLDirectory->text(), made);
    }

    void activationAndHelp() {
        PublishRig rig("ftp.example.com", "pw");
        auto& w = W();
        // Without a server name the login stays off when the window comes up.
        w.txtFTPURL->clear();
        w.show();
        QVERIFY(!w.cmdLoginFTP->isEnabled() && w.cmdLogoutFTP->isEnabled());
        w.hide();
        w.txtFTPURL->setText("ftp.example.com");
        w.show();
        QVERIFY(w.cmdLoginFTP->isEnabled());
        w.hide();
        // Loaded at start-up while the schedule runs: no login.
        PublishRig::scheduleRunning();
        {
            modSupport::LoadGuard guard;
            w.Form_Load();
        }
        QVERIFY(!w.cmdLoginFTP->isEnabled());

        w.mnuIUEHelp->trigger();
        QCOMPARE(rig.boxes.prompts(), QStringList({"Couldn't find or run help file. "}));
        QVERIFY(QFile::copy(CORVISENT_ASSETS_DIR "/iue.rtf", rig.env.appDir() + "/iue.rtf"));
        w.mnuIUEHelp->trigger();
        QCOMPARE(formHelp::instance().lblHelpType->text(), QString("Internet Update Help"));
        QVERIFY(!formHelp::instance().txtHelpBox->toPlainText().trimmed().isEmpty());
        QVERIFY(!formHelp::instance().txtHelpBox->toPlainText().startsWith("{\\rtf"));

        w.cmdInternetHelp->click();
        QCOMPARE(formHelp::instance().lblHelpType->text(), QString("Steps for Internet Update Setup"));
        const QStringList paragraphs =
            formHelp::instance().txtHelpBox->toPlainText().split(QRegularExpression("\r?\n\r?\n"));
        QCOMPARE(paragraphs.size(), 10);
        QCOMPARE(paragraphs.first(), QString("1) Complete all FTP login information including your password and "
                                             "remote storage location if needed."));
        QVERIFY(paragraphs.last().contains("cvman0.xml.The next file"));
        QCOMPARE(rig.boxes.prompts().size(), 1);
    }

    // With the messages shown the window still fits a 1024-pixel screen.
    void fitsSmallScreen() {
        PublishRig rig("ftp.example.com", "pw");
        auto& w = W();
        w.show();
        rt::setValue(w.chkSeeMessages, 1);
        QVERIFY(rt::visible(w.frameFtpMessages));
        QCoreApplication::processEvents();
        QVERIFY2(w.width() <= 1024, qPrintable(QString::number(w.width())));
        // The newest message is the one in sight.
        for (int i = 0; i < 100; ++i)
            w.AddFtpMessage(QString::number(i));
        QScrollBar* bar = w.listFtpMessages->verticalScrollBar();
        QVERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());
        rt::setValue(w.chkSeeMessages, 0);
        w.hide();
    }
};

QTEST_MAIN(TestInternetSetup)
#include "tst_internetsetup.moc"
