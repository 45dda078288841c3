#include "app/button_icons.h"

#include <QFontMetrics>

void use_button_icon_or_text(QAbstractButton *button)
{
    if (button->icon().pixmap(20, 20).isNull()) {
        button->setIconSize(QSize(0, 0));
        return;
    }
    const int height = QFontMetrics(button->font()).height();
    button->setText(QString());
    button->setIconSize(QSize(height, height));
}

void set_button_qt_icon(QAbstractButton *button, QStyle::StandardPixmap pixmap)
{
    button->setIcon(button->style()->standardIcon(pixmap));
}
