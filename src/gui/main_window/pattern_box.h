#pragma once

#include <QComboBox>

namespace corvane {

// The file-name pattern box: an editable box with "*.bmp", "*.wav", "*.bin"
// and "*.*" to pick from, showing "*.*" at first. A pick applies at once;
// Enter applies the typed pattern and adds it to the list, every time,
// duplicates too. A typed text is never applied by merely leaving the box.
class PatternBox final : public QComboBox {
    Q_OBJECT
public:
    explicit PatternBox(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(PatternBox)

signals:
    void patternChosen(const QString &pattern);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace corvane
