#pragma once

#include <QRect>
#include <QString>

namespace corvane {

// The windows are laid out in twips: 15 twips make one pixel at 96 dpi, and
// Qt scales the pixels for high-density screens. Rounded to the nearest
// pixel, also for the far negative position of a hidden options page.
constexpr int Px(int twips)
{
    return twips >= 0 ? (twips + 7) / 15 : -((-twips + 7) / 15);
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
