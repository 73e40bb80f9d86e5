#include "support/boxes.h"

#include <QtTest>

ScriptedBoxes::ScriptedBoxes(Handler h)
    : rt::DialogScript([this](const rt::ShownBox& box) { return answerFor(box); }), m_handler(std::move(h)) {}

ScriptedBoxes::~ScriptedBoxes() {
    const QStringList missed = unexpected();
    if (missed.isEmpty() || !QTest::currentTestFunction() || QTest::currentTestFailed()) return;
    const QString message = QStringLiteral("Message box no test expected: \"%1\"").arg(missed.join("\", \""));
    QTest::qFail(qPrintable(message), __FILE__, __LINE__);
}

// The base script records the box before it asks here.
// A box the handler leaves unanswered was not expected. Its place is taken before the handler
// runs, since the handler may show boxes of its own.
std::optional<QVariant> ScriptedBoxes::answerFor(const rt::ShownBox& box) {
    const qsizetype at = m_expected.size();
    m_expected.append(true);
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    const std::optional<QVariant> given = m_handler ? m_handler(box) : std::nullopt;
    if (!given && at < m_expected.size()) m_expected[at] = false;
    return given;
}

const QList<rt::ShownBox>& ScriptedBoxes::shown() const {
    m_seen = rt::DialogScript::shown().size();
    return rt::DialogScript::shown();
}

QStringList ScriptedBoxes::prompts() const {
    m_seen = rt::DialogScript::shown().size();
    return rt::DialogScript::prompts();
}

void ScriptedBoxes::clear() {
    rt::DialogScript::clear();
    m_expected.clear();
    m_seen = 0;
}

QStringList ScriptedBoxes::unexpected() const {
    QStringList out;
    const QList<rt::ShownBox>& boxes = rt::DialogScript::shown();
    for (qsizetype i = m_seen; i < boxes.size(); ++i)
        if (!m_expected.value(i)) out << boxes[i].prompt;
    return out;
}
