#pragma once

#include <QListView>

class QItemSelectionModel;

namespace corvane {

// One flag per row of a list: whether the row is selected.
QList<bool> SelectedRowFlags(const QItemSelectionModel &selection, int rows);

// A list view whose horizontal scroll range is set from outside, as a list
// box's horizontal extent is: the content is `extent` pixels wide, so a
// horizontal scroll bar appears whenever the extent is wider than the list.
class JobListView final : public QListView {
    Q_OBJECT
public:
    explicit JobListView(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(JobListView)

    void setHorizontalExtent(int pixels);
    int horizontalExtent() const { return m_extent; }

private:
    int m_extent = 0;
};

} // namespace corvane
