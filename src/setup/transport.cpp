// The notification transport: e-mail through MAPI or SMTP, paging as a numeric page or a
// telephone call. Each choice is stored at once and adapts the e-mail and pager windows.
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "alerts/formEmailAlertSetup.h"
#include "alerts/formPagingTextMessage.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "settings/modSupport.h"
#include "settings/setupkeys.h"
#include "setup/formSensorSetup.h"

namespace {

void store(const char* key, bool on) {
    settingsvalues::storeFromHandler(key, 0, on ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace

void formSensorSetup::cmdEmailSetup_Click() {
    auto& mail = formEmailAlertSetup::instance();
    if (rt::optionValue(optUseSMTP)) {
        mail.frameSMTP->show();
        mail.frameMAPI->hide();
    } else if (rt::optionValue(optUseMAPI)) {
        mail.frameMAPI->show();
        mail.frameSMTP->hide();
    }
    rt::showInFront(&mail);
}

void formSensorSetup::cmdSetPagerMessage_Click() {
    auto& pager = formPagingTextMessage::instance();
    const bool phone = rt::optionValue(optionPhonePager);
    pager.mnuTestAlphaPager->setEnabled(phone);
    pager.mnuTestNumericPager->setEnabled(!phone);
    pager.Framme1->setVisible(!phone);
    rt::showInFront(&pager);
}

// While the preferences are loaded the e-mail window still follows the choice; nothing is stored
// and no recipient is asked for.
void formSensorSetup::optUseMAPI_Click() {
    const bool loading = modSupport::loading();
    if (!loading) store("optUseSMTP", false);
    auto& mail = formEmailAlertSetup::instance();
    if (rt::optionValue(optUseMAPI)) {
        mail.mnuSMTPTest->setEnabled(false);
        mail.mnuMAPITest->setEnabled(true);
        mail.Label1_2->setText(QStringLiteral("(You may only use one email address per line when using MAPI.)"));
        mail.cmdCreateLogFile->hide();
    } else if (rt::optionValue(optUseSMTP)) {
        mail.mnuSMTPTest->setEnabled(true);
        mail.mnuMAPITest->setEnabled(false);
    }
    if (!loading && mail.txtEmailAddr->text().isEmpty()) {
        rt::MsgBox(QStringLiteral("You must enter an email address to send the alert to."));
        rt::showInFront(&mail);
        mail.txtEmailAddr->setFocus();
    }
}

void formSensorSetup::optUseSMTP_Click() {
    if (!modSupport::loading()) store("optUseSMTP", true);
    auto& mail = formEmailAlertSetup::instance();
    if (rt::optionValue(optUseMAPI)) {
        mail.mnuSMTPTest->setEnabled(false);
        mail.mnuMAPITest->setEnabled(true);
    } else if (rt::optionValue(optUseSMTP)) {
        mail.mnuSMTPTest->setEnabled(true);
        mail.mnuMAPITest->setEnabled(false);
        mail.Label1_2->setText(QStringLiteral("(Use commas to separate multiple email addresses.)"));
        mail.cmdCreateLogFile->show();
    }
}

void formSensorSetup::optionPhonePager_Click() {
    auto& pager = formPagingTextMessage::instance();
    pager.Frame5->show();
    pager.Frame2->hide();
    pager.Frame4->hide();
    if (modSupport::loading()) return;
    store("optionNumeric", false);
    store("optionPhone", true);
}

void formSensorSetup::optionNumericalPager_Click() {
    auto& pager = formPagingTextMessage::instance();
    pager.Frame5->hide();
    pager.Frame2->hide();
    pager.Frame4->show();
    if (rt::optionValue(optionNumericalPager)) {
        pager.mnuTestAlphaPager->setEnabled(false);
        pager.mnuTestNumericPager->setEnabled(true);
    } else if (rt::optionValue(optionPhonePager)) {
        pager.mnuTestAlphaPager->setEnabled(true);
        pager.mnuTestNumericPager->setEnabled(false);
    }
    if (modSupport::loading()) return;
    store("optionNumeric", true);
    store("optionPhone", false);
}
