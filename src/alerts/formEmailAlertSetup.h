#pragma once
#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;

// The e-mail alert window: one instance, created on first use and hidden until shown. Its fields
// are the live mail settings that the mail senders read.
class formEmailAlertSetup : public QDialog {
    Q_OBJECT
public:
    static formEmailAlertSetup& instance();

    QLineEdit* txtEmailAddr = nullptr;   // recipients
    QLineEdit* txtCCEmailAddr = nullptr; // copy recipients
    // 0 time and date, 1 the reading, 2 the sensor name and type, 3 the reading in the subject.
    std::array<QCheckBox*, 4> chkInclude{};
    QLineEdit* txtSMTPHostServer = nullptr;
    QLineEdit* txtMailFrom = nullptr;
    QCheckBox* chkAuthenticationReq = nullptr;
    QLineEdit* txtSMTPUserName = nullptr;
    QLineEdit* txtSMTPUserPassword = nullptr;
    QComboBox* cmbLoginType = nullptr; // "Auth None", "Auth Login", "Auth Plain"

private:
    formEmailAlertSetup();
};
