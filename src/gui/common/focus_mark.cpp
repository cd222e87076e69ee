#include "gui/common/focus_mark.h"

#include <QPainter>
#include <QPen>
#include <QWidget>

namespace corvane {

namespace {
constexpr int kFocusMarkWidth = 2;
} // namespace

void DrawFocusMark(QPaintDevice *device, const QWidget *control, const QRect &rect)
{
    QPainter painter(device);
    QPen pen(control->palette().color(QPalette::Highlight));
    pen.setWidth(kFocusMarkWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const int inset = kFocusMarkWidth / 2;
    painter.drawRect(rect.adjusted(inset, inset, -inset, -inset));
}

} // namespace corvane
