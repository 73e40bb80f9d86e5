#include <QTest>

#include "platform/rtftext.h"
#include "support/testenv.h"

using platform::rtfToText;

class TestRtfText : public QObject {
    Q_OBJECT

private slots:
    void shippedHelpFile() {
        const QByteArray rtf = readWholeFile(QStringLiteral(CORVISENT_ASSETS_DIR "/iue.rtf"));
        QVERIFY(!rtf.isEmpty());
        const QString text = rtfToText(rtf);
        QVERIFY(text.startsWith(QStringLiteral("Corvisent Manager Remote Monitoring\n\nRemote monitoring")));
        QVERIFY(!text.contains(u'\\'));
        QVERIFY(!text.contains(QStringLiteral("Arial")));
    }

    void conversions_data() {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::newRow("tables and hidden groups left out")
            << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
                          "{\\*\\generator Writer 1.0;}{\\info{\\title T}}\\pard\\f0\\fs20 Hello\\par}")
            << QStringLiteral("Hello\n");
        QTest::newRow("delimiter blank belongs to the word; others stay")
            << QByteArray("{\\rtf1 \\b bold\\b0  plain\\line next\\tab x}") << QStringLiteral("bold plain\nnext\tx");
        QTest::newRow("escaped braces and backslash") << QByteArray("{\\rtf1 a\\{b\\}c\\\\d}")
                                                      << QStringLiteral("a{b}c\\d");
        QTest::newRow("hex characters in Windows-1252")
            << QByteArray("{\\rtf1 caf\\'e9 \\'93q\\'94 \\'80}") << QStringLiteral("caf\u00e9 \u201cq\u201d \u20ac");
        QTest::newRow("unicode with its stand-in skipped")
            << QByteArray("{\\rtf1 a\\u8364?b{\\uc2\\u-3913\\'3f\\'3fc}{\\uc0\\u233 d}\\u233?e}")
            << QStringLiteral("a\u20acb\uf0b7c\u00e9d\u00e9e");
        QTest::newRow("line breaks in the source are not text")
            << QByteArray("{\\rtf1 one\r\ntwo\\\r\nthree}") << QStringLiteral("onetwo\nthree");
        QTest::newRow("named punctuation")
            << QByteArray("{\\rtf1 \\ldblquote x\\rdblquote\\emdash\\bullet\\~\\_}")
            << QStringLiteral("\u201cx\u201d\u2014\u2022\u00a0-");
        QTest::newRow("unbalanced and cut short") << QByteArray("{\\rtf1 a}}b{\\par\\'4") << QStringLiteral("ab\n");
        QTest::newRow("not rich text") << QByteArray("plain {text}\\par\r\n") << QStringLiteral("plain {text}\\par\r\n");
    }
    void conversions() {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QCOMPARE(rtfToText(rtf), text);
    }
};

QTEST_MAIN(TestRtfText)
#include "tst_rtftext.moc"
