#include "ThumbnailView.h"

#include "Symbols.h"
#include "Theme.h"
#include "ThumbnailLoader.h"

#include <QPainter>
#include <QPainterPath>

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr qreal radius = 10;
constexpr int symbolSize = 26;
} // namespace

ThumbnailView::ThumbnailView(QWidget* parent)
    : QWidget(parent)
    , m_loader(new ThumbnailLoader(this))
{
    setFixedSize(size);
    connect(m_loader, &ThumbnailLoader::loaded, this, [this](const QImage& image) {
        m_picture = image;
        update();
        Q_EMIT settled();
    });
    connect(m_loader, &ThumbnailLoader::failed, this, &ThumbnailView::settled);
}

void ThumbnailView::setAddress(const std::optional<QUrl>& address)
{
    if (address == m_address && (hasPicture() || m_loader->isLoading()))
        return;
    m_address = address;
    m_picture = {};
    update();
    m_loader->load(address, size * devicePixelRatioF());
}

void ThumbnailView::paintEvent(QPaintEvent*)
{
    const Theme& theme = Theme::instance();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), radius, radius);
    painter.setClipPath(clip);
    if (hasPicture()) {
        // Crop the middle of a picture that is wider or taller than the frame.
        const QSizeF shown = QSizeF(m_picture.size()).scaled(QSizeF(rect().size()), Qt::KeepAspectRatioByExpanding);
        const QRectF target(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
        painter.drawImage(target, m_picture);
        return;
    }
    painter.fillRect(rect(), theme.color(Tone::primary, 0.06));
    const QPixmap symbol = symbolPixmap(
        u"play.rectangle"_s, theme.color(Tone::secondary), symbolSize, SymbolWeight::regular, devicePixelRatioF());
    painter.drawPixmap((width() - symbolSize) / 2, (height() - symbolSize) / 2, symbol);
}
