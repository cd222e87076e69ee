#pragma once

#include <QList>
#include <QListView>
#include <QUrl>

class QItemSelectionModel;
class QMimeData;

namespace corvane {

// One flag per row of a list: whether the row is selected.
QList<bool> SelectedRowFlags(const QItemSelectionModel &selection, int rows);

// The view of the job list. Its horizontal scroll range is set from
// outside, as a list box's horizontal extent is: the content is `extent`
// pixels wide, so a horizontal scroll bar appears whenever the extent is
// wider than the list. An entry's outcome shows as a badge at the right end
// of its row, wherever the list is scrolled. Files and folders dropped on it
// from a file manager are reported while it accepts them.
class JobListView final : public QListView {
    Q_OBJECT
public:
    explicit JobListView(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(JobListView)

    void setHorizontalExtent(int pixels);
    int horizontalExtent() const { return m_extent; }

    // While it does not, a drag over it shows that it cannot be dropped.
    void setAcceptsFiles(bool accepts) { m_acceptsFiles = accepts; }

signals:
    void filesDropped(const QList<QUrl> &urls);

protected:
    void scrollContentsBy(int dx, int dy) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool acceptsDrag(const QMimeData *mime) const;

    int m_extent = 0;
    bool m_acceptsFiles = true;
};

} // namespace corvane
