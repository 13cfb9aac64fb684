#pragma once

#include <QHash>
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>
#include <QUuid>

class QAbstractItemView;
struct DownloadJob;

// Draws one finished download as a card: kind, title, profile and size, a note
// when the file is gone, and the play, reveal and more buttons, which it also
// works (press, release, tooltips). Whether the file is still there is read
// afresh on every paint, and only then: a row is first measured as if it were,
// and a change resizes the row.
class LibraryRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    enum class Part { none, play, reveal, more };

    static constexpr int gap = 12;

    explicit LibraryRowDelegate(QAbstractItemView* view);

    // Where `part` of `job`'s row lies when the row fills `row`.
    QRect partRect(const QRect& row, const DownloadJob& job, Part part) const;
    Part partAt(const QRect& row, const DownloadJob& job, const QPoint& position) const;
    // The button of `part` can be used for `job`.
    static bool partEnabled(const DownloadJob& job, Part part);
    // A row whose buttons are real widgets laid over it, not drawn.
    void setCoveredRow(const QModelIndex& index);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;

Q_SIGNALS:
    // A button was clicked; `area` is where it lies in the view's viewport.
    void partClicked(const QModelIndex& index, LibraryRowDelegate::Part part, const QRect& area);

private:
    struct Geometry
    {
        QRect card;
        QRect tile;
        QRect title;
        QRect detail;
        QRect missing;
        QRect play;
        QRect reveal;
        QRect more;
    };
    Geometry geometry(const QRect& row, const DownloadJob& job, bool available) const;
    int rowHeight(const DownloadJob& job, bool available, int width) const;

    struct Measure
    {
        int width = -1;
        bool available = true;
        QString title;
        int height = 0;
    };

    QAbstractItemView* m_view;
    mutable QHash<QUuid, Measure> m_heights;
    // The availability each row was last drawn with; a row never drawn counts as available.
    mutable QHash<QUuid, bool> m_measured;
    QPersistentModelIndex m_pressedIndex;
    QPersistentModelIndex m_covered;
    Part m_pressedPart = Part::none;
};
