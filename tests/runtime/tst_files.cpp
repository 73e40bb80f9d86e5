#include <QTemporaryDir>
#include <QtTest>

#include "runtime/errorof.h"
#include "runtime/files.h"

using namespace rt;

namespace {
QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

class TestFiles : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString file(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void cleanup() { Files::closeAll(); }

    void linesReachTheDiskAsUtf8WithCrLf() {
        const QString p = file("log.txt");
        Files::open(3, p, Files::Output);
        Files::printLine(3, "Lab sensor");
        Files::print(3, "72.5");
        Files::printLine(3, QString::fromUtf8("°F Łódź"));
        // Each write is on disk before the file is closed.
        QCOMPARE(contents(p), QByteArray("Lab sensor\r\n72.5\xc2\xb0"
                                         "F \xc5\x81\xc3\xb3"
                                         "d\xc5\xba\r\n"));
        Files::close(3);
        Files::open(3, p, Files::Append); // append keeps, output empties
        QCOMPARE(Files::lof(3), qint64(29));
        Files::printLine(3, "x");
        QCOMPARE(Files::lof(3), qint64(32));
        Files::close(3);
        Files::open(3, p, Files::Output);
        QCOMPARE(Files::lof(3), qint64(0));
        Files::open(2, file("new.txt"), Files::Append); // append creates a missing file
        QVERIFY(QFile::exists(file("new.txt")));
        // A file that declares ISO-8859-1 gets one byte per character.
        Files::open(4, file("status.xml"), Files::Output, Files::Latin1);
        Files::printLine(4, QString::fromUtf8("café"));
        QCOMPARE(contents(file("status.xml")), QByteArray("caf\xe9\r\n"));
    }

    void badOpensAndWritesRaiseTheirErrors() {
        Files::open(1, file("x.txt"), Files::Output);
        QCOMPARE(errorOf([&] { Files::open(1, file("y.txt"), Files::Output); }), 55);
        QCOMPARE(errorOf([&] { Files::open(2, file("x.txt"), Files::Append); }), 55);
        QCOMPARE(errorOf([&] { Files::open(2, file("missing/z.txt"), Files::Output); }), 76);
        QCOMPARE(errorOf([&] { Files::open(2, file("nothere.txt"), Files::Input); }), 53);
        QCOMPARE(errorOf([&] { Files::open(2, m_dir.path(), Files::Output); }), 75);
        QCOMPARE(errorOf([&] { Files::open(0, file("q.txt"), Files::Output); }), 52);
        QVERIFY(!Files::isOpen(2));
        QCOMPARE(errorOf([] { Files::printLine(4, "x"); }), 52);
        Files::close(4); // not open: nothing happens
        Files::open(4, file("x.txt"), Files::Input);
        QCOMPARE(errorOf([] { Files::printLine(4, "x"); }), 54);
    }

    void backslashesSeparateFolders() {
        QDir(m_dir.path()).mkdir("logfiles");
        Files::open(5, m_dir.path() + "\\logfiles\\03072009_040802.txt", Files::Output);
        Files::printLine(5, "x");
        QCOMPARE(contents(m_dir.filePath("logfiles/03072009_040802.txt")), QByteArray("x\r\n"));
    }

    void freeFileAndCloseAll() {
        QCOMPARE(Files::freeFile(), 1);
        Files::open(1, file("1.txt"), Files::Output);
        Files::open(2, file("2.txt"), Files::Output);
        Files::open(30, file("cvman0.xml"), Files::Output);
        QCOMPARE(Files::freeFile(), 3);
        Files::close(1);
        QCOMPARE(Files::freeFile(), 1);
        Files::closeAll();
        QVERIFY(!Files::isOpen(2) && !Files::isOpen(30));
        Files::open(2, file("2.txt"), Files::Append); // closed files can be opened again
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
