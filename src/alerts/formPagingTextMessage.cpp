#include "alerts/formPagingTextMessage.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

formPagingTextMessage& formPagingTextMessage::instance() {
    static formPagingTextMessage* w = new formPagingTextMessage();
    return *w;
}

formPagingTextMessage::formPagingTextMessage() {
    setObjectName(QStringLiteral("formPagingTextMessage"));
    setWindowTitle(QStringLiteral("Paging Setup"));
    auto* root = new QVBoxLayout(this);

    auto addGroup = [&](const QString& title, const QString& label, const char* name) {
        auto* group = new QGroupBox(title, this);
        auto* form = new QFormLayout(group);
        auto* edit = new QLineEdit(group);
        edit->setObjectName(QLatin1String(name));
        form->addRow(label, edit);
        root->addWidget(group);
        return edit;
    };
    txtNumToCall =
        addGroup(QStringLiteral("Pager Setup"), QStringLiteral("Send pager alert to:"), "txtNumToCall");
    txtNumToSend =
        addGroup(QStringLiteral("Numeric Paging Setup"), QStringLiteral("Number to Send:"), "txtNumToSend");
    txtPhoneNumber = addGroup(QStringLiteral("Phone Call Paging Setup"),
                              QStringLiteral("Phone number to dial:"), "txtPhoneNumber");

    auto* modem = new QGroupBox(QStringLiteral("Modem Setup"), this);
    auto* modemForm = new QFormLayout(modem);
    comboAvailCom = new QComboBox(modem);
    comboAvailCom->setObjectName(QStringLiteral("comboAvailCom"));
    // The stored port text is shown as it is, whether or not the port is listed.
    comboAvailCom->setEditable(true);
    modemForm->addRow(QStringLiteral("Modem is on COM"), comboAvailCom);
    root->addWidget(modem);
}
