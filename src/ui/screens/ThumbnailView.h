#pragma once

#include <QImage>
#include <QUrl>
#include <QWidget>

#include <optional>

class ThumbnailLoader;

// A video's picture, 148 × 84 with rounded corners, cropped to fill. Until a
// picture arrives, and whenever none can be had, it shows the placeholder.
class ThumbnailView : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize size { 148, 84 };

    explicit ThumbnailView(QWidget* parent = nullptr);

    // Loads `address` unless it is the one already shown or loading.
    void setAddress(const std::optional<QUrl>& address);
    std::optional<QUrl> address() const { return m_address; }
    bool hasPicture() const { return !m_picture.isNull(); }
    ThumbnailLoader* loader() const { return m_loader; }

Q_SIGNALS:
    // The load for the current address ended, with a picture or without.
    void settled();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ThumbnailLoader* m_loader;
    std::optional<QUrl> m_address;
    QImage m_picture;
};
