#include <QTest>

#include "platform/xslt.h"
#include "support/testenv.h"

namespace {
const QByteArray kStylesheetStart =
    "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">";
const QByteArray kStylesheetEnd = "</xsl:stylesheet>";
} // namespace

// Pages rendered from documents that try to reach beyond themselves.
class TestXslt : public QObject {
    Q_OBJECT

private slots:
    void documentsReachNoFileOrAddress() {
        QTemporaryDir dir;
        const QString secret = dir.filePath("secret.xml");
        QVERIFY(writeWholeFile(secret, "<s>top secret</s>"));
        const QString url = QUrl::fromLocalFile(secret).toString();
        const QByteArray xml = "<?xml version=\"1.0\"?><!DOCTYPE corvisent [<!ENTITY s SYSTEM \"" + url.toUtf8() +
                               "\">]><corvisent><title><TxtTitle>&s;</TxtTitle></title>"
                               "<sensor><type>T</type><name>&s;</name></sensor></corvisent>";
        const platform::XsltPage page = platform::renderXslt(xml, CORVISENT_ASSETS_DIR "/cvman.xsl");
        QVERIFY(!page.output.contains("top secret"));

        // A stylesheet takes in no other stylesheet file.
        const QString other = dir.filePath("other.xsl");
        const QString otherUrl = QUrl::fromLocalFile(other).toString();
        QVERIFY(writeWholeFile(
            other, kStylesheetStart + "<xsl:template name=\"s\">top secret</xsl:template>" + kStylesheetEnd));
        for (const QByteArray element : {"include", "import"}) {
            const QString style = dir.filePath(element + ".xsl");
            QVERIFY(
                writeWholeFile(style, kStylesheetStart + "<xsl:" + element + " href=\"" + otherUrl.toUtf8() +
                                          "\"/><xsl:template match=\"/\"><p><xsl:call-template name=\"s\"/>"
                                          "</p></xsl:template>" +
                                          kStylesheetEnd));
            const platform::XsltPage taken = platform::renderXslt("<a/>", style);
            QVERIFY2(!taken.ok() && !taken.output.contains("top secret"), element.constData());
            QCOMPARE(taken.error, otherUrl + " may not be read");
        }

        // A stylesheet may neither read a file nor write one; the refusal is the reason given.
        const QString style = dir.filePath("style.xsl");
        QVERIFY(writeWholeFile(style, kStylesheetStart +
                                          "<xsl:template match=\"/\"><p><xsl:value-of select=\"document('" +
                                          url.toUtf8() + "')\"/></p></xsl:template>" + kStylesheetEnd));
        const platform::XsltPage read = platform::renderXslt("<a/>", style);
        QVERIFY2(!read.ok() && !read.output.contains("top secret"), qPrintable(read.error));
        QCOMPARE(read.error, secret + " may not be read");
    }
};

QTEST_MAIN(TestXslt)
#include "tst_xslt.moc"
