#include "publish/statusfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSlider>
#include <QStringList>

#include "app/CorvisentMain.h"
#include "platform/pagerender.h"
#include "publish/formInternetSetup.h"
#include "runtime/appdir.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/format.h"
#include "runtime/vb.h"
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"

namespace {

constexpr int kXmlChannel = 30;
constexpr int kIndexChannel = 33;

QDateTime lastWrittenAt; // when BuildXMLFile last wrote its file whole
QDateTime publishedAt;   // when the file iXMLPublished names was written
bool pageWritten = false; // BuildXMLFile wrote the page of its status file too

bool localMode() {
    return rt::ticked(formInternetSetup::instance().chkXMLUseDirectory);
}

void logWriteFailure(const QString& writer, const QString& path, const QString& reason) {
    formInternetSetup::instance().AddFtpMessage(
        rt::TimeText() + QStringLiteral(" %1: Could not write %2 (%3)").arg(writer, path, reason));
}

// Writes the lines to path under channel n with CR LF ends; on failure the channel is closed,
// the failure logged with the writer's name, and false returned.
bool writeLines(int n, const QString& path, const QStringList& lines, const QString& writer) {
    try {
        // Written beside and put in place when whole: a failed write leaves the previous file.
        rt::Files::open(n, path, rt::Files::Replace, rt::Files::Latin1); // the files declare ISO-8859-1
        for (const QString& line : lines) rt::Files::printLine(n, line);
        rt::Files::close(n);
        return true;
    } catch (const rt::VbError& e) {
        rt::Files::close(n);
        logWriteFailure(writer, path, e.description());
        return false;
    }
}

// Renders the status file's lines through the shipped stylesheet into the page at path, written
// whole; a failure, a render stopped at its bounds among them, is logged as a failed write.
rt::Task<bool> writePage(QString path, QStringList xmlLines) {
    // The bytes the status file holds: one byte per character, each line ended by CR LF.
    const QByteArray xml = rt::toBytes(xmlLines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    const platform::XsltPage page =
        co_await platform::renderXsltApart(xml, rt::appFile(QStringLiteral("cvman.xsl")));
    QString reason = page.error;
    if (page.ok() && rt::writeFileWhole(path, page.output, &reason)) co_return true;
    logWriteFailure(QStringLiteral("BuildXML"), path, reason);
    co_return false;
}

// "<high>" and "<low>" lines of a temperature or humidity row; none for other kinds.
QStringList extremes(const QString& type, const QString& reading, const modSupport::DeviceRow& device) {
    if (reading == QLatin1String("OFF")) return {QStringLiteral("<high>-</high>"), QStringLiteral("<low>-</low>")};
    auto& m = CorvisentMain::instance();
    bool temperature = true;
    int slot = 0;
    if (type.contains(QLatin1String("Combo Sensor (Humidity)"))) {
        temperature = false;
        slot = device.slot;
    } else if (type.contains(QLatin1String("Combo Sensor (Temperature)"))) {
        slot = device.tempSlot;
    } else if (type.contains(QLatin1String("Corvisent/T (Temperature)"))) {
        slot = device.slot;
    } else if (type.contains(QLatin1String("Corvisent/H (Humidity)"))) {
        temperature = false;
        slot = device.slot;
    } else {
        return {};
    }
    // A position that no tab has cannot hold extremes.
    if (slot < 1 || slot > 4) return {QStringLiteral("<high>-</high>"), QStringLiteral("<low>-</low>")};
    const QLabel* high = temperature ? m.lblTHighest[slot] : m.lblHHighest[slot];
    const QLabel* low = temperature ? m.lblTLowest[slot] : m.lblHLowest[slot];
    auto line = [](const char* tag, const QLabel* l) {
        return QStringLiteral("<%1>%2 (%3)</%1>")
            .arg(QLatin1String(tag), XmlText(rt::caption(l)), XmlText(l->toolTip()));
    };
    return {line("high", high), line("low", low)};
}

QStringList sensorRecord(int row) {
    auto& m = CorvisentMain::instance();
    auto& s = formSensorSetup::instance();
    const QString type = rt::caption(s.lblDeviceType[row]);
    const QString reading = rt::caption(m.lblSensorReading[row]);
    QString current;
    if (reading.isEmpty())
        current = type == QLatin1String("Corvisent/P (Proximity)") ? QStringLiteral("Not Present")
                                                                    : QStringLiteral("n/a");
    else
        current = XmlText(reading + rt::caption(m.lblMeasure[row]));
    QStringList out{QStringLiteral("<sensor>"),
                    QStringLiteral("<type>") + XmlText(type) + QStringLiteral("</type>"),
                    QStringLiteral("<name>") + XmlText(rt::caption(m.lblSensor1[row])) + QStringLiteral("</name>"),
                    QStringLiteral("<status>") + XmlText(rt::caption(m.lblSensorStatus[row])) +
                        QStringLiteral("</status>"),
                    QStringLiteral("<current>") + current + QStringLiteral("</current>")};
    out += extremes(type, reading, modSupport::RowOf(row));
    out << QStringLiteral("</sensor>");
    return out;
}

} // namespace

int iXMLIndex = 0;
int iXMLPublished = -1;

QString JoinPath(const QString& dir, const QString& name) {
    if (dir.endsWith(u'/') || dir.endsWith(u'\\')) return dir + name;
    return dir + u'/' + name;
}

QString XmlDirectory() {
    auto& w = formInternetSetup::instance();
    if (!localMode()) return rt::appPath();
    if (w.txtXMLDirectory->text().isEmpty()) w.txtXMLDirectory->setText(rt::DefaultXmlDirectory());
    const QString dir = w.txtXMLDirectory->text();
    // The program's own folder is made on first use; a folder the user named must exist.
    if (dir == rt::DefaultXmlDirectory()) QDir().mkpath(dir);
    return dir;
}

QString XmlText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'&') {
            out += QLatin1String("&amp;");
        } else if (c == u'<') {
            out += QLatin1String("&lt;");
        } else if (c == u'>') {
            out += QLatin1String("&gt;");
        } else if (c == u'\r' || c == u'\n') {
            out += u' ';
        } else if ((c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0xFFFE || c.unicode() == 0xFFFF) {
            out += u'?'; // not allowed in XML 1.0, not even as a reference
        } else if (c.unicode() > 0xFF) {
            char32_t code = c.unicode();
            if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                code = QChar::surrogateToUcs4(c, text[++i]);
            else if (c.isSurrogate())
                code = 0xFFFD;
            out += QStringLiteral("&#%1;").arg(uint(code));
        } else {
            out += c;
        }
    }
    return out;
}

QString XmlFilePath(int k) {
    return JoinPath(XmlDirectory(), QStringLiteral("cvman%1.xml").arg(k));
}

QString HtmlFilePath(int k) {
    return JoinPath(XmlDirectory(), QStringLiteral("cvman%1.html").arg(k));
}

bool StatusPageWritten() {
    return pageWritten;
}

QString IndexHtmlPath() {
    return rt::appFile(QStringLiteral("index.html"));
}

rt::Task<bool> BuildXMLFile() {
    iXMLIndex = (iXMLIndex >= 0 && iXMLIndex < 9) ? iXMLIndex + 1 : 0;
    pageWritten = false;
    auto& m = CorvisentMain::instance();
    auto& w = formInternetSetup::instance();
    QStringList lines{
        QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"),
        QStringLiteral("<?xml-stylesheet type=\"text/xsl\" href=\"cvman.xsl\"?>"),
        QStringLiteral("<corvisent>"),
        QStringLiteral("<title>"),
        QStringLiteral("<TxtTitle>") + XmlText(w.txtTitleforUpdatePage->text()) + QStringLiteral("</TxtTitle>"),
        QStringLiteral("</title>"),
    };
    // Every shown row; a hidden row between two shown ones is skipped, not the end of the list.
    for (int row = 1; row <= 10; ++row)
        if (rt::visible(m.lblSensor1[row])) lines += sensorRecord(row);
    const QDateTime now = rt::Clock::now();
    lines << QStringLiteral("<sensor>") << QStringLiteral("<type> </type>") << QStringLiteral("<name> </name>")
          << QStringLiteral("<status> </status>") << QStringLiteral("<current> </current>")
          << QStringLiteral("</sensor>") << QStringLiteral("<sensor>")
          << QStringLiteral("<type>Updated: ") + rt::shortDate(now) + QStringLiteral(" @ ") + rt::formatTimeHM(now) +
                 QStringLiteral("</type>")
          << QStringLiteral("<name>(Updated every ") + QString::number(w.sliderInternetUpdateInterval->value()) +
                 QStringLiteral(" minutes)</name>")
          << QStringLiteral("<status> </status>") << QStringLiteral("<current> </current>")
          << QStringLiteral("</sensor>") << QStringLiteral("</corvisent>");
    if (!writeLines(kXmlChannel, XmlFilePath(iXMLIndex), lines, QStringLiteral("BuildXML"))) co_return false;
    lastWrittenAt = now;
    pageWritten = co_await writePage(HtmlFilePath(iXMLIndex), lines);
    co_return true;
}

void MarkPublished() {
    iXMLPublished = iXMLIndex;
    publishedAt = lastWrittenAt;
}

bool BuildIndexHtml() {
    auto& w = formInternetSetup::instance();
    const QString refresh = XmlText(rt::caption(w.lblIndexRefreshRate)).replace(u'"', QLatin1String("&quot;"));
    const QString interval = QString::number(w.sliderInternetUpdateInterval->value());
    // The remote directory goes into an attribute: quotes escaped, blanks percent-encoded. Runs
    // of slashes are folded into one: a link starting "//" would name another host (an empty or
    // absolute remote directory right after the base's own slash). A page in the local folder
    // links to its neighbours, and only to those that are there. The links open the pages, which
    // every browser shows.
    const bool local = localMode();
    static const QRegularExpression slashes(QStringLiteral("/{2,}"));
    QString path = QLatin1String(HtmlLinkBase) + w.txtRemoteStorageLocation->text() + u'/';
    const QString base = local ? QString()
                               : XmlText(path.replace(slashes, QStringLiteral("/")))
                                     .replace(u'"', QLatin1String("&quot;"))
                                     .replace(u' ', QLatin1String("%20"));
    const QDateTime now = rt::Clock::now();
    QStringList lines{
        QString::fromLatin1(kIndexFirstLine),
        QStringLiteral("<!-- By Pellvane Systems -->"),
        QStringLiteral("<html><head><title>Corvisent Web</title></head>"),
        QStringLiteral("<meta http-equiv=\"refresh\" content=\"") + refresh + QStringLiteral("\">"),
        QStringLiteral("<BR><H1><CENTER>Corvisent Web</H1><H3>Remote Monitoring History Index Page</H3>"),
    };
    for (int n = 1; n <= 10; ++n) {
        const int k = n - 1;
        if (local && !QFileInfo::exists(HtmlFilePath(k))) continue;
        QString line = QStringLiteral("<A HREF=\"%1cvman%2.html\"").arg(base).arg(k);
        if (k != iXMLPublished)
            line += QStringLiteral(">Corvisent File %1</A><BR>").arg(n);
        else if (n < 10)
            line += QStringLiteral(">(Latest) Corvisent File %1 (%2 @ %3)</A><BR>")
                        .arg(n)
                        .arg(rt::shortDate(publishedAt), rt::longTime(publishedAt));
        else
            line += QStringLiteral(">(Latest) Corvisent File 10</A><BR>");
        lines << line;
    }
    lines << QStringLiteral("<BR><BR>Last updated: ") + rt::shortDate(now) + QStringLiteral(" at ") +
                 rt::formatTimeHM(now)
          << QStringLiteral("<BR>Internet update interval: Every ") + interval + QStringLiteral(" minutes.")
          << QStringLiteral("<BR>This page automatically refreshes every ") + refresh + QStringLiteral(" seconds.")
          << QStringLiteral("<BR><BR><BR></CENTER><HR>") << QStringLiteral("</html>");
    return writeLines(kIndexChannel, IndexHtmlPath(), lines, QStringLiteral("BuildIndexHtml"));
}
