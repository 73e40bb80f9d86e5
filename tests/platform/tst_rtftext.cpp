#include <QTest>

#include "platform/rtftext.h"
#include "support/testenv.h"

using platform::rtfToText;

class TestRtfText : public QObject {
    Q_OBJECT

private slots:
    void shippedHelpFile() {
        const QByteArray rtf = readWholeFile(QStringLiteral(CORVISENT_ASSETS_DIR "/iue.rtf"));
        const QString text = rtfToText(rtf);
        QVERIFY(text.startsWith(QStringLiteral("Corvisent Manager Remote Monitoring\n\nRemote monitoring")));
        QVERIFY(!text.contains(u'\\'));
    }

    void rtfShowsAsItsPlainText_data() {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::newRow("tables and hidden groups left out")
            << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
                          "{\\*\\generator Writer 1.0;}{\\info{\\title T}}\\pard\\f0\\fs20 Hello\\par}")
            << QStringLiteral("Hello\n");
        QTest::newRow("delimiter blank belongs to the word; escapes; source line breaks")
            << QByteArray("{\\rtf1 \\b bold\\b0  plain\\line next\\tab a\\{b\\}c\\\\d\r\ne\\\r\nf}")
            << QStringLiteral("bold plain\nnext\ta{b}c\\de\nf");
        QTest::newRow("Windows-1252, unicode with its stand-in skipped, named punctuation")
            << QByteArray("{\\rtf1 caf\\'e9 \\'93q\\'94 \\'80 "
                          "a\\u8364?b{\\uc2\\u-3913\\'3f\\'3fc}{\\uc0\\u233 d}\\u233?e"
                          "\\ldblquote x\\rdblquote\\emdash\\bullet\\~\\_}")
            << QStringLiteral("caf\u00e9 \u201cq\u201d \u20ac "
                              "a\u20acb\uf0b7c\u00e9d\u00e9e\u201cx\u201d\u2014\u2022\u00a0-");
        QTest::newRow("unbalanced and cut short")
            << QByteArray("{\\rtf1 a}}b{\\par\\'4") << QStringLiteral("ab\n");
        QTest::newRow("not rich text")
            << QByteArray("plain {text}\\par\r\n") << QStringLiteral("plain {text}\\par\r\n");
    }
    void rtfShowsAsItsPlainText() {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QCOMPARE(rtfToText(rtf), text);
    }
};

QTEST_MAIN(TestRtfText)
#include "tst_rtftext.moc"
