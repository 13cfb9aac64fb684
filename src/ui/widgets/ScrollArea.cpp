#include "ScrollArea.h"

#include <QScrollBar>

ScrollArea::ScrollArea(QWidget* parent)
    : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
}

void ScrollArea::setWidget(QWidget* widget)
{
    widget->setAutoFillBackground(false);
    QScrollArea::setWidget(widget);
}
