#include "app/formHelp.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "platform/rtftext.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/vb.h"

formHelp::formHelp() {
    setObjectName(QStringLiteral("formHelp"));
    setWindowTitle(QStringLiteral("Corvisent Manager Help"));
    auto* v = new QVBoxLayout(this);
    lblHelpType = new QLabel(this);
    lblHelpType->setObjectName(QStringLiteral("lblHelpType"));
    QFont f = lblHelpType->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.2);
    lblHelpType->setFont(f);
    v->addWidget(lblHelpType);
    txtHelpBox = new QTextEdit(this);
    txtHelpBox->setObjectName(QStringLiteral("txtHelpBox"));
    txtHelpBox->setReadOnly(true);
    txtHelpBox->setLineWrapMode(QTextEdit::WidgetWidth);
    v->addWidget(txtHelpBox, 1);
    cmdCloseHelp = new QPushButton(QStringLiteral("Close"), this);
    cmdCloseHelp->setObjectName(QStringLiteral("cmdCloseHelp"));
    v->addWidget(cmdCloseHelp, 0, Qt::AlignRight);
    connect(cmdCloseHelp, &QPushButton::clicked, this, &formHelp::cmdCloseHelp_Click);
    resize(640, 520);

    // Centred on the screen, in front of the other windows.
    rt::centreOnScreen(this);
    raise();
}

void formHelp::LoadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw rt::VbError(75, QStringLiteral("Path/File access error"));
    const QByteArray bytes = file.readAll();
    txtHelpBox->setPlainText(platform::rtfToText(bytes));
}

void formHelp::ShowTitled(const QString& title) {
    lblHelpType->setText(title);
    lblHelpType->show();
    rt::showInFront(this);
}

void formHelp::cmdCloseHelp_Click() { unload(); }
