#pragma once
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <optional>

namespace rt {

// Button and icon flags of a message box, combined with |.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
    vbSystemModal = 4096,
};

// The button a message box was closed with.
enum MsgBoxResult : int {
    vbOK = 1,
    vbCancel = 2,
    vbAbort = 3,
    vbRetry = 4,
    vbIgnore = 5,
    vbYes = 6,
    vbNo = 7
};

// Title used when a caller gives none (the program's title).
QString appTitle();

// Shows a modal message box and returns the button pressed. Inside an UnattendedScope a box with
// only an OK button is shown without waiting (answered OK at once); once the program has been
// asked to end no box is shown and each is answered with its default button.
int MsgBox(const QString& prompt, int style = vbOKOnly, const QString& title = QString());

// Shows an input box; std::nullopt when it was cancelled, otherwise the text (possibly empty).
std::optional<QString> InputBox(const QString& prompt, const QString& title = QString(),
                                const QString& defaultText = QString());

// Shows the file-open dialog with its title and a filter given as description|pattern pairs
// ("Text (*.txt)|*.txt|All files (*.*)|*.*"); the chosen file, or an empty text when cancelled.
QString ShowOpen(const QString& title, const QString& filter);

// Without a widget application to show a box in (and no DialogScript installed), boxes are written
// to the log and answered at once: a message box with its default button, an input box with Cancel.

// The button a message box of this style is answered with when nobody presses one: its default
// button (the first, or the one vbDefaultButton2/3 names).
int defaultButton(int style);
// The first button of a message box of this style (OK, Abort, Yes or Retry).
int firstButton(int style);

// Marks code run from a timer tick or a serial event (the polling, the serial handlers and the
// alert checks below them): a box it shows must not hold up the other sensors while it waits for
// a person. Such boxes stay on screen without blocking, one per text at a time. Nestable.
// An exchange carries the mark across its pauses: it is taken when the exchange suspends and
// given back, one deeper, when it resumes from the event loop, where nobody acted for it.
class UnattendedScope {
public:
    UnattendedScope();
    ~UnattendedScope();
    UnattendedScope(const UnattendedScope&) = delete;
    UnattendedScope& operator=(const UnattendedScope&) = delete;
    static bool active();
    static int depth();
    // A suspended exchange going on from the event loop, for as long as it runs until its next
    // pause: marked as it was when it paused, and one deeper.
    class Resume {
    public:
        explicit Resume(int depthAtPause);
        ~Resume();
        Resume(const Resume&) = delete;
        Resume& operator=(const Resume&) = delete;

    private:
        int m_before;
    };
};

// One box as shown, for tests.
struct ShownBox {
    enum Kind { Message, Input, FileOpen } kind = Message;
    QString prompt; // a file dialog: its title
    QString title;
    int style = 0;
    QString defaultText; // a file dialog: its filter
    bool waits = true;   // false: shown without holding up the caller
};

// Answers boxes instead of showing them. While a script is installed every box is recorded and
// answered by the handler; a handler that returns std::nullopt for a message box answers with the
// box's first button (OK or Yes etc.), and for an input box or file dialog means Cancel. A file
// dialog is answered with the file name as a QString.
class DialogScript {
public:
    using Handler = std::function<std::optional<QVariant>(const ShownBox&)>;
    DialogScript(); // installs itself; answers every box with its default
    explicit DialogScript(Handler h);
    ~DialogScript(); // uninstalls; boxes are shown again
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    // Queue answers taken in order before the handler is asked: an int for a message box
    // (vbYes, vbNo, ...), a QString for an input box or file dialog, or an invalid QVariant for Cancel.
    void queue(const QVariant& answer);
    const QList<ShownBox>& shown() const { return m_shown; }
    QStringList prompts() const; // the prompt of every box shown, in order
    void clear() { m_shown.clear(); }

    // Used by MsgBox and InputBox.
    static DialogScript* active();
    QVariant answer(const ShownBox& box);

private:
    Handler m_handler;
    QList<QVariant> m_queue;
    QList<ShownBox> m_shown;
    DialogScript* m_previous = nullptr;
};

} // namespace rt
