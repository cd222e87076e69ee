#pragma once

#include <QRect>
#include <QString>
#include <QtGlobal>

namespace corvane {

// How much larger than made the fixed layouts are drawn: the desktop's
// default font size over the 9 points they were made for, so that a desktop
// set to 12 points gets every window, control and font 12/9 as large. Never
// below 1: a smaller font leaves the layouts as they are.
qreal LayoutScale();

// The windows are laid out in twips: 15 twips make one pixel at 96 dpi (times
// the layout scale), and Qt scales the pixels for high-density screens.
// Rounded to the nearest pixel, also for the far negative position of a
// hidden options page.
inline int Px(int twips)
{
    return qRound(twips * LayoutScale() / 15.0);
}

// A font size of the layouts, in points, grown as the layout grows.
inline qreal FormPoints(qreal points)
{
    return points * LayoutScale();
}

inline QRect PxRect(int left, int top, int width, int height)
{
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

// A caption that shows a user's text as typed: '&' would otherwise mark an
// access key in a menu item or a tab.
inline QString LiteralCaption(const QString &text)
{
    QString caption = text;
    return caption.replace(QLatin1Char('&'), QLatin1String("&&"));
}

// A window title that shows a user's text as typed: Qt takes "[*]" for the
// place of its modified mark and shows a literal "[*]" only for "[*][*]".
inline QString LiteralWindowTitle(const QString &text)
{
    QString title = text;
    return title.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
}

} // namespace corvane
