#include "gui/main_window/batch_status.h"

#include "core/batch/outcome_text.h"
#include "gui/common/form_look.h"

#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace corvane {

BatchStatus::BatchStatus(QLabel *label, QProgressBar *bar, QObject *parent)
    : QObject(parent), m_label(label), m_bar(bar), m_barPalette(bar->palette())
{
    m_bar->setAccessibleName(QStringLiteral("处理进度"));
    updateAccessibleName();
}

void BatchStatus::setRunning(bool running)
{
    m_running = running;
    updateAccessibleName();
}

void BatchStatus::updateAccessibleName()
{
    // What "..." stands for, said in words: ready, or a batch under way.
    QString state = m_label->text();
    if (state == QLatin1String("..."))
        state = m_running ? QStringLiteral("正在处理") : QStringLiteral("就绪");
    m_label->setAccessibleName(QStringLiteral("处理状态：") + state);
}

void BatchStatus::useWindowGrey()
{
    QPalette palette = m_bar->palette();
    palette.setColor(QPalette::Base, kFormGrey);
    palette.setColor(QPalette::Window, kFormGrey);
    palette.setColor(QPalette::Button, kFormGrey);
    m_bar->setPalette(palette);
    m_barPalette = palette;
}

void BatchStatus::setText(const QString &text)
{
    m_label->setText(text);
    updateAccessibleName();
}

void BatchStatus::setProgressMinimum(int minimum)
{
    m_bar->setMinimum(minimum);
}

void BatchStatus::setProgressMaximum(int maximum)
{
    m_bar->setMaximum(maximum);
}

void BatchStatus::setProgressValue(int value)
{
    m_bar->setValue(value);
}

void BatchStatus::clearSummary()
{
    setSummary(QString());
    m_bar->setPalette(m_barPalette);
}

void BatchStatus::showSummary(const QList<BatchEntryResult> &results, qint64 elapsedMs)
{
    // "完成" stays as it is; that not everything succeeded shows on the bar,
    // in red, and in the tooltips.
    setSummary(BatchSummary(results, elapsedMs));
    if (std::none_of(results.cbegin(), results.cend(), IsFailure))
        return;
    QPalette failed = m_barPalette;
    failed.setColor(QPalette::Highlight, kFailedColor);
    m_bar->setPalette(failed);
}

void BatchStatus::setSummary(const QString &summary)
{
    m_label->setToolTip(summary);
    m_label->setAccessibleDescription(summary);
    m_bar->setToolTip(summary);
}

} // namespace corvane
