#pragma once

#include "EnumText.h"

#include <QList>
#include <QWidget>

// A row of mutually exclusive choices drawn as one control, the chosen one
// raised on a card. It shows the value it is given and reports the user's
// picks; the owner decides what is chosen. Arrow keys move the choice.
class SegmentedPicker : public QWidget
{
    Q_OBJECT

public:
    struct Segment
    {
        QString title;
        QString value;
        // Drawn before the title when given.
        QString symbol = {};
    };

    explicit SegmentedPicker(const QList<Segment>& segments, QWidget* parent = nullptr);
    // One segment per case of a model enumeration, valued by its raw text.
    template <TabledEnum E> static QList<Segment> segmentsOf()
    {
        QList<Segment> segments;
        for (const E value : allCases<E>())
            segments.append({ title(value), rawValue(value) });
        return segments;
    }

    QString value() const { return m_value; }
    // A value of no segment shows none chosen.
    void setValue(const QString& value);
    int count() const { return int(m_segments.size()); }
    QRect segmentRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void picked(const QString& value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int indexOf(const QString& value) const;

    QList<Segment> m_segments;
    QString m_value;
    bool m_keyboardFocus = false;
};
