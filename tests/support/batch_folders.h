#pragma once

#include "core/settings/active_tool.h"
#include "core/settings/settings_file.h"
#include "fake_desktop.h"

#include <QString>
#include <QTemporaryDir>

namespace corvane::test {

// The folders of one batch test under a new temporary root: data/, which
// is the data folder of the fake desktop, source/ and destination/; with
// the settings file in data/ and an empty active tool. When it goes, the
// working folder is put back as it was and the root is removed.
class BatchFolders final {
public:
    BatchFolders();
    ~BatchFolders();
    Q_DISABLE_COPY_MOVE(BatchFolders)

    // False when the root or a folder could not be made.
    bool isValid() const { return m_valid; }
    // Puts the working folder back as it was (a batch moves it to the
    // destination), so that Windows lets the folders be removed.
    void restoreWorkingFolder() const;
    // A path under the root.
    QString path(const QString &name) const { return root + QLatin1Char('/') + name; }
    // config.ini in the data folder.
    QString configPath() const { return settings.path(); }
    // Changes the active tool's program as if it had been loaded so.
    void changeProgram(const QString &program)
    {
        ToolProfile profile = tool.profile();
        profile.program = program;
        tool.setProfile(profile);
    }

private:
    QTemporaryDir m_dir;
    QString m_originalFolder;
    bool m_valid = false;

public:
    const QString root;
    const QString data;
    const QString source;
    const QString destination;
    FakeDesktop desktop;
    const SettingsFile settings;
    ActiveTool tool;
};

} // namespace corvane::test
