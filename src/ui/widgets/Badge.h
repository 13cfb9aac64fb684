#pragma once

#include <QWidget>

// The count beside a section entry, in a capsule. A count of 0 or less shows
// nothing at all: the badge hides itself.
class Badge : public QWidget
{
    Q_OBJECT

public:
    explicit Badge(QWidget* parent = nullptr);

    int count() const { return m_count; }
    void setCount(int count);
    QString text() const { return QString::number(m_count); }
    // The entry it belongs to is selected: the number takes the accent.
    void setHighlighted(bool highlighted);
    bool isHighlighted() const { return m_highlighted; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_count = 0;
    bool m_highlighted = false;
};
