#pragma once

#include <QString>
#include <QTemporaryDir>

namespace corvane::test {

// The folders of one batch test under a new temporary root: data/, which
// becomes Corvane's data folder, source/ and destination/. The active tool
// starts empty. When it goes, the working folder is put back as it was and
// the root is removed.
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

private:
    QTemporaryDir m_dir;
    QString m_originalFolder;
    bool m_valid = false;

public:
    const QString root;
    const QString data;
    const QString source;
    const QString destination;
};

} // namespace corvane::test
