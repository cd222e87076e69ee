#pragma once

#include "core/settings/tool_keys.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace corvane {

class ActiveTool;
class Desktop;
class SettingsFile;

// The tool options dialog: one page per tool profile with its name, program,
// command line, two flags and how many of its commands may run at once,
// behind a strip of eight tabs. Every control's objectName is its name, with
// "_i" for the member i of a control array ("Text2_3", "picOptions_0").
class OptionsDialog final : public QDialog {
    Q_OBJECT

public:
    // The dialog edits the profiles in settings and reloads the active tool
    // after each save; refreshToolMenu runs on every closing of the dialog.
    OptionsDialog(Desktop &desktop, const SettingsFile &settings, ActiveTool &tool,
                  std::function<void()> refreshToolMenu);
    ~OptionsDialog() override;
    Q_DISABLE_COPY_MOVE(OptionsDialog)

    // Fills all eight pages from config.ini and names the tabs after the
    // saved tool names.
    void loadAllTools();
    // Writes the forty profile keys of the eight pages to config.ini, and
    // each page's Jobs key when it is not 1 or config.ini holds it already.
    // False when the file could not be saved; the user has been told, once
    // per value.
    bool saveAllTools();

    // Centres the dialog on the screen by its outer size; done again once
    // the window manager has given it its frame.
    void centreOnScreen();
    // Puts the selected tab's page in place and moves the others away.
    void showSelectedPage();
    // Ctrl+Tab selects the next tab, the first after the last. True when the
    // key was Ctrl+Tab (and has been used up).
    bool nextTabOnCtrlTab(int keyCode, Qt::KeyboardModifiers shift);
    // "..." on page index: chooses a program file for that page.
    void browseForProgram(int index);
    // "应用": saves all pages and reloads the active tool; stays open.
    void apply();
    // "确定": as "应用", then closes; stays open with the edits when the
    // save failed, so that the user can fix the cause and try again.
    void saveAndClose();
    // "取消", Esc and the close box.
    void closeWithoutSaving();
    // Runs on every closing, whatever caused it.
    void refreshToolMenuOnClose();

    // Check box state as stored: 0 off, 1 on, 2 grey.
    static int CheckValue(const QCheckBox *box);
    static void SetCheckValue(QCheckBox *box, int value);

    void done(int result) override;
    void reject() override;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *createPage(int index);

    Desktop &m_desktop;
    const SettingsFile &m_settings;
    ActiveTool &m_tool;
    std::function<void()> m_refreshToolMenu;
    QTabWidget *m_tabs = nullptr;
    std::array<QWidget *, kToolCount> m_pages{};
    std::array<QLineEdit *, kToolCount> m_nameEdits{};
    std::array<QLineEdit *, kToolCount> m_programEdits{};
    std::array<QLineEdit *, kToolCount> m_commandLineEdits{};
    std::array<QPushButton *, kToolCount> m_browseButtons{};
    std::array<QCheckBox *, kToolCount> m_captureBoxes{};
    std::array<QCheckBox *, kToolCount> m_consoleBoxes{};
    std::array<QSpinBox *, kToolCount> m_jobsBoxes{};
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_applyButton = nullptr;
    bool m_centredByFrame = false;
    // While Ctrl+Tab is handed on to its control.
    bool m_handingOnKey = false;
};

// Opens the tool options dialog modally and returns when it has closed.
// refreshToolMenu runs on every closing (OK, Cancel, Esc, close box).
void OpenOptionsDialog(Desktop &desktop, const SettingsFile &settings, ActiveTool &tool,
                       const std::function<void()> &refreshToolMenu);

} // namespace corvane
