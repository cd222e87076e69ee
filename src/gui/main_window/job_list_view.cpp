#include "gui/main_window/job_list_view.h"

#include "gui/common/form_look.h"
#include "gui/main_window/job_list.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

namespace corvane {

namespace {
constexpr int kBadgePadding = 4;
constexpr int kBadgeCornerRadius = 3;

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

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const QString badge = index.data(JobList::OutcomeBadgeRole).toString();
        if (badge.isEmpty())
            return;
        // At the right end of the part of the row that is in view.
        const QRect visible = option.rect.intersected(m_view.viewport()->rect());
        const QFontMetrics metrics(option.font);
        const int width = metrics.horizontalAdvance(badge) + 2 * kBadgePadding;
        const QRect box(visible.right() - width, option.rect.top() + 1, width,
                        option.rect.height() - 2);
        QColor colour = kSucceededColor;
        if (index.data(JobList::OutcomeRunningRole).toBool())
            colour = kRunningColor;
        else if (index.data(JobList::OutcomeFailedRole).toBool())
            colour = kFailedColor;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(colour);
        painter->drawRoundedRect(box, kBadgeCornerRadius, kBadgeCornerRadius);
        painter->setPen(Qt::white);
        painter->setFont(option.font);
        painter->drawText(box, Qt::AlignCenter, badge);
        painter->restore();
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
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
}

void JobListView::scrollContentsBy(int dx, int dy)
{
    QListView::scrollContentsBy(dx, dy);
    // The badges stay at the right end of the view: moved along with the
    // rows, they would be drawn twice.
    if (dx != 0)
        viewport()->update();
}

bool JobListView::acceptsDrag(const QMimeData *mime) const
{
    if (!m_acceptsFiles || !mime->hasUrls())
        return false;
    const QList<QUrl> urls = mime->urls();
    return std::any_of(urls.cbegin(), urls.cend(),
                       [](const QUrl &url) { return url.isLocalFile(); });
}

void JobListView::dragEnterEvent(QDragEnterEvent *event)
{
    if (acceptsDrag(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void JobListView::dragMoveEvent(QDragMoveEvent *event)
{
    if (acceptsDrag(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void JobListView::dropEvent(QDropEvent *event)
{
    if (!acceptsDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit filesDropped(event->mimeData()->urls());
}

void JobListView::setHorizontalExtent(int pixels)
{
    if (pixels == m_extent)
        return;
    m_extent = pixels;
    scheduleDelayedItemsLayout();
}

} // namespace corvane
