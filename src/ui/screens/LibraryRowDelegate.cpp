#include "LibraryRowDelegate.h"

#include "ClampedLabel.h"
#include "DownloadJob.h"
#include "KindTile.h"
#include "LibraryModel.h"
#include "QuietStyle.h"
#include "Surface.h"
#include "Symbols.h"
#include "Theme.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QToolTip>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int spacing = 15;
constexpr int textSpacing = 6;
constexpr int moreSymbol = 16;
constexpr int moreSide = 28;
const KindTile::Metrics tileMetrics { 46, 11, 0.09, 21 };

QFont titleFont()
{
    return uiFont(14, QFont::DemiBold);
}

QFont smallFont()
{
    return uiFont(11);
}

const DownloadJob& jobOf(const QModelIndex& index)
{
    return static_cast<const LibraryModel*>(index.model())->jobAt(index.row());
}

QString symbolOf(LibraryRowDelegate::Part part)
{
    return part == LibraryRowDelegate::Part::play ? u"play.fill"_s : u"folder"_s;
}

QStyleOptionButton buttonOption(const QRect& rect, LibraryRowDelegate::Part part, bool enabled, bool pressed)
{
    QStyleOptionButton option;
    option.rect = rect;
    option.state = QStyle::State_Raised;
    if (enabled)
        option.state |= QStyle::State_Enabled;
    if (pressed)
        option.state |= QStyle::State_Sunken;
    option.icon = symbolIcon(symbolOf(part), Qt::black);
    const int icon = QuietStyle::shared()->pixelMetric(QStyle::PM_ButtonIconSize, nullptr, nullptr);
    option.iconSize = QSize(icon, icon);
    return option;
}

// A symbol-only quiet button: its size does not depend on the symbol.
QSize quietButtonSize()
{
    static const QSize size = [] {
        const QStyleOptionButton option = buttonOption({}, LibraryRowDelegate::Part::play, true, false);
        return QuietStyle::shared()->sizeFromContents(QStyle::CT_PushButton, &option, {}, nullptr);
    }();
    return size;
}

} // namespace

LibraryRowDelegate::LibraryRowDelegate(QAbstractItemView* view)
    : QStyledItemDelegate(view)
    , m_view(view)
{
}

bool LibraryRowDelegate::partEnabled(const DownloadJob& job, Part part)
{
    switch (part) {
    case Part::play:
    case Part::reveal:
        return job.fileAvailable();
    case Part::more:
        return true;
    case Part::none:
        break;
    }
    return false;
}

void LibraryRowDelegate::setCoveredRow(const QModelIndex& index)
{
    if (m_covered == index)
        return;
    m_covered = index;
    m_view->viewport()->update();
}

int LibraryRowDelegate::rowHeight(const DownloadJob& job, bool available, int width) const
{
    // The list measures every row again whenever one comes or goes: the
    // height of each is kept for its width, title and file.
    Measure& measure = m_heights[job.id];
    if (measure.width != width || measure.available != available || measure.title != job.video.title) {
        measure = { width, available, job.video.title,
            geometry(QRect(0, 0, width, 0), job, available).card.height() + gap };
    }
    return measure.height;
}

LibraryRowDelegate::Geometry LibraryRowDelegate::geometry(
    const QRect& row, const DownloadJob& job, bool available) const
{
    const QSize button = quietButtonSize();
    const int line = QFontMetrics(smallFont()).height();
    const int left = row.left() + Surface::padding;
    const int right = row.right() - Surface::padding;

    Geometry g;
    const int moreLeft = right + 1 - moreSide;
    const int revealLeft = moreLeft - spacing - button.width();
    const int playLeft = revealLeft - spacing - button.width();
    const int textLeft = left + tileMetrics.side + spacing;
    const int textWidth = std::max(1, playLeft - spacing - textLeft);

    const int titleHeight = ClampedLabel::clampedHeight(job.video.title, titleFont(), textWidth, 2);
    const int textHeight = titleHeight + textSpacing + line + (available ? 0 : textSpacing + line);
    const int content = std::max({ tileMetrics.side, textHeight, button.height() });

    const int top = row.top() + Surface::padding;
    g.card = QRect(row.left(), row.top(), row.width(), content + 2 * Surface::padding);
    const auto centred = [&](int height) { return top + (content - height) / 2; };
    g.tile = QRect(left, centred(tileMetrics.side), tileMetrics.side, tileMetrics.side);
    const int textTop = centred(textHeight);
    g.title = QRect(textLeft, textTop, textWidth, titleHeight);
    g.detail = QRect(textLeft, g.title.bottom() + 1 + textSpacing, textWidth, line);
    if (!available)
        g.missing = QRect(textLeft, g.detail.bottom() + 1 + textSpacing, textWidth, line);
    g.play = QRect(QPoint(playLeft, centred(button.height())), button);
    g.reveal = QRect(QPoint(revealLeft, centred(button.height())), button);
    g.more = QRect(moreLeft, centred(moreSide), moreSide, moreSide);
    return g;
}

QRect LibraryRowDelegate::partRect(const QRect& row, const DownloadJob& job, Part part) const
{
    const Geometry g = geometry(row, job, m_measured.value(job.id, true));
    switch (part) {
    case Part::play:
        return g.play;
    case Part::reveal:
        return g.reveal;
    case Part::more:
        return g.more;
    case Part::none:
        break;
    }
    return {};
}

LibraryRowDelegate::Part LibraryRowDelegate::partAt(
    const QRect& row, const DownloadJob& job, const QPoint& position) const
{
    for (const Part part : { Part::play, Part::reveal, Part::more })
        if (partRect(row, job, part).contains(position))
            return part;
    return Part::none;
}

QSize LibraryRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // Measured as if the file were there: the file is looked at when the row
    // is drawn, so that a long history costs no disk access before it is seen.
    const DownloadJob& job = jobOf(index);
    const bool available = m_measured.value(job.id, true);
    const int width = m_view->viewport()->width() > 0 ? m_view->viewport()->width() : option.rect.width();
    return { width, rowHeight(job, available, width) };
}

void LibraryRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const DownloadJob& job = jobOf(index);
    const bool available = job.fileAvailable();
    if (m_measured.value(job.id, true) != available) {
        // The file came or went since the row was measured: measure it again.
        m_measured.insert(job.id, available);
        QMetaObject::invokeMethod(
            const_cast<LibraryRowDelegate*>(this),
            [self = const_cast<LibraryRowDelegate*>(this), row = QPersistentModelIndex(index)] {
                if (row.isValid())
                    Q_EMIT self->sizeHintChanged(row);
            },
            Qt::QueuedConnection);
    }

    const Theme& theme = Theme::instance();
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const Geometry g = geometry(option.rect, job, available);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    Surface::paintCard(*painter, g.card, theme.scheme());
    if ((option.state & QStyle::State_HasFocus) && m_view->hasFocus()) {
        painter->setPen(QPen(theme.color(Tone::coral, 0.8), 1.5));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(g.card).adjusted(1, 1, -1, -1), Surface::radius, Surface::radius);
    }
    KindTile::paint(*painter, g.tile, tileMetrics,
        job.profile.kind == DownloadKind::audio ? u"music.note"_s : u"play.rectangle"_s, ratio);

    painter->setPen(theme.color(Tone::primary));
    ClampedLabel::drawClamped(*painter, g.title, job.video.title, titleFont(), 2);
    painter->setFont(smallFont());
    const QFontMetrics small(smallFont());
    painter->setPen(theme.color(Tone::secondary));
    painter->drawText(g.detail, Qt::AlignLeft | Qt::AlignVCenter,
        small.elidedText(LibraryModel::detailLine(job), Qt::ElideRight, g.detail.width()));
    if (!available) {
        painter->setPen(theme.color(Tone::orange));
        painter->drawText(g.missing, Qt::AlignLeft | Qt::AlignVCenter,
            small.elidedText(u"Archivo movido o eliminado"_s, Qt::ElideRight, g.missing.width()));
    }

    if (m_covered.isValid() && m_covered == index) {
        painter->restore();
        return;
    }
    const bool pressedRow = m_pressedIndex.isValid() && m_pressedIndex == index;
    for (const auto& [part, rect] : { std::pair { Part::play, g.play }, std::pair { Part::reveal, g.reveal } }) {
        const QStyleOptionButton button = buttonOption(rect, part, available, pressedRow && m_pressedPart == part);
        QuietStyle::shared()->drawControl(QStyle::CE_PushButton, &button, painter, nullptr);
    }
    painter->setOpacity(pressedRow && m_pressedPart == Part::more ? 0.55 : 1.0);
    const QPixmap more
        = symbolPixmap(u"ellipsis"_s, theme.color(Tone::secondary), moreSymbol, SymbolWeight::regular, ratio);
    painter->drawPixmap(
        QPointF(g.more.center().x() + 1 - moreSymbol / 2.0, g.more.center().y() + 1 - moreSymbol / 2.0), more);
    painter->restore();
}

bool LibraryRowDelegate::editorEvent(
    QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const DownloadJob& job = jobOf(index);
    const Part part = partAt(option.rect, job, mouse->position().toPoint());

    if (type != QEvent::MouseButtonRelease) {
        if (m_pressedIndex.isValid())
            m_view->viewport()->update();
        const bool usable = part != Part::none && partEnabled(job, part);
        m_pressedIndex = usable ? QPersistentModelIndex(index) : QPersistentModelIndex();
        m_pressedPart = usable ? part : Part::none;
        m_view->viewport()->update(option.rect);
        // A press on a disabled button does nothing, not even select the row.
        return part != Part::none;
    }

    const Part pressed = std::exchange(m_pressedPart, Part::none);
    const bool sameRow = std::exchange(m_pressedIndex, QPersistentModelIndex()) == index;
    m_view->viewport()->update(option.rect);
    if (pressed == Part::none || !sameRow || part != pressed || !partEnabled(job, part))
        return pressed != Part::none;
    Q_EMIT partClicked(index, part, partRect(option.rect, job, part));
    return true;
}

bool LibraryRowDelegate::helpEvent(
    QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const DownloadJob& job = jobOf(index);
    const Part part = partAt(option.rect, job, event->pos());
    if (part == Part::play || part == Part::reveal) {
        QToolTip::showText(event->globalPos(), part == Part::play ? u"Reproducir"_s : u"Mostrar en Finder"_s,
            view->viewport(), partRect(option.rect, job, part));
        return true;
    }
    QToolTip::hideText();
    return true;
}
