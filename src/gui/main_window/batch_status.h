#pragma once

#include "core/batch/batch_run.h"

#include <QList>
#include <QObject>
#include <QPalette>

class QLabel;
class QProgressBar;

namespace corvane {

// What the window shows of a batch: the status label ("...", "完成",
// "已停止"), the progress bar with its empty part in the window's grey, and
// once a batch has ended, what it came to: the bar turns red when not every
// entry succeeded, and the label's and the bar's tooltip give the summary
// and the batch's time.
class BatchStatus final : public QObject {
    Q_OBJECT
public:
    BatchStatus(QLabel *label, QProgressBar *bar, QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(BatchStatus)

    // Start-up: the bar's empty part in the window's grey.
    void useWindowGrey();
    void setText(const QString &text);
    // Whether a batch runs: "..." then means "正在处理" to assistive
    // technology, "就绪" otherwise.
    void setRunning(bool running);
    void setProgressMinimum(int minimum);
    void setProgressMaximum(int maximum);
    void setProgressValue(int value);

    // A batch begins: the bar's colours and the tooltips as before any.
    void clearSummary();
    void showSummary(const QList<BatchEntryResult> &results, qint64 elapsedMs);

private:
    void setSummary(const QString &summary);
    void updateAccessibleName();

    QLabel *m_label;
    QProgressBar *m_bar;
    // The bar's colours as start-up gave them, before a batch marked it.
    QPalette m_barPalette;
    bool m_running = false;
};

} // namespace corvane
