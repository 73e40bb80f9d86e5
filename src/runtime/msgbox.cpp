#include "runtime/msgbox.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QHash>
#include <QPointer>
#include <QPushButton>
#include <utility>

#include "runtime/clock.h"

namespace rt {

namespace {

DialogScript* g_active = nullptr;
int g_unattended = 0;
// Boxes on screen that nobody waits for, by title and text: one of each at a time, and a
// bounded number in all.
constexpr int kModelessBoxesMax = 16;
QHash<QString, QPointer<QMessageBox>>& modelessBoxes() {
    static QHash<QString, QPointer<QMessageBox>> boxes;
    return boxes;
}

// The buttons of a style, in the order they stand on the box.
QList<int> buttonsOf(int style) {
    switch (style & 7) {
    case vbOKCancel:
        return {vbOK, vbCancel};
    case vbAbortRetryIgnore:
        return {vbAbort, vbRetry, vbIgnore};
    case vbYesNoCancel:
        return {vbYes, vbNo, vbCancel};
    case vbYesNo:
        return {vbYes, vbNo};
    case vbRetryCancel:
        return {vbRetry, vbCancel};
    default:
        return {vbOK};
    }
}

QMessageBox::StandardButton standardButton(int result) {
    switch (result) {
    case vbCancel:
        return QMessageBox::Cancel;
    case vbAbort:
        return QMessageBox::Abort;
    case vbRetry:
        return QMessageBox::Retry;
    case vbIgnore:
        return QMessageBox::Ignore;
    case vbYes:
        return QMessageBox::Yes;
    case vbNo:
        return QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

QMessageBox::Icon iconOf(int style) {
    switch (style & 0x70) {
    case vbCritical:
        return QMessageBox::Critical;
    case vbQuestion:
        return QMessageBox::Question;
    case vbExclamation:
        return QMessageBox::Warning;
    case vbInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QString titleOr(const QString& title) {
    return title.isEmpty() ? appTitle() : title;
}

// Boxes can be shown only inside a widget application.
bool canShow() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

void applyModality(QWidget* box, int style) {
    box->setWindowModality(Qt::ApplicationModal);
    if (style & vbSystemModal) box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

int showMessage(const QString& prompt, int style, const QString& title) {
    QMessageBox box(iconOf(style), title, prompt);
    applyModality(&box, style);
    const QList<int> results = buttonsOf(style);
    QList<QAbstractButton*> buttons;
    for (int r : results)
        buttons << box.addButton(standardButton(r));
    box.setDefaultButton(qobject_cast<QPushButton*>(buttons.value(results.indexOf(defaultButton(style)))));
    // Escape answers Cancel where there is one and OK on a lone OK; otherwise it does nothing.
    if (results.contains(vbCancel))
        box.setEscapeButton(buttons.at(results.indexOf(vbCancel)));
    else if (results.size() == 1)
        box.setEscapeButton(buttons.first());
    box.exec();
    const int i = buttons.indexOf(box.clickedButton());
    return i >= 0 ? results.at(i) : defaultButton(style);
}

// A box with only an OK button, shown without waiting for it to be closed.
void showModeless(const QString& prompt, int style, const QString& title) {
    const QString key = title + u'\n' + prompt;
    QHash<QString, QPointer<QMessageBox>>& boxes = modelessBoxes();
    boxes.removeIf([](const auto& it) { return it.value().isNull(); });
    if (QMessageBox* open = boxes.value(key)) {
        open->raise();
        return;
    }
    if (boxes.size() >= kModelessBoxesMax) {
        qInfo().noquote() << "Message box not shown (too many open):" << title << "-" << prompt;
        return;
    }
    auto* box = new QMessageBox(iconOf(style), title, prompt, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    if (style & vbSystemModal) box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    boxes.insert(key, box);
    box->show();
}

bool okOnly(int style) {
    return (style & 7) == vbOKOnly;
}

} // namespace

UnattendedScope::UnattendedScope() {
    ++g_unattended;
}

UnattendedScope::~UnattendedScope() {
    --g_unattended;
}

int UnattendedScope::depth() {
    return g_unattended;
}

UnattendedScope::Resume::Resume(int depthAtPause) : m_before(std::exchange(g_unattended, depthAtPause + 1)) {}

UnattendedScope::Resume::~Resume() {
    g_unattended = m_before;
}

bool UnattendedScope::active() {
    return g_unattended > 0;
}

QString appTitle() {
    return QStringLiteral("Corvisent Manager");
}

int firstButton(int style) {
    return buttonsOf(style).first();
}

int defaultButton(int style) {
    const QList<int> buttons = buttonsOf(style);
    const int index = (style >> 8) & 3;
    return buttons.value(index, buttons.first());
}

int MsgBox(const QString& prompt, int style, const QString& title) {
    const bool waits = !(okOnly(style) && UnattendedScope::active());
    const ShownBox box{ShownBox::Message, prompt, titleOr(title), style, QString(), waits};
    if (DialogScript* script = DialogScript::active()) return script->answer(box).toInt();
    if (!canShow() || QuitRequested()) {
        const int answer = defaultButton(style);
        qInfo().noquote() << "Message box not shown:" << box.title << "-" << prompt << "- answered" << answer;
        return answer;
    }
    if (!waits) {
        showModeless(prompt, style, box.title);
        return vbOK;
    }
    return showMessage(prompt, style, box.title);
}

std::optional<QString> InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    const ShownBox box{ShownBox::Input, prompt, titleOr(title), 0, defaultText};
    if (DialogScript* script = DialogScript::active()) {
        const QVariant answer = script->answer(box);
        if (!answer.isValid()) return std::nullopt;
        return answer.toString();
    }
    if (!canShow() || QuitRequested()) {
        qInfo().noquote() << "Input box not shown:" << box.title << "-" << prompt << "- answered Cancel";
        return std::nullopt;
    }
    QInputDialog dialog;
    dialog.setWindowTitle(box.title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    dialog.setInputMode(QInputDialog::TextInput);
    applyModality(&dialog, 0);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue();
}

QString ShowOpen(const QString& title, const QString& filter) {
    const ShownBox box{ShownBox::FileOpen, title, title, 0, filter};
    if (DialogScript* script = DialogScript::active()) return script->answer(box).toString();
    if (!canShow() || QuitRequested()) {
        qInfo().noquote() << "File dialog not shown:" << title << "- answered Cancel";
        return QString();
    }
    // The descriptions name their patterns already: "All files (*.*)".
    const QStringList parts = filter.split(u'|');
    QStringList descriptions;
    for (int i = 0; i < parts.size(); i += 2)
        descriptions << parts[i];
    return QFileDialog::getOpenFileName(nullptr, title, QString(), descriptions.join(QStringLiteral(";;")));
}

DialogScript::DialogScript() : DialogScript(Handler()) {}

DialogScript::DialogScript(Handler h) : m_handler(std::move(h)), m_previous(g_active) {
    g_active = this;
}

DialogScript::~DialogScript() {
    // Scripts nest like scopes; restore the one that was active before this one.
    if (g_active == this) g_active = m_previous;
}

void DialogScript::queue(const QVariant& answer) {
    m_queue.append(answer);
}

QStringList DialogScript::prompts() const {
    QStringList out;
    for (const ShownBox& b : m_shown)
        out << b.prompt;
    return out;
}

DialogScript* DialogScript::active() {
    return g_active;
}

QVariant DialogScript::answer(const ShownBox& box) {
    m_shown.append(box);
    std::optional<QVariant> given;
    if (!m_queue.isEmpty())
        given = m_queue.takeFirst();
    else if (m_handler)
        given = m_handler(box);
    if (box.kind != ShownBox::Message) return given.value_or(QVariant()); // no answer means Cancel
    if (given && given->isValid()) return given->toInt();
    return firstButton(box.style);
}

} // namespace rt
