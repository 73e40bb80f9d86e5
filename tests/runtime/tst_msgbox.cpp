#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "runtime/msgbox.h"

using namespace rt;

namespace {
// Answers the next modal box once it is up, from inside its own event loop.
void whenBoxShown(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            act(w);
        }
    });
    poll->start(10);
}
} // namespace

class TestMsgBox : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { setUnattended(false); }

    void scriptAnswersQueuedThenHandlerThenFirstButton() {
        DialogScript script([](const ShownBox& b) -> std::optional<QVariant> {
            if (b.prompt == "Ask handler") return int(vbNo);
            return std::nullopt;
        });
        script.queue(int(vbCancel));
        const QList<int> answers{MsgBox("Queued", vbYesNoCancel),
                                 MsgBox("Ask handler", vbYesNo | vbQuestion, "Title"),
                                 MsgBox("Nobody", vbYesNo | vbDefaultButton2),
                                 MsgBox("Retry?", vbRetryCancel), MsgBox("Abort?", vbAbortRetryIgnore)};
        QCOMPARE(answers, QList<int>({vbCancel, vbNo, vbYes, vbRetry, vbAbort}));

        QCOMPARE(script.prompts(), (QStringList{"Queued", "Ask handler", "Nobody", "Retry?", "Abort?"}));
        QCOMPARE(script.shown().at(0).title, appTitle());
        QCOMPARE(script.shown().at(1).title, QString("Title"));
        QCOMPARE(script.shown().at(1).style, vbYesNo | vbQuestion);
        {
            DialogScript inner; // scripts nest; the outer one answers again afterwards
            MsgBox("inner");
        }
        QCOMPARE(DialogScript::active(), &script);
    }

    void scriptTellsInputCancelFromEmpty() {
        DialogScript script;
        script.queue(QString(""));
        script.queue(QVariant());
        script.queue(QString("Lab 2"));
        QCOMPARE(InputBox("Name?"), std::optional<QString>(QString("")));
        QCOMPARE(InputBox("Name?"), std::optional<QString>());
        QCOMPARE(InputBox("Name?", "T", "Old"), std::optional<QString>(QString("Lab 2")));
        QCOMPARE(InputBox("Name?", "T", "Old"), std::optional<QString>()); // unanswered = Cancel
        QCOMPARE(script.shown().at(2).kind, ShownBox::Input);
        QCOMPARE(script.shown().at(2).defaultText, QString("Old"));
    }

    void unattendedAnswersDefaultButtonWithoutShowing() {
        setUnattended(true);
        const QList<int> answers{MsgBox("Delete?", vbYesNo | vbDefaultButton2),
                                 MsgBox("Go on?", vbYesNoCancel | vbDefaultButton3), MsgBox("Info")};
        QCOMPARE(answers, QList<int>({vbNo, vbCancel, vbOK}));
        QCOMPARE(InputBox("Name?", "", "x"), std::optional<QString>());
        QVERIFY(!QApplication::activeModalWidget());
    }

    void shownMessageBoxHasStyleButtonsAndReturnsPressed() {
        QString title;
        bool onTop = false;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool noIsDefault = false;
        whenBoxShown([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            title = box->windowTitle();
            icon = box->icon();
            onTop = box->windowFlags() & Qt::WindowStaysOnTopHint;
            noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
            box->button(QMessageBox::No)->click();
        });
        const int r = MsgBox("Really?", vbYesNo | vbExclamation | vbDefaultButton2 | vbSystemModal);
        QCOMPARE(r, int(vbNo));
        QCOMPARE(title, appTitle());
        QCOMPARE(icon, QMessageBox::Warning);
        QVERIFY(onTop);
        QVERIFY(noIsDefault);

        whenBoxShown([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(MsgBox("Escape", vbOKCancel), int(vbCancel));
    }

    void shownInputBoxTellsCancelFromEmpty() {
        whenBoxShown([](QWidget* w) {
            auto* d = qobject_cast<QInputDialog*>(w);
            QVERIFY(d);
            QCOMPARE(d->textValue(), QString("Old name"));
            d->setTextValue("");
            d->accept();
        });
        QCOMPARE(InputBox("Name?", "Rename", "Old name"), std::optional<QString>(QString("")));

        whenBoxShown([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
        QCOMPARE(InputBox("Name?", "Rename", "Old name"), std::optional<QString>());
    }
};

// A box asked for before any widget application exists must not crash: it is logged and
// answered with its default.
int main(int argc, char** argv) {
    if (MsgBox("No application yet", vbYesNo | vbDefaultButton2) != vbNo ||
        InputBox("No application yet").has_value()) {
        qCritical("box without an application was not answered with its default");
        return 1;
    }
    QApplication app(argc, argv);
    TestMsgBox t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_msgbox.moc"
