// Linked into every test program: a key or control the code names that does not exist ends the
// test run, whatever handler it happens in.
#include "runtime/error.h"

namespace {
const bool fatal = (rt::setProgrammingErrorsFatal(true), true);
}
