#pragma once

#include "core/settings/tool_keys.h"

#include <QObject>

#include <array>

class QAction;
class QMenu;

namespace corvane {

class ActiveTool;
class SettingsFile;

// The Tools menu: one item per tool, "工具1" to "工具8" or the tool's saved
// name; picking one makes that tool the active tool.
class ToolsMenu final : public QObject {
    Q_OBJECT
public:
    ToolsMenu(QMenu *menu, ActiveTool &tool, const SettingsFile &settings,
              QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(ToolsMenu)

    // Captions the items with the saved names; an item whose tool has no
    // name keeps its caption.
    void refresh();

private:
    // Checks the active tool's item; none when its index is outside 0 to 7.
    void markActiveTool();

    ActiveTool &m_tool;
    const SettingsFile &m_settings;
    std::array<QAction *, kToolCount> m_items{};
};

} // namespace corvane
