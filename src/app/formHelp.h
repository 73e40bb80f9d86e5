#pragma once
#include <QDialog>

#include "app/loadedwindow.h"

class QLabel;
class QPushButton;
class QTextEdit;

// The help window: a title label and a read-only text box that shows a help file or a given
// text. One instance, loaded on first use (it then centres itself on the screen and comes to the
// front) and unloaded by its close button.
class formHelp : public QDialog, public LoadedWindow<formHelp> {
    Q_OBJECT
public:
    QLabel* lblHelpType = nullptr;
    QTextEdit* txtHelpBox = nullptr;
    QPushButton* cmdCloseHelp = nullptr;

    // Loads a file into the text box: a rich text (RTF) file as its text, any other file as it
    // stands. rt::VbError 75 "Path/File access error" when it cannot be read.
    void LoadFile(const QString& path);
    // Shows the window in front under the given title.
    void ShowTitled(const QString& title);
    void cmdCloseHelp_Click();

private:
    friend class LoadedWindow<formHelp>;
    formHelp();
};
