#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "runtime/msgbox.h"
#include "support/testenv.h"

using namespace rt;


class TestMsgBox : public QObject {
    Q_OBJECT
private slots:
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
        QVERIFY(script.shown().at(0).title == appTitle() && script.shown().at(1).title == "Title");
        // Input boxes tell an empty answer from Cancel; unanswered is Cancel.
        script.queue(QString(""));
        script.queue(QVariant());
        QCOMPARE(InputBox("Name?"), std::optional<QString>(QString("")));
        QCOMPARE(InputBox("Name?"), std::optional<QString>());
        QCOMPARE(InputBox("Name?", "T", "Old"), std::optional<QString>());
        QCOMPARE(script.shown().at(7).defaultText, QString("Old"));
        {
            DialogScript inner; // scripts nest; the outer one answers again afterwards
            MsgBox("inner");
        }
        QCOMPARE(DialogScript::active(), &script);
    }

    void shownBoxesReturnWhatWasPressed() {
        bool styled = false; // title, icon, on top, default button
        whenBoxShown([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            styled = box && box->windowTitle() == appTitle() && box->icon() == QMessageBox::Warning &&
                     (box->windowFlags() & Qt::WindowStaysOnTopHint) &&
                     box->defaultButton() == box->button(QMessageBox::No);
            box->button(QMessageBox::No)->click();
        });
        QCOMPARE(MsgBox("Really?", vbYesNo | vbExclamation | vbDefaultButton2 | vbSystemModal), int(vbNo));
        QVERIFY(styled);

        whenBoxShown([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(MsgBox("Escape", vbOKCancel), int(vbCancel));

        whenBoxShown([](QWidget* w) {
            auto* d = qobject_cast<QInputDialog*>(w);
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
