// Alert mail through the SMTP control: the mail text of each sensor kind and its hand-over.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "alerts/alertchecks.h"
#include "alerts/formEmailAlertSetup.h"
#include "app/CorvisentMain.h"
#include "platform/smtp.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"

int iAlertType = 0;
int iReadingOK = 0;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString line(const QString& text) {
    return u' ' + text + kCrLf;
}

} // namespace

AlertMailText BuildAlertMailText(int kind, int row, bool backToNormal) {
    if (row < 1 || row > 10) throw rt::VbError(9, QStringLiteral("Subscript out of range"));
    const CorvisentMain& m = CorvisentMain::instance();
    const formSensorSetup& s = formSensorSetup::instance();
    const formEmailAlertSetup& e = formEmailAlertSetup::instance();
    const QString unit = rt::caption(m.lblMeasure[row]);
    const QString reading = rt::caption(m.lblSensorReading[row]) + unit;
    const QString name = rt::caption(m.lblSensor1[row]);
    const bool proximityDistance =
        kind == modSupport::typeDistance && modSupport::RowOf(row).startMode == QLatin1String("1");
    const bool proximityLike = kind == modSupport::typeProximity || proximityDistance;

    AlertMailText mail;
    const bool inSubject = rt::ticked(e.chkInclude[3]);
    if (backToNormal) {
        if (!inSubject || proximityLike || kind == modSupport::typeWater)
            mail.subject = QStringLiteral("Sensor Reading OK");
        else
            mail.subject = QStringLiteral("Sensor Reading OK: ") + reading;
    } else if (!inSubject) {
        mail.subject = QStringLiteral("Warning ");
    } else if (proximityLike) {
        mail.subject = QStringLiteral("Warning: Proximity Alert");
    } else if (kind == modSupport::typeWater) {
        mail.subject = QStringLiteral("Warning: Water Alert");
    } else {
        mail.subject = QStringLiteral("Warning: Cur=") + reading;
    }

    if (rt::ticked(e.chkInclude[2])) {
        auto limits = [&](const QString& kindLine, const QLineEdit* max, const QLineEdit* min) {
            mail.body += line(kindLine) + line(name) +
                         line(QStringLiteral("Max Threshold Setting: ") + max->text() + unit) +
                         line(QStringLiteral("Min Threshold Setting: ") + min->text() + unit);
        };
        auto named = [&](const QString& kindLine) { mail.body += line(kindLine) + line(name); };
        switch (kind) {
        case modSupport::typeTemperature: limits(QStringLiteral("Temperature Alert"), s.txtTempMax, s.txtTempMin); break;
        case modSupport::typeHumidity: limits(QStringLiteral("Humidity Alert"), s.txtHumidMax, s.txtHumidMin); break;
        case modSupport::typeProximity: named(QStringLiteral("Proximity Alert")); break;
        case modSupport::typeWater: named(QStringLiteral("Water Alert")); break;
        case modSupport::typeAccel: named(QStringLiteral("Accerometer Alert")); break;
        case modSupport::typeDistance: named(QStringLiteral("Distance Alert")); break;
        default: break;
        }
    }
    if (rt::ticked(e.chkInclude[0])) {
        const QDateTime now = rt::Clock::now();
        mail.body += kCrLf + rt::shortDate(now) + kCrLf + rt::longTime(now) + kCrLf;
    }
    if (rt::ticked(e.chkInclude[1])) {
        if (proximityDistance)
            mail.body += QStringLiteral("*Warning: Proximity Alert*");
        else
            mail.body += line(QStringLiteral("Current Reading: ") + reading);
    }
    return mail;
}

void formEmailAlertSetup::SendMailOstro(const QString& /*text*/, int kind, int row, int /*slot*/, int backToNormal,
                                        int /*reserved*/) {
    try {
        iAlertType = kind;
        iAlertSlot = row;
        AlertMailText mail;
        if (iTestMail == 1) {
            mail = {QStringLiteral("Corvisent Manager Test"), QStringLiteral("This is a Corvisent Manager Email Test")};
            iTestMail = 0;
        } else {
            if (backToNormal == 0 || backToNormal == 1) iReadingOK = backToNormal;
            mail = BuildAlertMailText(kind, row, iReadingOK == 1);
        }
        platform::SmtpControl* smtp = CorvisentMain::instance().SMTP1;
        // Without authentication ticked no login is offered, whatever an earlier mail used.
        const bool login = rt::ticked(chkAuthenticationReq);
        smtp->username = login ? txtSMTPUserName->text() : QString();
        smtp->password = login ? txtSMTPUserPassword->text() : QString();
        smtp->authenticationtype = login ? qMax(0, cmbLoginType->currentIndex()) : 0;
        smtp->server = txtSMTPHostServer->text();
        smtp->mailfrom = txtMailFrom->text();
        smtp->sendto = txtEmailAddr->text();
        smtp->cc = txtCCEmailAddr->text();
        smtp->messagesubject = mail.subject;
        smtp->messagetext = mail.body;
        smtp->SendEmail();
    } catch (const std::exception&) {
        listEmailStatus->setCurrentRow(listEmailStatus->count() - 1);
    }
}
