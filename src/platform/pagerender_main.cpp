// The page renderer: applies the stylesheet named on its command line to the XML document on its
// standard input and writes the page to its standard output, or, when there is none, the reason
// (exit code RenderFailed). It runs apart from the program, within bounds of its own: the first
// allocation past the memory a status page can need, or the processor time past its bound, ends
// it at once with an exit code of its own.
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QByteArray>
#include <QFile>
#include <QString>

#include <libxml/xmlmemory.h>

#include "platform/xslt.h"

namespace {

// Address space for everything else (the libraries themselves, the page's copy): a backstop.
constexpr rlim_t kAddressSpaceBytes = rlim_t(1) << 30;

std::size_t g_held = 0; // bytes the libraries hold

[[noreturn]] void overBudget() {
    _exit(platform::RenderOutOfMemory);
}

// Whether more bytes may be taken.
bool fits(std::size_t more) {
    return g_held < platform::kRenderMemoryBytes && more <= platform::kRenderMemoryBytes - g_held;
}

void* budgetMalloc(std::size_t n) {
    if (!fits(n)) overBudget();
    void* p = std::malloc(n);
    if (!p) overBudget();
    g_held += malloc_usable_size(p);
    return p;
}

void budgetFree(void* p) {
    if (!p) return;
    g_held -= malloc_usable_size(p);
    std::free(p);
}

void* budgetRealloc(void* p, std::size_t n) {
    const std::size_t before = p ? malloc_usable_size(p) : 0;
    if (n > before && !fits(n - before)) overBudget();
    void* q = std::realloc(p, n);
    if (!q) {
        if (n != 0) overBudget();
        g_held -= before;
        return q;
    }
    g_held = g_held - before + malloc_usable_size(q);
    return q;
}

char* budgetStrdup(const char* s) {
    const std::size_t n = std::strlen(s) + 1;
    auto* p = static_cast<char*>(budgetMalloc(n));
    std::memcpy(p, s, n);
    return p;
}

void outOfTime(int) {
    _exit(platform::RenderOutOfTime);
}

void limit(int resource, rlim_t soft, rlim_t hard) {
    const rlimit l{soft, hard};
    setrlimit(resource, &l);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) return platform::RenderUsage;
    // Before the libraries allocate anything: every allocation of theirs is counted.
    xmlMemSetup(budgetFree, budgetMalloc, budgetRealloc, budgetStrdup);
    std::signal(SIGXCPU, outOfTime);
    limit(RLIMIT_CPU, platform::kRenderCpuSeconds, platform::kRenderCpuSeconds + 1);
    limit(RLIMIT_AS, kAddressSpaceBytes, kAddressSpaceBytes);

    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) return platform::RenderUsage;
    const QByteArray xml = in.readAll();
    const platform::XsltPage page = platform::renderXslt(xml, QString::fromLocal8Bit(argv[1]));
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly)) return platform::RenderUsage;
    out.write(page.ok() ? page.output : page.error.toUtf8());
    out.close();
    return page.ok() ? platform::RenderOk : platform::RenderFailed;
}
