#include "gui/main_window/folder_list.h"

#include "gui/common/focus_mark.h"

#include "core/files/file_name.h"
#include "core/platform/drives.h"
#include "core/platform/folder_listing.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>

namespace corvane {

namespace {
constexpr int kFolderRole = Qt::UserRole;
constexpr int kLevelRole = Qt::UserRole + 1;
constexpr int kIndentPixels = 8;

class IndentDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->rect.adjust(index.data(kLevelRole).toInt() * kIndentPixels, 0, 0, 0);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += index.data(kLevelRole).toInt() * kIndentPixels;
        return size;
    }
};

// The style's folder pictures, looked up once for all folder lists. Qt keeps
// no record of a theme picture it did not find: where the icon theme has no
// folder pictures (the fallback theme of a desktop without one), every
// look-up checks each size folder of the theme on disk again, thousands of
// failing file checks per fill when a theme folder has no icon cache.
struct FolderIcons {
    const QStyle *style = nullptr;
    QIcon open;
    QIcon closed;
};

const FolderIcons &folderIconsOf(QStyle *style)
{
    static FolderIcons icons;
    if (icons.style != style) {
        icons = FolderIcons{style, style->standardIcon(QStyle::SP_DirOpenIcon),
                            style->standardIcon(QStyle::SP_DirClosedIcon)};
        // Dropped with the style, which the application deletes before it
        // ends; a later style gets its own pictures.
        QObject::connect(style, &QObject::destroyed, [] { icons = FolderIcons(); });
    }
    return icons;
}

} // namespace

FolderList::FolderList(QWidget *parent) : QListWidget(parent)
{
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { openRow(row(item)); });
}

bool FolderList::setPath(const QString &folder)
{
    const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (!CanOpenFolder(path))
        return false;
    const bool changed = path != m_path;
    m_path = path;
    fill();
    if (changed)
        emit pathChanged(m_path);
    return true;
}

QString FolderList::folderAt(int row) const
{
    const QListWidgetItem *entry = item(row);
    return entry ? entry->data(kFolderRole).toString() : QString();
}

void FolderList::fill()
{
    clear();
    const FolderIcons &icons = folderIconsOf(style());
    const QIcon openIcon = icons.open;
    const QIcon closedIcon = icons.closed;

    // Up to the root: "/", or a drive's "C:/", its own parent.
    QStringList ancestors;
    for (QString folder = m_path;; folder = QFileInfo(folder).path()) {
        ancestors.prepend(folder);
        if (QFileInfo(folder).path() == folder || folder == QLatin1String("/"))
            break;
    }
    int level = 0;
    for (const QString &folder : std::as_const(ancestors)) {
        const QString name = QFileInfo(folder).fileName();
        const QString text = name.isEmpty() ? QDir::toNativeSeparators(folder) : name;
        auto *entry = new QListWidgetItem(openIcon, DisplayedFileName(text), this);
        entry->setData(kFolderRole, folder);
        entry->setData(kLevelRole, level++);
        entry->setToolTip(DisplayedFileName(QDir::toNativeSeparators(folder)));
    }
    m_currentRow = count() - 1;

    // Hidden folders stay out, as hidden files do in the file list.
    const QStringList subfolders = ListFolder(m_path, EntryKind::Folders);
    for (const QString &name : subfolders) {
        const QString folder = QDir(m_path).filePath(name);
        auto *entry = new QListWidgetItem(closedIcon, DisplayedFileName(name), this);
        entry->setData(kFolderRole, folder);
        entry->setData(kLevelRole, level);
        entry->setToolTip(DisplayedFileName(QDir::toNativeSeparators(folder)));
    }

    QListWidgetItem *current = item(m_currentRow);
    setCurrentItem(current);
    scrollToItem(current, QAbstractItemView::PositionAtCenter);
}

void FolderList::openRow(int row)
{
    const QString folder = folderAt(row);
    if (folder.isEmpty())
        return;
    if (!setPath(folder))
        QApplication::beep();
}

void FolderList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Backspace) {
        openRow(m_currentRow - 1);
        return;
    }
    QListWidget::keyPressEvent(event);
}

void FolderList::paintEvent(QPaintEvent *event)
{
    QListWidget::paintEvent(event);
    if (hasFocus())
        DrawFocusMark(viewport(), this, viewport()->rect());
}

void FolderList::focusInEvent(QFocusEvent *event)
{
    QListWidget::focusInEvent(event);
    viewport()->update();
}

void FolderList::focusOutEvent(QFocusEvent *event)
{
    QListWidget::focusOutEvent(event);
    viewport()->update();
}

} // namespace corvane
