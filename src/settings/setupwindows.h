#pragma once

class QCheckBox;
class QLineEdit;
class QSlider;
class QString;
class QWidget;

// The setup windows of the alert channels and of remote monitoring as the settings code reaches
// them, each made on first use. The e-mail and pager windows' controls hold keys of the key table
// (settings/setupkeys.h), which finds them by name; each function is defined with its window
// (src/alerts/formEmailAlertSetup.cpp, src/alerts/formPagingTextMessage.cpp).
QWidget& EmailAlertSetupWindow();
QWidget& PagingSetupWindow();

// The remote monitoring window's controls that the preference loaders set besides its keys, and
// the stored password it shows. The window (formInternetSetup, src/publish/) derives from this.
class InternetSetupControls {
public:
    static InternetSetupControls& instance();
    // The window itself, as a control.
    virtual QWidget& form() = 0;

    QCheckBox* chkSeeMessages = nullptr;
    QLineEdit* txtInterval = nullptr;                // update interval in minutes
    QSlider* sliderInternetUpdateInterval = nullptr; // 2..30

    // Takes a stored password into its box and says whether one is set (a blank counts as none).
    virtual void ShowStoredPassword(const QString& pw) = 0;

protected:
    InternetSetupControls() = default;
    ~InternetSetupControls() = default;
    InternetSetupControls(const InternetSetupControls&) = delete;
    InternetSetupControls& operator=(const InternetSetupControls&) = delete;
};
