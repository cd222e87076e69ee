#include "gui/main_window/tools_menu.h"

#include "core/settings/active_tool.h"
#include "core/settings/settings_file.h"
#include "gui/common/form_layout.h"

#include <QAction>
#include <QMenu>

namespace corvane {

ToolsMenu::ToolsMenu(QMenu *menu, ActiveTool &tool, const SettingsFile &settings, QObject *parent)
    : QObject(parent), m_tool(tool), m_settings(settings)
{
    // The active tool carries the menu's one check mark (markActiveTool()
    // sets them all, so a click on the checked item leaves it checked).
    for (int i = 0; i < kToolCount; ++i) {
        QAction *item = menu->addAction(QStringLiteral("工具%1").arg(i + 1));
        item->setObjectName(QStringLiteral("Tools_%1").arg(i));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, i] { m_tool.select(i); });
        m_items[size_t(i)] = item;
    }
    connect(&m_tool, &ActiveTool::changed, this, &ToolsMenu::markActiveTool);
}

void ToolsMenu::markActiveTool()
{
    const int active = m_tool.index();
    for (int i = 0; i < kToolCount; ++i)
        m_items[size_t(i)]->setChecked(i == active);
}

void ToolsMenu::refresh()
{
    const std::array<QString, kToolCount> names = ReadToolMenuNames(m_settings);
    for (size_t i = 0; i < names.size(); ++i) {
        if (!names[i].isEmpty())
            m_items[i]->setText(LiteralCaption(names[i]));
    }
}

} // namespace corvane
