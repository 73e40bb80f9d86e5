#pragma once
#include <QDialog>
#include <array>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
namespace rt {
class Timer;
}

// The e-mail alert window: one instance, created on first use and hidden until shown. Its fields
// are the live mail settings that the mail senders read; its status list shows what the SMTP
// control reports.
class formEmailAlertSetup : public QDialog {
    Q_OBJECT
public:
    static formEmailAlertSetup& instance();

    QLineEdit* txtEmailAddr = nullptr;   // recipients
    QLineEdit* txtCCEmailAddr = nullptr; // copy recipients
    QLabel* Label1_2 = nullptr;          // the note under the recipients
    // 0 time and date, 1 the reading, 2 the sensor name and type, 3 the reading in the subject.
    std::array<QCheckBox*, 4> chkInclude{};
    QGroupBox* frameSMTP = nullptr;
    QGroupBox* frameMAPI = nullptr;
    QLineEdit* txtSMTPHostServer = nullptr;
    QLineEdit* txtMailFrom = nullptr;
    QCheckBox* chkAuthenticationReq = nullptr;
    // 0 "Login Type:", 1 "User Password:", 2 "User Name:".
    std::array<QLabel*, 3> lblAuthentLabels{};
    QLineEdit* txtSMTPUserName = nullptr;
    QLineEdit* txtSMTPUserPassword = nullptr;
    QComboBox* cmbLoginType = nullptr; // "Auth None", "Auth Login", "Auth Plain"
    QListWidget* listEmailStatus = nullptr;
    rt::Timer* timerSendOstro = nullptr; // 3000 ms, off until a proximity mail goes out
    QPushButton* cmdEmailAlertOk = nullptr;
    QPushButton* cmdSaveEmailAlertInfo = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdResetSMTP = nullptr;
    QPushButton* cmdCreateLogFile = nullptr;
    QMenu* mnuTestEmailAlert = nullptr;
    QAction* mnuMAPITest = nullptr;
    QAction* mnuSMTPTest = nullptr;
    QAction* mnuHelp = nullptr;

    void Form_Load();
    void chkAuthenticationReq_Click();
    void cmdEmailAlertOk_Click();
    void cmdSaveEmailAlertInfo_Click();
    void cmdCancel_Click();
    void cmdResetSMTP_Click();
    void cmdCreateLogFile_Click();
    void listEmailStatus_DblClick();
    void mnuHelp_Click();
    void mnuMAPITest_Click();
    void mnuSMTPTest_Click();
    void timerSendOstro_Timer();

    // Builds the alert mail of the kind and device row (or the test mail while iTestMail is 1)
    // and hands it to the main window's SMTP control; returns without waiting for the server.
    // backToNormal 1 makes it a back-to-normal notice, 0 an alert; text, slot and the last
    // argument are not used on this path.
    void SendMailOstro(const QString& text, int kind, int row, int slot, int backToNormal, int reserved);
    // Adds a line to the status list, emptying it first when it holds its 1000 lines.
    void AddStatusLine(const QString& line);
    // A mail that never left, for good: "Not sent (why): to recipients: subject", added to the
    // status list and appended to "smtplog.log" under the date and time.
    void MailNotSent(const QStringList& recipients, const QString& subject, const QString& why);
    // Enables the test entry of the chosen mail path.
    void SetTestMenus();

    int iAlertSlot = 0; // device row of the mail being built

protected:
    void showEvent(QShowEvent* event) override;

private:
    formEmailAlertSetup();
    void saveMailKeys();
    void enableLoginFields(bool on);
};

// Alert-mail state: kind code of the mail being built, and 1 while it is a back-to-normal
// notice (kept from one mail to the next).
extern int iAlertType;
extern int iReadingOK;

// The alert mail's subject and body for a sensor kind and device row, from the e-mail options
// and the readings and names on the main window; date and time from the program clock.
struct AlertMailText {
    QString subject;
    QString body;
};
AlertMailText BuildAlertMailText(int kind, int row, bool backToNormal);
