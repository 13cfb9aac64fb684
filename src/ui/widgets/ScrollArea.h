#pragma once

#include <QScrollArea>

// A frameless vertical scroll area on the window's own background, its content
// as wide as the view. The scroll bar appears only when there is more to see.
class ScrollArea : public QScrollArea
{
    Q_OBJECT

public:
    explicit ScrollArea(QWidget* parent = nullptr);

    void setWidget(QWidget* widget);
};
