#pragma once
#include <QList>
#include <QStringList>
#include <QVariant>

#include "runtime/msgbox.h"

// The message boxes of one test, answered as rt::DialogScript answers them, with one rule more: a
// box the test did not expect fails the test when the script goes, at the end of the test
// function or in its cleanup(). A box is expected when a queued answer or the test's handler
// answered it, or when the test looked at it (prompts(), shown()) or put it aside (clear()) after
// it was shown. A test that has failed already is not failed again for its boxes.
class ScriptedBoxes : public rt::DialogScript {
public:
    ScriptedBoxes() : ScriptedBoxes(Handler()) {}
    explicit ScriptedBoxes(Handler h);
    ~ScriptedBoxes();

    void queue(const QVariant& answer) { m_answers.append(answer); }
    const QList<rt::ShownBox>& shown() const;
    QStringList prompts() const;
    void clear();
    // The prompts of the boxes nobody expected so far.
    QStringList unexpected() const;

private:
    std::optional<QVariant> answerFor(const rt::ShownBox& box);

    Handler m_handler;
    QList<QVariant> m_answers;
    QList<bool> m_expected;   // by box shown: answered by the test
    mutable qsizetype m_seen = 0; // boxes shown before the test last looked
};
