#pragma once

class QComboBox;
class QString;
class QWidget;

namespace corvane {

// Makes assistive technology see only the shown children of container: a
// control that is hidden (a tool page that is not selected, a list that is
// never shown) is not offered at all, as it is not to the eye. Qt offers
// hidden children too.
void OfferShownChildrenOnly(QWidget *container);

// Gives a combo box a name of its own for assistive technology, with its
// current text as its value. Qt names a combo box by its current text on
// Linux, so a drive list would be heard as "/" rather than as what it is.
void NameComboBox(QComboBox *box, const QString &name);

} // namespace corvane
