#pragma once
#include <QDialog>

class QComboBox;
class QLineEdit;

// The pager window: one instance, created on first use and hidden until shown. Its boxes are the
// live pager settings that the paging dialogue reads.
class formPagingTextMessage : public QDialog {
    Q_OBJECT
public:
    static formPagingTextMessage& instance();

    QLineEdit* txtNumToCall = nullptr;   // pager number to dial
    QLineEdit* txtNumToSend = nullptr;   // fixed number to send
    QLineEdit* txtPhoneNumber = nullptr; // telephone number for a call without message
    QComboBox* comboAvailCom = nullptr;  // modem COM port number (its text)

private:
    formPagingTextMessage();
};
