#include "runtime/error.h"

#include <QtGlobal>

namespace rt {

namespace {
bool g_fatal = false;
}

void setProgrammingErrorsFatal(bool fatal) {
    g_fatal = fatal;
}

void programmingError(const std::string& what) {
    if (g_fatal) qFatal("programming error: %s", what.c_str());
    qCritical("programming error: %s", what.c_str());
    throw std::logic_error(what);
}

} // namespace rt
