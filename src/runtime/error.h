#pragma once
#include <QString>
#include <stdexcept>
#include <string>

namespace rt {

// A run-time error as the program's procedures catch and report it: a number and a description
// ("Type mismatch" 13, "Overflow" 6, "Subscript out of range" 9, port errors 8002 and up, ...).
class VbError : public std::runtime_error {
public:
    VbError(int number, const QString& description)
        : std::runtime_error(description.toStdString()), m_number(number), m_description(description) {}
    int number() const { return m_number; }
    QString description() const { return m_description; }

private:
    int m_number;
    QString m_description;
};

// A mistake in the program itself, not in what it was given: a setting key, a control or a range
// of keys that the code names and that does not exist. A test run treats it as fatal, so that no
// handler's error handling can pass over it and a mistyped key in a rarely run handler fails the
// run. The shipped program logs it and raises std::logic_error, which the handler passes over
// like any failing statement: one faulty handler does not end the user's session.
[[noreturn]] void programmingError(const std::string& what);
// Makes programming errors fatal (every test program does this before it starts).
void setProgrammingErrorsFatal(bool fatal);

// Runs one statement of a handler that passes over failing statements: a run-time error ends the
// statement, and the handler goes on with the next one.
template <typename F> void passOver(F body) {
    try {
        body();
    } catch (const std::exception&) {
    }
}

} // namespace rt
