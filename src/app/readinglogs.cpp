#include "sensors/readinglogs.h"

#include <QCheckBox>
#include <QDirIterator>
#include <QEvent>
#include <QHash>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSet>
#include <QTextCursor>

#include "app/CorvisentMain.h"
#include "platform/mscomm.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "runtime/format.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "runtime/vb.h"
#include "sensors/sensorops.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"

using rt::Ctl;

namespace modSupport {

namespace {

constexpr long kTabLogLimit = 2000;
const QString kFolderLimitWarning =
    QStringLiteral(" * WARNING * File Logging stopped because it hit the size limit.");

// A temperature shown with two decimals where the sensor gave fewer: "72" -> "72.00",
// "72.5" -> "72.50".
QString temperatureForm(const QString& v) {
    const int point = v.indexOf(u'.');
    if (point < 0) return v + QStringLiteral(".00");
    if (v.size() - point - 1 == 1) return v + u'0';
    return v;
}

// The on-screen line, unless the box is full: then the box restarts with a date line and this
// reading is not shown.
void tabLine(QPlainTextEdit* box, const QString& line, const QString& date) {
    if (GetLineCount(box) >= kTabLogLimit) {
        ClearTabLog(box);
        box->setPlainText(date + u'\n');
        return;
    }
    InsertTabLogLine(box, line);
}

QString logFolder() {
    return rt::caption(formSensorSetup::instance().lblLogDirectory);
}

// The port whose state decides whether a reading of the kind goes to the file; nullptr for kinds
// logged whatever the port does.
platform::MSCommControl* gatingPort(int type, int row) {
    const bool gated = type == typeTemperature || type == typeAccel || type == typeDistance;
    return gated ? PortOf(row, type) : nullptr;
}

// The name a device shows at its slot of its kind's tab.
QString tabName(int type, int slot) {
    if (!CorvisentMain::kindTab(type)) return QString();
    return rt::caption(CorvisentMain::instance().SlotNameLabel(type, slot));
}

// Closes file row and continues its log in a new file named by a fresh stamp.
void rollOver(int row, const QString& ending, const QString& name) {
    rt::Files::close(row);
    const QString path = NewLogFilePaths(logFolder(), GetDateTimeStamp(), {ending}).first();
    modSupport::SetLogPath(row, path);
    StartLogFile(row, path, name + QStringLiteral(" (Continued)"));
}

QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(u'/') || folder.endsWith(u'\\')) return folder + name;
    return folder + u'/' + name;
}

// The log folder's size as last walked, and what the program has written into it since. A
// streaming sensor logs many lines a second, and walking the folder after each would cost more
// than the line itself. The folder is walked again when the sum passes the limit, so a limit
// reached by the program's own lines is found at the line that reaches it, and otherwise at most
// every few seconds of program time, which counts files that others put in or take out.
struct FolderUse {
    QString folder;
    double walked = -1; // -1: not walked yet, or no longer known
    qint64 walkedAtMs = 0;
    double written = 0;
};
constexpr qint64 kFolderWalkMs = 5000;

FolderUse& folderUse() {
    static FolderUse use;
    return use;
}

double logFolderSize(const QString& folder, double limit) {
    FolderUse& u = folderUse();
    const qint64 now = rt::Clock::elapsedMs();
    if (u.walked < 0 || u.folder != folder || now - u.walkedAtMs >= kFolderWalkMs || u.walked + u.written > limit)
        u = {folder, GetFolderSize(folder), now, 0};
    return u.walked + u.written;
}

} // namespace

bool CloseAfterWrite() {
    return rt::ticked(formSensorSetup::instance().chkCloseFileAfterWrite);
}

namespace {
// Files whose last line could not be written, reported already.
QSet<int>& failingFiles() {
    static QSet<int> failing;
    return failing;
}
} // namespace

LogLineWriter::LogLineWriter() : m_perLine(CloseAfterWrite()) {}

LogLineWriter::~LogLineWriter() {
    for (int n : m_opened)
        rt::Files::close(n);
}

bool LogLineWriter::line(int n, const QString& text) {
    auto path = [n] { return modSupport::RowOf(n).logPath; };
    try {
        if (m_perLine && !m_opened.contains(n)) {
            rt::Files::open(n, path(), rt::Files::Append);
            m_opened << n;
        }
        folderUse().written += static_cast<double>(rt::Files::printLine(n, text));
    } catch (const rt::VbError& e) {
        folderUse().walked = -1; // part of the line may have been written
        if (failingFiles().contains(n)) return false;
        failingFiles().insert(n);
        rt::MsgBox(QStringLiteral("The log file %1 cannot be written (%2). Readings are not logged until "
                                  "writing works again.")
                       .arg(rt::Files::isOpen(n) ? rt::Files::path(n) : path(), e.description()),
                   rt::vbOKOnly | rt::vbExclamation);
        return false;
    }
    failingFiles().remove(n);
    return true;
}

namespace {

// Puts text at the top of the box.
void insertAtTop(QPlainTextEdit* box, const QString& text) {
    // A new cursor stands at the start already; moving it there would lay the first line out.
    // Inside an edit block the cursor does not lay the line out again to find its own position.
    QTextCursor cursor(box->document());
    cursor.beginEditBlock();
    cursor.insertText(text);
    cursor.endEditBlock();
}

// Lines of a streamed tab log whose tab is not in front. A streaming sensor adds many lines a
// second; while nobody can see its box they wait here, and go in together when the box is shown.
// The box's line count includes them, so the box is emptied at its limit just as on screen.
class WaitingLines : public QObject {
public:
    static WaitingLines& instance() {
        static WaitingLines waiting;
        return waiting;
    }
    bool has(const QPlainTextEdit* box) const { return m_lines.contains(box); }
    long count(const QPlainTextEdit* box) const {
        auto it = m_lines.constFind(box);
        return it == m_lines.cend() ? 0 : it->size();
    }
    void add(QPlainTextEdit* box, const QString& line) {
        if (!has(box)) {
            box->installEventFilter(this);
            connect(box, &QObject::destroyed, this, [this, box] { m_lines.remove(box); });
        }
        m_lines[box].append(line);
    }
    void drop(QPlainTextEdit* box) { take(box); }
    void putIn(QPlainTextEdit* box) {
        const QStringList lines = take(box);
        if (lines.isEmpty()) return;
        QString text;
        for (auto it = lines.crbegin(); it != lines.crend(); ++it)
            text += *it + u'\n';
        insertAtTop(box, text);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Shown: filled before it is painted.
        if (event->type() == QEvent::Show) putIn(static_cast<QPlainTextEdit*>(watched));
        return false;
    }

private:
    QStringList take(QPlainTextEdit* box) {
        auto it = m_lines.find(box);
        if (it == m_lines.end()) return {};
        box->removeEventFilter(this);
        disconnect(box, &QObject::destroyed, this, nullptr);
        const QStringList lines = std::move(*it);
        m_lines.erase(it);
        return lines;
    }

    QHash<const QPlainTextEdit*, QStringList> m_lines;
};

} // namespace

void InsertTabLogLine(QPlainTextEdit* box, const QString& line) {
    if (!box) return;
    WaitingLines::instance().putIn(box); // lines that wait go first
    insertAtTop(box, line + u'\n');
}

void AddTabLogLine(QPlainTextEdit* box, const QString& line) {
    if (!box) return;
    WaitingLines& waiting = WaitingLines::instance();
    // A box on a tab behind another one of the window on screen; when the whole window is
    // hidden the line goes in at once, as nothing tells when the window comes back.
    if (waiting.has(box) || (box->window()->isVisible() && !box->isVisible()))
        waiting.add(box, line);
    else
        insertAtTop(box, line + u'\n');
}

void ClearTabLog(QPlainTextEdit* box) {
    if (!box) return;
    WaitingLines::instance().drop(box);
    box->clear();
}

long GetLineCount(const QPlainTextEdit* box) {
    return box ? box->document()->blockCount() + WaitingLines::instance().count(box) : 0;
}

void FileTabLogging(const QString& value, int row, int type, const QString& value2) {
    if (type != typeTemperature && type != typeHumidity && type != typeCombo && type != typeAccel &&
        type != typeDistance)
        return;
    try {
        CorvisentMain& w = CorvisentMain::instance();
        formSensorSetup& setup = formSensorSetup::instance();
        const QDateTime now = rt::Clock::now();
        const QString D = rt::formatDateMDY(now);
        const QString T = rt::formatTime12(now);
        const QString V = type == typeTemperature ? temperatureForm(value) : value;
        const QString V2 = type == typeCombo && !value2.isEmpty() ? temperatureForm(value2) : value2;
        const QString U = rt::caption(Ctl(w.lblMeasure, row));
        // Distance and accelerometer values carry no unit.
        const QString unit = type == typeAccel || type == typeDistance ? QString() : U;

        if (rt::value(Ctl(setup.chkTabLogging, row)) == 1) {
            const int slot = RowOf(row).slot;
            if (type == typeCombo) {
                if (!V.isEmpty())
                    tabLine(Ctl(w.txtHumidInData, RowOf(row).slot), T + QStringLiteral(" - ") + V + U, D);
                if (!V2.isEmpty())
                    tabLine(Ctl(w.txtTempInData, RowOf(row).tempSlot),
                            T + QStringLiteral(" - ") + V2 + rt::caption(Ctl(w.lblMeasure, row + 1)), D);
            } else {
                // Accelerometer lines read "time: value".
                const QString sep = type == typeAccel ? QStringLiteral(": ") : QStringLiteral(" - ");
                tabLine(Ctl(w.*CorvisentMain::kindTab(type)->logs, slot), T + sep + V + unit, D);
            }
        }

        if (rt::value(Ctl(setup.chkFileLogging, row)) != 1) return;
        if (platform::MSCommControl* port = gatingPort(type, row); port && !port->portOpen()) return;
        LogLineWriter out;

        if (type != typeCombo) {
            const QString sep = type == typeAccel ? QStringLiteral(": ") : QStringLiteral(",");
            if (!out.line(row, D + u',' + T + sep + V + unit)) return;
            CheckFileSize(type, row);
            CheckLogDirSize();
            return;
        }

        // Combined sensor: humidity to file row, temperature to file row + 1.
        const QString U2 = rt::caption(Ctl(w.lblMeasure, row + 1));
        if (!V.isEmpty() && !out.line(row, D + u',' + T + u',' + V + U)) return;
        if (!V2.isEmpty() &&
            !out.line(row + 1, D + u',' + T + (CloseAfterWrite() ? QStringLiteral(",") : QStringLiteral(", ")) + V2 + U2))
            return;
        CheckLogDirSize();
        CheckFileSize(typeCombo, row);
    } catch (const std::exception&) {
        // The routine ends at the failing step; what was written stays.
    }
}

void CheckFileSize(int type, int row) {
    if (!rt::Files::isOpen(row) || rt::Files::lof(row) <= lMaxFileSize) return;
    CheckLogDirSize();
    RestartSensorTimers(0, type, row);
    if (type == typeCombo) {
        CorvisentMain& w = CorvisentMain::instance();
        rollOver(row, QStringLiteral("_Humid.txt"), rt::caption(Ctl(w.lblHumidDeviceName, RowOf(row).slot)));
        rollOver(row + 1, QStringLiteral("_Temp.txt"),
                 rt::caption(Ctl(w.lblTempDeviceName, RowOf(row).tempSlot)));
    } else {
        rollOver(row, QStringLiteral(".txt"), tabName(type, RowOf(row).slot));
    }
    RestartSensorTimers(1, type, row);
}

void CheckLogDirSize() {
    formSensorSetup& setup = formSensorSetup::instance();
    const double limit = rt::Val(setup.txtHDDTotalAmount->text()) * 1024;
    if (logFolderSize(logFolder(), limit) <= limit) return;
    CorvisentMain::instance().setWindowTitle(kFolderLimitWarning);
    for (int row = 1; row <= 10; ++row)
        rt::setValue(setup.chkFileLogging[row], 0);
}

double GetFolderSize(const QString& path) {
    const QString local = rt::localPath(path);
    if (local.isEmpty() || !QFileInfo(local).isDir()) return 0;
    double total = 0;
    QDirIterator it(local, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += static_cast<double>(it.fileInfo().size());
    }
    return total;
}

void RestartSensorTimers(int enable, int type, int row) {
    // The streaming kinds (accelerometer, distance) are read on port events, not by a timer.
    if (type == typeAccel || type == typeDistance) return;
    const CorvisentMain::KindTab* k = CorvisentMain::kindTab(type == typeCombo ? typeTemperature : type);
    if (!k) return;
    Ctl(CorvisentMain::instance().*k->timers, row)->setEnabled(enable == 1);
}

QStringList NewLogFilePaths(const QString& folder, const QString& stamp, const QStringList& endings) {
    // No folder set: never fall back to the file system root or the working folder.
    if (folder.trimmed().isEmpty()) throw rt::VbError(76, QStringLiteral("Path not found"));
    for (int n = 0;; ++n) {
        const QString base = n == 0 ? stamp : stamp + u'_' + QString::number(n);
        QStringList paths;
        bool taken = false;
        for (const QString& ending : endings) {
            paths << joinPath(folder, base + ending);
            taken = taken || QFileInfo::exists(rt::localPath(paths.last()));
        }
        if (!taken) return paths;
    }
}

void StartLogFile(int row, const QString& path, const QString& firstLine) {
    failingFiles().remove(row); // a new file has not failed yet
    folderUse().walked = -1;       // the folder is walked again at the next check
    rt::Files::open(row, path, rt::Files::Output);
    const QDateTime now = rt::Clock::now();
    rt::Files::printLine(row, firstLine);
    rt::Files::printLine(row, QStringLiteral("Log file started: ") + rt::shortDate(now) + u',' +
                                  rt::longTime(now) + QStringLiteral("\r\n"));
}

void CloseLogFile(int row) {
    rt::Files::close(row);
}

} // namespace modSupport
