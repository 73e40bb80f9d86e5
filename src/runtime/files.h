#pragma once
#include <QString>

class QSaveFile;

// Numbered text files: a file is opened under a number, written line by line in UTF-8 text with
// CR LF line ends, measured while open and closed by its number.
namespace rt {

// The path as this system spells it: "\" counts as a folder separator. Every file and folder
// path the user or a stored setting gives goes through this one rule.
QString localPath(const QString& path);

class Files {
public:
    // Replace writes to a temporary file in the same folder, which close() puts in place of the
    // file only when every write succeeded: readers never see a part-written or empty file.
    enum Mode { Output, Append, Input, Replace };
    // How the text of a file is written: UTF-8 (the program's own files), or one byte per
    // character for files that declare ISO-8859-1 (characters beyond it become "?").
    enum Encoding { Utf8, Latin1 };

    // Opens path under number n (1..511): Output creates or empties the file, Append creates it or
    // writes at its end, Input opens an existing file for reading. "\" in the path counts as a folder
    // separator. Errors (rt::VbError): 52 "Bad file name or number" for n out of range, 55 "File already
    // open" when n is in use or the file is open for writing under another number, 76 "Path not found" when
    // the folder is missing, 53 "File not found" for Input of a missing file, 75 "Path/File access error"
    // when the file cannot be opened otherwise.
    static void open(int n, const QString& path, Mode mode, Encoding encoding = Utf8);

    // Writes text and CR LF (print: text only) and hands it to the system at once, so a line is
    // never lost when the program ends abruptly. 52 when n is not open, 54 "Bad file mode" for a
    // file opened for Input, 57 "Device I/O error" when the write fails. Both give the bytes
    // written.
    static qint64 printLine(int n, const QString& text);
    static qint64 print(int n, const QString& text);

    // Current length in bytes of open file n (52 when it is not open).
    static qint64 lof(int n);
    static bool isOpen(int n);
    // The path file n was opened with; empty when it is not open.
    static QString path(int n);
    // Closing a number that is not open does nothing. A Replace file is put in place now, or
    // dropped (the old file stays) when a write failed; 57 when it cannot be put in place.
    static void close(int n);
    static void closeAll();
    // The lowest number not in use.
    static int freeFile();
};

// Copies source to destination, replacing it only once the copy is whole (see Files::Replace).
bool copyFileWhole(const QString& source, const QString& destination);
// Writes bytes as the file at path in the same way; on failure *error (when given) says why.
bool writeFileWhole(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Puts an open QSaveFile in place of its file only when all that was written reached the disk:
// its buffer is flushed and no error is left. Otherwise nothing is renamed and the temporary goes
// with the object. (QSaveFile::commit() alone renames the temporary even when its own last flush
// failed, leaving an empty or cut file.)
bool commitWhole(QSaveFile& file);

} // namespace rt
