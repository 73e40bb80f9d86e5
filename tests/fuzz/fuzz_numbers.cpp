// The number conversions and string functions: they fail only with the run-time errors they
// document, agree with each other about what a number is, and read back what they write.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "check.h"
#include "runtime/error.h"
#include "runtime/vb.h"

namespace {

// Runs f; a run-time error must be one of the allowed numbers. True when f did not fail.
template <typename F> bool allowed(F f, std::initializer_list<int> numbers, const QString& shown) {
    try {
        f();
        return true;
    } catch (const rt::VbError& e) {
        FUZZ_CHECK(std::find(numbers.begin(), numbers.end(), e.number()) != numbers.end(), shown);
        return false;
    }
}

void numbers(const QString& s) {
    allowed([&] { rt::Val(s); }, {6}, s);
    const bool numeric = rt::IsNumeric(s);
    double d = 0;
    const bool converted = allowed([&] { d = rt::CDbl(s); }, {6, 13}, s);
    FUZZ_CHECK(converted == numeric, s);
    if (converted) {
        FUZZ_CHECK(std::isfinite(d), s);
        // What CStr writes reads back (close to the value: it keeps 15 figures), except at the
        // very ends of the range.
        if (d == 0 || (std::fpclassify(d) == FP_NORMAL && std::abs(d) < 1e308)) {
            const QString text = rt::CStr(d);
            FUZZ_CHECK(rt::IsNumeric(text), s + QStringLiteral(" -> ") + text);
            const double back = rt::CDbl(text);
            FUZZ_CHECK(std::abs(back - d) <= 1e-14 * std::abs(d), s + QStringLiteral(" -> ") + text);
            FUZZ_CHECK(rt::Val(text) == back, text);
            FUZZ_CHECK(rt::IsNumeric(rt::Str(d)), text);
        }
    }
    int i = 0;
    if (allowed([&] { i = rt::CInt(s); }, {6, 13}, s)) FUZZ_CHECK(numeric && i >= -32768 && i <= 32767, s);
    long l = 0;
    if (allowed([&] { l = rt::CLng(s); }, {6, 13}, s)) FUZZ_CHECK(numeric && l >= -2147483648L && l <= 2147483647L, s);
}

void strings(const QString& s, int n, int m) {
    const QString find = s.mid(qAbs(n) % (s.size() + 1), 1 + qAbs(m) % 3);
    auto check = [&](auto f) { allowed(f, {5}, s); };
    check([&] { FUZZ_CHECK(rt::Left(s, n).size() <= s.size(), s); });
    check([&] { FUZZ_CHECK(rt::Right(s, n).size() <= s.size(), s); });
    check([&] { FUZZ_CHECK(rt::Mid(s, n).size() <= s.size(), s); });
    check([&] { FUZZ_CHECK(rt::Mid(s, n, m).size() <= qMax(0, m), s); });
    check([&] {
        const int at = rt::InStr(n, s, find);
        FUZZ_CHECK(at >= 0 && at <= s.size(), s);
        if (at > 0 && !find.isEmpty()) FUZZ_CHECK(s.mid(at - 1, find.size()) == find, s);
    });
    check([&] {
        const int at = rt::InStrRev(s, find, n);
        FUZZ_CHECK(at >= 0 && at <= s.size(), s);
        if (at > 0 && !find.isEmpty()) FUZZ_CHECK(s.mid(at - 1, find.size()) == find, s);
    });
    check([&] { FUZZ_CHECK(rt::Asc(s) >= 0 && rt::Asc(s) <= 255, s); });
    check([&] { FUZZ_CHECK(rt::Chr(n).size() == 1, s); });
    check([&] { FUZZ_CHECK(rt::String(m % 512, s).size() == m % 512, s); });
    FUZZ_CHECK(rt::UCase(s).size() == s.size() && rt::LCase(s).size() == s.size(), s);
    FUZZ_CHECK(rt::Trim(s) == rt::LTrim(rt::RTrim(s)), s);
    FUZZ_CHECK(!rt::Replace(s, find, QString()).contains(find) || find.isEmpty() || find.size() > 1, s);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    int16_t n, m;
    std::memcpy(&n, data, 2);
    std::memcpy(&m, data + 2, 2);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 4), qsizetype(size - 4));
    for (const QString& s : {QString::fromLatin1(bytes), QString::fromUtf8(bytes)}) {
        numbers(s);
        strings(s, n, m);
    }
    return 0;
}
