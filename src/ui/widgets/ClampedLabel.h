#pragma once

#include "StyledLabel.h"

#include <array>
#include <utility>

class QPainter;

// A wrapping label that shows at most `maxLines` lines. Eliding ends the last
// shown line with an ellipsis; clipping keeps the whole text selectable and
// copyable and offers it in a tooltip when it does not fit. Plain text only:
// titles and details come from outside and must never be read as markup.
class ClampedLabel : public StyledLabel
{
    Q_OBJECT

public:
    enum class Overflow { elide, clip };

    ClampedLabel(const QString& text, const QFont& font, int maxLines, Overflow overflow = Overflow::elide,
        Tone tone = Tone::primary, qreal opacity = 1.0, QWidget* parent = nullptr);

    int maxLines() const { return m_maxLines; }
    void setText(const QString& text);
    // The text needs more lines than it may show at the current width.
    bool isClamped() const;

    // `text` wrapped at `width` into at most `maxLines` lines: the height it
    // takes, and the drawing with the last shown line elided.
    static int clampedHeight(const QString& text, const QFont& font, int width, int maxLines);
    static void drawClamped(QPainter& painter, const QRect& area, const QString& text, const QFont& font, int maxLines);

    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Lines of the text at `width`, counted up to `limit`.
    int lineCount(int width, int limit) const;
    void updateTip();

    int m_maxLines;
    Overflow m_overflow;
    // The last heights measured, by width: a layout pass over a long list asks
    // every label again, and laying out text is the costly part of it.
    mutable std::array<std::pair<int, int>, 2> m_heights { { { -1, 0 }, { -1, 0 } } };
    mutable int m_nextHeight = 0;
};
