#include "gui/main_window/job_list_view.h"

#include <QItemSelectionModel>
#include <QStyledItemDelegate>

namespace corvane {

namespace {
// Every row is as wide as the view's extent; with uniform item sizes the
// view asks only once, so a long list costs nothing to lay out.
class ExtentDelegate final : public QStyledItemDelegate {
public:
    ExtentDelegate(const JobListView &view) : QStyledItemDelegate(nullptr), m_view(view) {}

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setWidth(m_view.horizontalExtent());
        return size;
    }

private:
    const JobListView &m_view;
};
} // namespace

QList<bool> SelectedRowFlags(const QItemSelectionModel &selection, int rows)
{
    QList<bool> flags(rows, false);
    const QItemSelection ranges = selection.selection();
    for (const QItemSelectionRange &range : ranges) {
        for (int row = range.top(); row <= range.bottom() && row < rows; ++row)
            flags[row] = true;
    }
    return flags;
}

JobListView::JobListView(QWidget *parent) : QListView(parent)
{
    auto *delegate = new ExtentDelegate(*this);
    delegate->setParent(this);
    setItemDelegate(delegate);
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void JobListView::setHorizontalExtent(int pixels)
{
    if (pixels == m_extent)
        return;
    m_extent = pixels;
    scheduleDelayedItemsLayout();
}

} // namespace corvane
