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
std::optional<QVariant> ScriptedBoxes::answerFor(const rt::ShownBox& box) {
    std::optional<QVariant> given;
    m_expected.append(!m_answers.isEmpty() || m_handler);
    if (!m_answers.isEmpty())
        given = m_answers.takeFirst();
    else if (m_handler)
        given = m_handler(box);
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
