#pragma once

#include "settings/active_tool.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace corvane {

// The tool options dialog: one page per tool profile with its name, program,
// command line and two flags, behind a strip of eight tabs. Every control's
// objectName is its name, with "_i" for the member i of a control array
// ("Text2_3", "picOptions_0").
class frmOptions final : public QDialog {
    Q_OBJECT

public:
    // refreshToolMenu runs on every closing of the dialog.
    explicit frmOptions(std::function<void()> refreshToolMenu);
    ~frmOptions() override;
    Q_DISABLE_COPY_MOVE(frmOptions)

    // Fills all eight pages from config.ini and names the tabs after the
    // saved tool names.
    void ReadAllTools();
    // Writes the forty profile keys of the eight pages to config.ini.
    void SaveAllTools();

    void Form_Load();
    void tbsOptions_Click();
    // True when the key was Ctrl+Tab (and has been used up).
    bool Form_KeyDown(int keyCode, Qt::KeyboardModifiers shift);
    void Command1_Click(int index);
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void Form_Unload();

    // Check box state as stored: 0 off, 1 on, 2 grey.
    static int CheckValue(const QCheckBox *box);
    static void SetCheckValue(QCheckBox *box, int value);

    void done(int result) override;
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *createPage(int index);

    std::function<void()> m_refreshToolMenu;
    QTabWidget *m_tbsOptions = nullptr;
    std::array<QWidget *, kToolCount> m_picOptions{};
    std::array<QLineEdit *, kToolCount> m_text1{};
    std::array<QLineEdit *, kToolCount> m_text2{};
    std::array<QLineEdit *, kToolCount> m_text3{};
    std::array<QPushButton *, kToolCount> m_command1{};
    std::array<QCheckBox *, kToolCount> m_check1{};
    std::array<QCheckBox *, kToolCount> m_check2{};
    QPushButton *m_cmdOK = nullptr;
    QPushButton *m_cmdCancel = nullptr;
    QPushButton *m_cmdApply = nullptr;
};

// Opens the tool options dialog modally and returns when it has closed.
// refreshToolMenu runs on every closing (OK, Cancel, Esc, close box).
void OpenOptionsDialog(const std::function<void()> &refreshToolMenu);

} // namespace corvane
