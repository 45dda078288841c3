#ifndef APP_BUTTON_ICONS_H
#define APP_BUTTON_ICONS_H

#include <QAbstractButton>
#include <QStyle>

// Shows the button's icon at the height of its font instead of its text, or
// keeps the text when the desktop theme has no image for the icon.
void use_button_icon_or_text(QAbstractButton *button);

// Gives the button the icon that its style draws for the standard pixmap.
void set_button_qt_icon(QAbstractButton *button, QStyle::StandardPixmap pixmap);

#endif
