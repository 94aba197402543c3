#pragma once

#include <QPalette>
#include <QWidget>

// The data-aware edits of every window have a white background.
inline void setWhiteBackground(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, Qt::white);
    widget->setPalette(palette);
}
