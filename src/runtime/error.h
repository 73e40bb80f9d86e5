#pragma once
#include <QString>
#include <stdexcept>

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

// Runs one statement of a handler that passes over failing statements: a run-time error ends the
// statement, and the handler goes on with the next one.
template <typename F> void passOver(F body) {
    try {
        body();
    } catch (const std::exception&) {
    }
}

} // namespace rt
