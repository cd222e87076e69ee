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
    for (int i = 0; i < kToolCount; ++i) {
        QAction *item = menu->addAction(QStringLiteral("工具%1").arg(i + 1));
        item->setObjectName(QStringLiteral("Tools_%1").arg(i));
        connect(item, &QAction::triggered, this, [this, i] { m_tool.select(i); });
        m_items[size_t(i)] = item;
    }
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
