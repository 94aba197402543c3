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

// Gives a label the size of its text: a right-aligned one keeps its right
// edge and grows to the left, any other keeps its left edge.
inline void fitToText(QWidget* label, QSize size, Qt::Alignment alignment)
{
    const QRect g = label->geometry();
    const int left = (alignment & Qt::AlignRight) ? g.right() - size.width() + 1 : g.x();
    label->setGeometry(left, g.y(), size.width(), size.height());
}
