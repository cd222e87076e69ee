#include "gui/main_window/batch_status.h"

#include "gui/common/form_look.h"
#include "gui/main_window/job_list.h"

#include <QLabel>
#include <QProgressBar>
#include <QStringList>

#include <algorithm>
#include <utility>

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
    setSummary(Summary(results, elapsedMs));
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

QString BatchStatus::Summary(const QList<BatchEntryResult> &results, qint64 elapsedMs)
{
    using Outcome = BatchEntryResult::Outcome;
    const auto count = [&results](Outcome outcome) {
        return int(std::count_if(
            results.cbegin(), results.cend(),
            [outcome](const BatchEntryResult &result) { return result.outcome == outcome; }));
    };
    const std::pair<int, QString> counts[] = {
        {count(Outcome::Failed), QStringLiteral("失败 %1")},
        {count(Outcome::Signalled), QStringLiteral("被信号终止 %1")},
        {count(Outcome::NotStarted), QStringLiteral("未启动 %1")},
        {count(Outcome::NotRun), QStringLiteral("未运行 %1")}};
    int unsuccessful = 0;
    QStringList parts;
    for (const auto &[number, text] : counts) {
        unsuccessful += number;
        if (number > 0)
            parts.append(text.arg(number));
    }
    const QString time = QStringLiteral("共用时 ") + DurationText(elapsedMs);
    if (unsuccessful == 0)
        return QStringLiteral("%1 个条目全部成功\n").arg(results.size()) + time;
    return QStringLiteral("%1 个条目中 %2 个未成功：%3\n")
               .arg(results.size())
               .arg(unsuccessful)
               .arg(parts.join(QStringLiteral("，"))) +
           time;
}

} // namespace corvane
