#include <QtTest>

#include "runtime/errorof.h"
#include "runtime/vb.h"

using namespace rt;

class TestVb : public QObject {
    Q_OBJECT
private slots:
    void valReadsTheLeadingNumber() {
        // clang-format off
        const QList<std::pair<QString, double>> cases{
            {"12cm", 12}, {" 45 cm", 45}, {"1 2\t3", 123}, {"-5.5", -5.5}, {"- 5", -5}, {"1,5", 1},
            {"", 0}, {"abc", 0}, {"3.5.1", 3.5}, {"1e3", 1000}, {"2D2", 200}, {"7e", 7}, {"7e+x", 7},
            {".25", 0.25}, {"-", 0}, {".", 0}, {"&H1F", 31}, {"&HFFFF", -1}, {"&H10000", 65536},
            {"&O17", 15}, {"72.50F", 72.5}, {"12cm: Too Close", 12}, {"1e-400", 0}, {"+3", 3}, {"0.1", 0.1},
            {"123456789012.5", 123456789012.5}, {"1234567890123456", 1234567890123456.0}};
        // clang-format on
        for (const auto& [text, value] : cases)
            QVERIFY2(Val(text) == value, qPrintable(text));
        QCOMPARE(errorOf([] { Val("1e400"); }), 6);
    }

    void numericTextsAsWhole() {
        // IsNumeric and the conversions agree: what is numeric converts, what is not mismatches.
        for (const QString s : {"72.5", " 45 ", "-5.5", "+3", "1e3", "1.", ".5", "&H10", "1,5", "\t7\t"}) {
            QVERIFY2(IsNumeric(s), qPrintable(s));
            QCOMPARE(errorOf([&] { CDbl(s); }), 0);
        }
        for (const QString s :
             {"", " ", ".", "-", "12cm", "abc", "1 2", "3.5.1", ",5", "1e", "&H", "1.5,0"}) {
            QVERIFY2(!IsNumeric(s), qPrintable(s));
            QCOMPARE(errorOf([&] { CDbl(s); }), 13);
            QCOMPARE(errorOf([&] { CInt(s); }), 13);
            QCOMPARE(errorOf([&] { CLng(s); }), 13);
        }
        QCOMPARE(CDbl("1,234.5"), 1234.5);
        QCOMPARE(CDbl(" -5.5 "), -5.5);
        QCOMPARE(CDbl("&HFFFF"), -1.0);
        QCOMPARE(errorOf([] { CDbl("1e400"); }), 6);
        QVERIFY(!IsNumeric("1e400"));
    }

    void wholeNumbersRoundHalfToEvenAndCheckRange() {
        QCOMPARE(
            QList<int>({CInt("2.5"), CInt("3.5"), CInt(-2.5), CInt(2.51), CInt(-32768.5), CInt(" 1e3 ")}),
            QList<int>({2, 4, -2, 3, -32768, 1000}));
        QCOMPARE(CInt("32767"), 32767);
        for (double bad : {32768.0, 32767.5, -32769.0})
            QCOMPARE(errorOf([&] { CInt(bad); }), 6);
        QCOMPARE(errorOf([] { CInt("32768"); }), 6);
        QCOMPARE(QList<long>({CLng("32768"), CLng("-2147483648"), CLng(1.5)}),
                 QList<long>({32768L, -2147483648L, 2L}));
        QCOMPARE(errorOf([] { CLng(2147483647.5); }), 6);
        QCOMPARE(errorOf([] { CLng("3000000000"); }), 6);
    }

    void numbersToText() {
        // clang-format off
        const QList<std::pair<double, QString>> cases{
            {72.50, "72.5"}, {-5, "-5"}, {0, "0"}, {-0.0, "0"}, {0.5, "0.5"}, {0.1 + 0.2, "0.3"},
            {1e-4, "0.0001"}, {1e-5, "1E-05"}, {1e15, "1E+15"}, {1.5e300, "1.5E+300"},
            {123456789012345.0, "123456789012345"}};
        // clang-format on
        for (const auto& [v, text] : cases)
            QCOMPARE(CStr(v), text);
        QCOMPARE(CStr(1024000), QString("1024000"));
        QCOMPARE(CStr(true) + CStr(false), QString("TrueFalse"));
        QCOMPARE(CStr("text"), QString("text")); // not taken as a boolean
        QCOMPARE(Str(72.5) + Str(-5) + Str(0), QString(" 72.5-5 0"));
        QCOMPARE(Str(0.5), QString(" .5"));
        QCOMPARE(Str(-0.25), QString("-.25"));
    }

    void substringsAtTheEdges() {
        QCOMPARE(Left("abc", 0) + "|" + Left("abc", 5), QString("|abc"));
        QCOMPARE(Right("abc", 2) + "|" + Right("abc", 9), QString("bc|abc"));
        QCOMPARE(Mid("abcdef", 3) + "|" + Mid("abcdef", 7), QString("cdef|"));
        QCOMPARE(Mid("abcdef", 2, 3) + "|" + Mid("abcdef", 5, 10), QString("bcd|ef"));
        QCOMPARE(Mid("abc", 9, 1) + Mid("abc", 1, 0), QString(""));
        QCOMPARE(errorOf([] { Left("abc", -1); }), 5);
        QCOMPARE(errorOf([] { Right("abc", -1); }), 5);
        QCOMPARE(errorOf([] { Mid("abc", 0); }), 5);
        QCOMPARE(errorOf([] { Mid("abc", 1, -1); }), 5);
    }

    void searchesCountFromOneAndRefuseAStartBelowOne() {
        QCOMPARE(InStr("Corvisent/T", "/"), 10);
        QCOMPARE(InStr(4, "abcabc", "c"), 6);
        QCOMPARE(InStr(7, "abcabc", "c"), 0);
        QCOMPARE(InStr(2, "abc", ""), 2);
        QCOMPARE(InStr("", "") + InStr("", "a") + InStr("abc", "C") + InStr("abc", "x"), 0);
        QCOMPARE(errorOf([] { InStr(0, "abc", "a"); }), 5);

        QCOMPARE(InStrRev("3/7/2009", "/"), 4);
        QCOMPARE(InStrRev("abcabc", "bc", 4), 2);
        QCOMPARE(InStrRev("abcabc", "bc", 6), 5);
        QCOMPARE(InStrRev("abcabc", "bc", 1) + InStrRev("abc", "x") + InStrRev("abc", "a", 4), 0);
        QCOMPARE(InStrRev("abc", ""), 3);
        QCOMPARE(errorOf([] { InStrRev("abc", "a", 0); }), 5);
    }

    void textFunctionsTrimOnlySpacesAndRefuseBadArguments() {
        QCOMPARE(Trim("  a b  ") + "|" + LTrim("  a ") + "|" + RTrim(" a  "), QString("a b|a | a"));
        QCOMPARE(Trim("\ta\t"), QString("\ta\t"));
        QCOMPARE(UCase("Combo é"), QString("COMBO É"));
        QCOMPARE(UCase("ÿ"), QString("ÿ")); // its capital has no single-byte form
        QCOMPARE(LCase("/RegClean"), QString("/regclean"));
        QCOMPARE(Replace("a-b-c", "-", "") + Replace("abc", "", "x") + Replace("aaa", "aa", "b"), "abcabcba");
        QCOMPARE(Space(3) + String(3, QChar('0')) + String(2, "xy"), QString("   000xx"));
        QCOMPARE(errorOf([] { Space(-1); }), 5);
        QCOMPARE(errorOf([] { String(2, ""); }), 5);
        QCOMPARE(Chr(13) + Chr(10) + Chr(233), QString("\r\né"));
        QCOMPARE(errorOf([] { Chr(256); }), 5);
        QCOMPARE(QList<int>({Asc("A"), Asc("é"), Asc("€")}), QList<int>({65, 233, 63}));
        QCOMPARE(errorOf([] { Asc(""); }), 5);
    }

    void singleByteTextRoundTrips() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = fromBytes(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(text.at(0xB0).unicode(), ushort(0xB0));
        QCOMPARE(toBytes(text), all);
        QCOMPARE(toBytes(QString::fromUtf8("a€b")), QByteArray("a?b"));
    }
};

QTEST_GUILESS_MAIN(TestVb)
#include "tst_vb.moc"
