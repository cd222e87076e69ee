#include "gui/dialogs/help_window.h"

#include "gui/common/form_layout.h"
#include "gui/common/form_look.h"
#include "gui/common/form_widgets.h"
#include "gui/common/program_icon.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

namespace corvane {

namespace {

// Tab stops every eight characters.
constexpr int kTabStopChars = 8;

// The text lines its placeholders up in columns when Latin letters are half
// as wide as Chinese characters, as in 宋体: a fixed-pitch Chinese face does
// that.
QFont HelpTextFont()
{
    const QStringList families = QFontDatabase::families();
    for (const char *family : {"宋体", "SimSun", "NSimSun", "WenQuanYi Micro Hei Mono",
                               "WenQuanYi Zen Hei Mono", "Noto Sans Mono CJK SC"}) {
        const QString name = QString::fromUtf8(family);
        if (families.contains(name, Qt::CaseInsensitive)) {
            QFont font(name);
            font.setPointSizeF(FormPoints(9));
            return font;
        }
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(FormPoints(9));
    return font;
}

} // namespace

QString HelpText()
{
    // The breaks inside words (后/台程序, 索引/号, 调用格/式) and the mixed
    // full-width and ASCII punctuation belong to the text.
    return QStringLiteral("命令行参数定义：\r\n"
                          "$SPath$\t  源文件路径\r\n"
                          "$SName$   源文件名\r\n"
                          "$SNameNo$ 源文件名(不含扩展名)\r\n"
                          "$Index$\t  文件索引号\r\n"
                          "$DPath$   目标文件路径\r\n"
                          "\r\n"
                          "示例 命令行: \r\n"
                          "\"$SPath$$SName$ $SPath$$SNameNo$$Index$.c -d \"\r\n"
                          "\r\n"
                          "解释为：把源路径下的已经选择的文件通过选择的后\r\n"
                          "台程序处理到文件存储路径下，采用\"源文件名+索引\r\n"
                          "号.c\" 的方式命名。参数-d (当然后台程序需要支持\r\n"
                          "这样的参数输入格式)\r\n"
                          "\r\n"
                          "注意：\r\n"
                          "1.当不能得到期望结果时，请考虑后台程序的调用格\r\n"
                          "式和软件本身的局限性,尝试修改命令行。\r\n"
                          "\r\n"
                          "2.至少有一个待处理文件才会执行处理，如果只需要\r\n"
                          "命令行不需要处理文件时，可以随便添加一个文件。\r\n"
                          "\r\n"
                          "3.调用dos命令可以在程序框内填入\"cmd /c\"\r\n"
                          "\r\n"
                          "4.当前路径=文件存储路径。\r\n");
}

HelpWindow::HelpWindow()
    : QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    SetUpFixedWindow(this, QStringLiteral("HelpFrm"), QStringLiteral("帮助"),
                     QSize(Px(4800), Px(3135)));

    // Enter presses "关闭" only while it has the focus: in the text, Enter
    // must not close the window.
    m_closeButton = MakeButton(this, QStringLiteral("Command1"), QStringLiteral("关闭"),
                               PxRect(1600, 2520, 1575, 375));

    m_text =
        Placed(new QPlainTextEdit(this), QStringLiteral("Text1"), PxRect(120, 120, 4575, 2295));
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setTabChangesFocus(true);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setFont(HelpTextFont());
    m_text->setTabStopDistance(kTabStopChars *
                               QFontMetricsF(m_text->font()).horizontalAdvance(QLatin1Char('x')));
    m_text->setPlainText(HelpText());

    // "关闭" comes first in the tab order and so has the focus at opening.
    QWidget::setTabOrder(m_closeButton, m_text);
    m_closeButton->setFocus();

    connect(m_closeButton, &QPushButton::clicked, this, [this] { closeWindow(); });
}

HelpWindow::~HelpWindow() = default;

void HelpWindow::closeWindow()
{
    done(QDialog::Rejected);
}

void HelpWindow::reject()
{
    closeWindow();
}

void OpenHelpWindow()
{
    HelpWindow window;
    window.exec();
}

} // namespace corvane
