#pragma once
#include <QString>
#include <QStringList>

class QPlainTextEdit;

// The reading logs: the on-screen log of each kind's tab (newest line on top) and the text log
// file of each device row, kept under the row's number from connect to disconnect, with the
// per-file size roll-over and the log folder limit. The sensor code writes to them; they are kept
// by the main window's side of the program (src/app/readinglogs.cpp).
namespace modSupport {

// Puts a line at the top of a tab log, so the newest line comes first.
void InsertTabLogLine(QPlainTextEdit* box, const QString& line);
// The same for a streamed line: while the box's tab is behind another tab of the window on
// screen the line waits, and goes in when the box is shown.
void AddTabLogLine(QPlainTextEdit* box, const QString& line);
// Empties a tab log, with any lines that wait for it.
void ClearTabLog(QPlainTextEdit* box);
// Lines of a tab log box (an empty box has one), waiting lines included; 0 without a box.
long GetLineCount(const QPlainTextEdit* box);

// Logs one reading of a polled device row (types 1, 2, 7, 8, 9; other types write nothing) to
// its tab log and its log file, then checks the file and folder limits. For a combined sensor
// (type 7) value is the humidity (row) and value2 the temperature (row + 1); an empty half is
// not logged.
void FileTabLogging(const QString& value, int row, int type, const QString& value2);
// Rolls the row's open log file over to a new file when it has grown past lMaxFileSize.
void CheckFileSize(int type, int row);
// Turns off file logging of every row when the log folder has grown past its limit.
void CheckLogDirSize();
// Total size in bytes of every file under the folder (0 for a missing folder).
double GetFolderSize(const QString& path);
// enable 0 stops, 1 restarts the row's timer of its kind (polling timer for 1, 2 and 7, line
// timers for 3 and 6).
void RestartSensorTimers(int enable, int type, int row);

// ---- Log files.
// A path in the folder for a new log file named by stamp and ending (".txt", "_Humid.txt"...),
// that names no existing file: "_1", "_2"... is added to the stamp when needed. With several
// endings one addition serves them all, so the files of a pair keep one name.
QStringList NewLogFilePaths(const QString& folder, const QString& stamp, const QStringList& endings);
// Creates the log file at path under the row's number and writes its two header lines: the
// first line, then "Log file started: " with the date and time, and an empty line.
void StartLogFile(int row, const QString& path, const QString& firstLine);
// True when log files are closed after every write.
bool CloseAfterWrite();

// Writes reading lines to the log files of device rows (file number = row). When files are
// closed after every write, each file is opened for its line and closed again when the writer
// goes, whatever happened in between. A line that cannot be written (a full disk, a folder gone)
// is reported once per file; writing goes on with the next line and the report is given again
// only after a line of that file was written once more.
class LogLineWriter {
public:
    LogLineWriter();
    ~LogLineWriter();
    LogLineWriter(const LogLineWriter&) = delete;
    LogLineWriter& operator=(const LogLineWriter&) = delete;
    // True when the line was written.
    bool line(int n, const QString& text);

private:
    bool m_perLine;
    QList<int> m_opened;
};
// Closes the row's log file when it is open.
void CloseLogFile(int row);

} // namespace modSupport
