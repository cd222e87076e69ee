#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;

namespace corvane {

// The help text: 25 lines, each ending in CR LF.
QString HelpText();

// The help window: the help text in a scrolling box and a close button.
class HelpWindow final : public QDialog {
    Q_OBJECT

public:
    HelpWindow();
    ~HelpWindow() override;
    Q_DISABLE_COPY_MOVE(HelpWindow)

    // "关闭": closes the window.
    void closeWindow();

    // Esc and the close box end here, as a click on "关闭".
    void reject() override;

private:
    QPlainTextEdit *m_text = nullptr;
    QPushButton *m_closeButton = nullptr;
};

// Opens the help window modally and returns when it has closed.
void OpenHelpWindow();

} // namespace corvane
