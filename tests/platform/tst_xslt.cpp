#include <QTest>

#include "platform/xslt.h"
#include "support/testenv.h"

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

        // A stylesheet may neither read a file nor write one.
        const QString style = dir.filePath("style.xsl");
        QVERIFY(writeWholeFile(style, "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/"
                                      "Transform\"><xsl:template match=\"/\"><p><xsl:value-of select=\"document('" +
                                          url.toUtf8() + "')\"/></p></xsl:template></xsl:stylesheet>"));
        const platform::XsltPage read = platform::renderXslt("<a/>", style);
        QVERIFY2(!read.ok() && !read.output.contains("top secret"), qPrintable(read.error));
    }
};

QTEST_MAIN(TestXslt)
#include "tst_xslt.moc"
