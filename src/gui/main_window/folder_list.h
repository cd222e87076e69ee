#pragma once

#include <QListWidget>
#include <QString>

namespace corvane {

// A folder list in the classic style: the current folder's ancestors from
// "/" down to the folder itself (open folders), then its subfolders (closed
// folders), each indented one step further. A double click or Enter opens
// the folder under the cursor, Backspace opens the parent; pathChanged()
// reports every change of the current folder.
class FolderList final : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(FolderList)

    // The current folder: "/" for the root folder, otherwise without a
    // trailing '/'.
    const QString &path() const { return m_path; }

    // Makes the folder current. False, with nothing changed, when it cannot
    // be opened. Emits pathChanged() when the folder differs from before.
    bool setPath(const QString &folder);

    // The folder that row stands for.
    QString folderAt(int row) const;
    // The row of the current folder.
    int currentFolderRow() const { return m_currentRow; }

signals:
    void pathChanged(const QString &path);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void openRow(int row);
    void fill();

    QString m_path;
    int m_currentRow = -1;
};

} // namespace corvane
