#pragma once
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QSlider;

// The remote monitoring window: one instance, created on first use and hidden until shown. Its
// controls hold the live publication settings (FTP login, remote and local directories, page
// title, update interval, index refresh rate).
class formInternetSetup : public QDialog {
    Q_OBJECT
public:
    static formInternetSetup& instance();

    QLabel* lblIndexRefreshRate = nullptr;         // index page refresh in seconds
    QLineEdit* txtRemoteStorageLocation = nullptr; // remote directory
    QLineEdit* txtFTPURL = nullptr;                // FTP server
    QLineEdit* txtUserName = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLabel* lblPasswordSetStatus = nullptr; // "(Password is set)" / "(Password is not set)"
    QCheckBox* chkSeeMessages = nullptr;
    QLineEdit* txtInterval = nullptr;                // update interval in minutes
    QSlider* sliderInternetUpdateInterval = nullptr; // 2..30
    QCheckBox* chkXMLUseDirectory = nullptr;         // publish to a local directory
    QRadioButton* optStayConnected = nullptr;
    QRadioButton* optConnectBeforeSend = nullptr;
    QLineEdit* txtTitleforUpdatePage = nullptr;
    QLineEdit* txtXMLDirectory = nullptr;
    QListWidget* listFtpMessages = nullptr; // the FTP message list

    // Adds an entry to the FTP message list, emptying the list first once it holds 2000.
    void AddFtpMessage(const QString& text);

private:
    formInternetSetup();
};
