#pragma once
#include <QDialog>
#include <array>
#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTextEdit;

namespace platform {
class MSCommControl;
}

// The pager window: one instance, created on first use and hidden until shown. Its boxes are the
// live pager settings that the paging dialogue reads at every page; it also opens and closes the
// modem port by hand and offers two test pages.
class formPagingTextMessage : public QDialog {
    Q_OBJECT
public:
    static formPagingTextMessage& instance();

    QGroupBox* Framme1 = nullptr;        // "Pager Setup"
    QLineEdit* txtNumToCall = nullptr;   // pager number to dial
    QLineEdit* AccessNum = nullptr;      // access number (kept, not used)
    QGroupBox* Frame4 = nullptr;         // "Numeric Paging Setup"
    QLineEdit* txtNumToSend = nullptr;   // fixed number to send
    QRadioButton* optSendReadingAsNumeric = nullptr; // "Send Reading": the reading instead
    QGroupBox* Frame5 = nullptr;         // "Phone Call Paging Setup"
    QLineEdit* txtPhoneNumber = nullptr; // telephone number for a call without message
    QGroupBox* Frame2 = nullptr;         // "Alpha Numeric Setup" (kept hidden)
    std::array<QCheckBox*, 3> chkInclude{};
    QTextEdit* AdditionalMessage = nullptr;
    QGroupBox* Frame6 = nullptr;         // "Modem Setup"
    QComboBox* comboAvailCom = nullptr;  // modem COM port number (its text)
    QPushButton* cmdRefreshComPortsForModem = nullptr;
    QPushButton* cmdConnection = nullptr; // "Open Connection" / "Close port"
    QPushButton* cmdSetModemInitString = nullptr;
    QPushButton* cmdOkTextPageSetup = nullptr;
    QPushButton* cmdCancelTextPageSetup = nullptr;
    QAction* mnuTestAlphaPager = nullptr;   // "&Phone Call Paging Test"
    QAction* mnuTestNumericPager = nullptr; // "&Numeric Pager Test"
    platform::MSCommControl* MSCommForPaging = nullptr; // the modem's port

    // The modem initialization string (stored; the paging dialogue does not send it).
    QString strModemInitString;

    // Pages a numeric pager (phoneOnly other than 1) with the row's reading or the fixed number,
    // or only rings the telephone number (phoneOnly 1). The page runs after the caller's handler
    // has returned, in turn with the other alert channels, so never inside another page; the same
    // page already waiting is not asked again. done gets 0 when done, 1 when it failed or did not
    // run. figures, when given, are sent in place of those the pager settings and the row's reading
    // give when the page runs.
    void SendNumericPage(int row, int kind, int phoneOnly, std::function<void(int)> done = {},
                         const QString& figures = QString());
    // Sends the hang-up and closes the modem port at once.
    void HangUpModem();
    // Whether "COM" n exists (it is opened and closed again at once).
    static bool COMMAvailable(int n);
    // Refills the port list with the existing ports 1..19 and selects the first.
    void MakeAvailComPortList();

    void Form_Load();
    void Form_Unload();
    void cmdOkTextPageSetup_Click();
    void cmdCancelTextPageSetup_Click();
    void cmdConnection_Click();
    void cmdRefreshComPortsForModem_Click();
    void cmdSetModemInitString_Click();
    void comboAvailCom_Change();
    void txtNumToSend_Click();
    void mnuTestAlphaPager_Click();
    void mnuTestNumericPager_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    formPagingTextMessage();
    void buildControls();
    // Opens the modem port at 9600,n,8,1 on the chosen COM number; "This port is not open." when
    // it cannot be opened.
    void OpenModemPort();
    // Closes the modem port if it is open; the button then offers to open it again.
    void CloseModemPort();
    friend class PageCall; // the dialogue's steps
};
