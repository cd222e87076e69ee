#pragma once

#include <QListView>
#include <QString>
#include <QStringList>

class QStringListModel;

namespace corvane {

// The source file list: the plain files of one folder whose names match a
// pattern, sorted by name, with extended multiple selection. Folders and
// hidden files (names beginning with '.') are not listed.
class FileList final : public QListView {
    Q_OBJECT
public:
    explicit FileList(QWidget *parent = nullptr);
    ~FileList() override;
    Q_DISABLE_COPY_MOVE(FileList)

    // The current folder: "/" for the root folder, otherwise without a
    // trailing '/'.
    const QString &path() const { return m_path; }
    // Lists the folder's files; false (and nothing changed) when the folder
    // cannot be read.
    bool setPath(const QString &folder);

    const QString &pattern() const { return m_pattern; }
    // Takes the pattern as typed (see FilePattern) and filters the current
    // folder's files again.
    void setPattern(const QString &pattern);

    int count() const;
    QString fileName(int index) const;
    // One flag per listed file: whether it is selected.
    QList<bool> selectionFlags() const;
    // The file that has the focus; empty when there is none.
    QString currentFileName() const;

private:
    void applyPattern();

    QStringListModel *m_model;
    QString m_path;
    QString m_pattern;
    QStringList m_allNames;
};

} // namespace corvane
