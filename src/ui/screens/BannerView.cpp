#include "BannerView.h"

#include "AppModel.h"
#include "ClampedLabel.h"
#include "PlainButton.h"
#include "SymbolView.h"
#include "Theme.h"

#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QPainter>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int padding = 14;
constexpr qreal radius = 12;

} // namespace

BannerView::BannerView(AppModel* model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_icon(new SymbolView(u"checkmark.circle.fill"_s, 17, Tone::green))
    , m_text(new ClampedLabel(QString(), uiFont(13), 4))
    , m_close(new PlainButton(QString(), uiFont(11), Tone::secondary))
{
    setObjectName(u"banner"_s);
    m_icon->setObjectName(u"bannerIcon"_s);
    m_text->setObjectName(u"bannerText"_s);
    m_close->setObjectName(u"bannerClose"_s);
    m_close->setLeading({ u"xmark"_s, 11, std::nullopt, 1.0, SymbolWeight::bold });
    m_close->setAccessibleName(u"Cerrar aviso"_s);
    m_close->setPadding(QMargins(3, 3, 3, 3));
    connect(m_close, &PlainButton::clicked, m_model, &AppModel::clearBanner);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(padding, padding, padding, padding);
    row->setSpacing(10);
    row->addWidget(m_icon, 0, Qt::AlignTop);
    row->addWidget(m_text, 1, Qt::AlignTop);
    row->addWidget(m_close, 0, Qt::AlignTop);

    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setColor(QColor(0, 0, 0, 41));
    shadow->setBlurRadius(28);
    shadow->setOffset(0, 6);
    setGraphicsEffect(shadow);

    connect(m_model, &AppModel::bannerChanged, this, &BannerView::showBanner);
    showBanner();
}

QString BannerView::text() const
{
    return m_text->text();
}

void BannerView::showBanner()
{
    const std::optional<QString> banner = m_model->banner();
    if (!banner) {
        hide();
        return;
    }
    const bool error = m_model->bannerError();
    m_icon->setSymbol(error ? u"exclamationmark.circle.fill"_s : u"checkmark.circle.fill"_s);
    m_icon->setTone(error ? Tone::coral : Tone::green);
    m_text->setText(*banner);
    setAccessibleName(*banner);
    if (parentWidget())
        place(parentWidget()->rect());
    show();
    raise();
}

void BannerView::place(const QRect& area)
{
    // As wide as its text asks, up to the limit; a long text wraps instead.
    const int width = std::min({ maxWidth, area.width() - 2 * sideMargin, layout()->sizeHint().width() });
    const int height = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width) : sizeHint().height();
    setGeometry(area.left() + (area.width() - width) / 2, area.bottom() + 1 - bottomMargin - height, width, height);
}

void BannerView::paintEvent(QPaintEvent*)
{
    // The regular material: the window's own colour, nearly opaque, a little lifted.
    const ColorScheme scheme = Theme::instance().scheme();
    QColor material = scheme == ColorScheme::dark ? QColor::fromRgbF(0.17f, 0.18f, 0.21f, 0.94f)
                                                  : QColor::fromRgbF(0.99f, 0.99f, 0.995f, 0.94f);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(toneColor(Tone::primary, scheme, 0.08), 1));
    painter.setBrush(material);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}
