#include "gui/common/form_look.h"
#include "gui/common/form_layout.h"

#include <QApplication>
#include <QWidget>

namespace corvane {

namespace {
constexpr qreal kFormPointSize = 9;
const QColor kButtonFace(0xF0, 0xF0, 0xF0);
} // namespace

QPalette FormPalette()
{
    // Qt derives the whole light scheme from the face colour: black text,
    // white fields, a dark blue selection.
    return QPalette(kButtonFace);
}

qreal LayoutScale()
{
    const qreal desktopPoints = QApplication::font().pointSizeF();
    return desktopPoints > kFormPointSize ? desktopPoints / kFormPointSize : 1.0;
}

QFont FormFont()
{
    // The desktop's family, which has the Chinese glyphs, at the layout's
    // size, grown as the layout grows.
    QFont font = QApplication::font();
    font.setPointSizeF(FormPoints(kFormPointSize));
    return font;
}

void UseFormLook(QWidget *window)
{
    window->setPalette(FormPalette());
    window->setFont(FormFont());
}

} // namespace corvane
