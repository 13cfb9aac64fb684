#pragma once

#include <QWidget>

class QPainter;

// The rounded coral square that tells an audio job from a video one.
class KindTile : public QWidget
{
    Q_OBJECT

public:
    struct Metrics
    {
        int side;
        qreal radius;
        qreal fillOpacity;
        int symbolSize;
    };

    KindTile(const Metrics& metrics, const QString& symbol, QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);

    static void paint(
        QPainter& painter, const QRectF& rect, const Metrics& metrics, const QString& symbol, qreal devicePixelRatio);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Metrics m_metrics;
    QString m_symbol;
};
