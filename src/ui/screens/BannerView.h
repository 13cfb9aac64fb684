#pragma once

#include <QWidget>

class AppModel;
class ClampedLabel;
class PlainButton;
class SymbolView;

// The model's transient message, floating over the bottom of the window: a
// check mark or an error sign, the text and a close button. Hidden while the
// model has no banner. Its parent places it (see place()).
class BannerView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int maxWidth = 690;
    static constexpr int sideMargin = 30;
    static constexpr int bottomMargin = 20;

    explicit BannerView(AppModel* model, QWidget* parent = nullptr);

    SymbolView* icon() const { return m_icon; }
    QString text() const;
    PlainButton* closeButton() const { return m_close; }

    // Puts the banner at the bottom of `area` (the window), centred.
    void place(const QRect& area);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showBanner();

    AppModel* m_model;
    SymbolView* m_icon;
    ClampedLabel* m_text;
    PlainButton* m_close;
};
