#include "AccentStyle.h"
#include "Badge.h"
#include "EmptyState.h"
#include "EngineCapsule.h"
#include "Pixels.h"
#include "QuietStyle.h"
#include "StyledLabel.h"
#include "Surface.h"
#include "Symbols.h"
#include "SymbolView.h"
#include "Theme.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

enum class Look { accent, accentCompact, quiet };
enum class Press { normal, pressed, disabled };

QPushButton* makeButton(Look look, const QString& text, QWidget* parent = nullptr)
{
    auto* button = new QPushButton(text, parent);
    if (look == Look::quiet)
        QuietStyle::apply(button);
    else
        AccentStyle::apply(button, look == Look::accentCompact);
    button->resize(button->sizeHint());
    return button;
}

class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

class TestVocabulary : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void surfaceCard_data();
    void surfaceCard();
    void buttonFill_data();
    void buttonFill();
    void buttonMetrics_data();
    void buttonMetrics();
    void symbolOnlyButtonHasNoTextRoom();
    void engineCapsule_data();
    void engineCapsule();
    void badgeCount_data();
    void badgeCount();
    void emptyStateWrapsAndActs();
    void liveSchemeSwitchRepaintsSameWidgets();
};

void TestVocabulary::cleanup()
{
    Theme::instance().setPreferred(std::nullopt);
}

void TestVocabulary::surfaceCard_data()
{
    QTest::addColumn<ColorScheme>("scheme");
    QTest::newRow("light card") << ColorScheme::light;
    QTest::newRow("dark card") << ColorScheme::dark;
}

void TestVocabulary::surfaceCard()
{
    QFETCH(ColorScheme, scheme);
    Theme::instance().setPreferred(scheme);
    Surface card;
    card.resize(300, 160);
    const QImage image = Pixels::render(card);

    COMPARE_COLOR(image.pixelColor(150, 80), cardBackground(scheme));
    // The rounded corner leaves the window showing through.
    COMPARE_COLOR(image.pixelColor(1, 1), windowBackground(scheme));
    // The outline leans towards the ink: darker than the card in light, lighter in dark.
    const int edge = image.pixelColor(150, 0).lightness();
    const int inside = image.pixelColor(150, 80).lightness();
    const int window = windowBackground(scheme).lightness();
    if (scheme == ColorScheme::light)
        QVERIFY2(edge < qMin(inside, window), qPrintable(u"edge %1"_s.arg(edge)));
    else
        QVERIFY2(edge > qMax(inside, window), qPrintable(u"edge %1"_s.arg(edge)));
}

void TestVocabulary::buttonFill_data()
{
    QTest::addColumn<ColorScheme>("scheme");
    QTest::addColumn<Look>("look");
    QTest::addColumn<Press>("press");
    QTest::addColumn<QColor>("overlay");

    const auto coralAt = [](float alpha) {
        QColor color = coral();
        color.setAlphaF(alpha);
        return color;
    };
    for (ColorScheme scheme : { ColorScheme::light, ColorScheme::dark }) {
        const char* name = scheme == ColorScheme::dark ? "dark" : "light";
        QTest::addRow("%s accent", name) << scheme << Look::accent << Press::normal << coralAt(1.0f);
        QTest::addRow("%s accent pressed", name) << scheme << Look::accent << Press::pressed << coralAt(0.75f);
        QTest::addRow("%s accent disabled", name) << scheme << Look::accent << Press::disabled << coralAt(0.3f);
        QTest::addRow("%s compact accent disabled", name)
            << scheme << Look::accentCompact << Press::disabled << coralAt(0.3f);
        QTest::addRow("%s quiet", name) << scheme << Look::quiet << Press::normal
                                        << toneColor(Tone::primary, scheme, 0.05);
        QTest::addRow("%s quiet pressed", name)
            << scheme << Look::quiet << Press::pressed << toneColor(Tone::primary, scheme, 0.12);
        // The whole quiet button fades, fill included.
        QTest::addRow("%s quiet disabled", name)
            << scheme << Look::quiet << Press::disabled << toneColor(Tone::primary, scheme, 0.05 * 0.4);
    }
}

void TestVocabulary::buttonFill()
{
    QFETCH(ColorScheme, scheme);
    QFETCH(Look, look);
    QFETCH(Press, press);
    QFETCH(QColor, overlay);

    Theme::instance().setPreferred(scheme);
    std::unique_ptr<QPushButton> button(makeButton(look, u"Descargar"_s));
    button->setDown(press == Press::pressed);
    button->setEnabled(press != Press::disabled);
    const QImage image = Pixels::render(*button);

    // Mid-width, just under the top edge: inside the rounding, above the text.
    COMPARE_COLOR(image.pixelColor(image.width() / 2, 3), Pixels::blend(windowBackground(scheme), overlay));
    COMPARE_COLOR(image.pixelColor(0, 0), windowBackground(scheme));
}

void TestVocabulary::buttonMetrics_data()
{
    QTest::addColumn<Look>("look");
    QTest::addColumn<int>("fontSize");
    QTest::addColumn<QSize>("padding");
    QTest::newRow("compact accent") << Look::accentCompact << 13 << QSize(14, 10);
    QTest::newRow("accent") << Look::accent << 15 << QSize(22, 14);
    QTest::newRow("quiet") << Look::quiet << 13 << QSize(12, 9);
}

void TestVocabulary::buttonMetrics()
{
    QFETCH(Look, look);
    QFETCH(int, fontSize);
    QFETCH(QSize, padding);

    std::unique_ptr<QPushButton> button(makeButton(look, u"Agregar enlace"_s));
    QCOMPARE(button->font().pixelSize(), fontSize);
    const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    QCOMPARE(button->sizeHint(), text + 2 * padding);

    button->setIcon(symbolIcon(u"plus"_s, Qt::black));
    const int icon = button->iconSize().width();
    QCOMPARE(button->sizeHint().width(), icon + ButtonStyle::iconSpacing + text.width() + 2 * padding.width());
}

void TestVocabulary::symbolOnlyButtonHasNoTextRoom()
{
    std::unique_ptr<QPushButton> button(makeButton(Look::quiet, {}));
    button->setIcon(symbolIcon(u"xmark"_s, Qt::black));
    const QSize icon = button->iconSize();
    QCOMPARE(button->sizeHint().width(), icon.width() + 24);
    QCOMPARE(button->sizeHint().height(), icon.height() + 18);
}

void TestVocabulary::engineCapsule_data()
{
    QTest::addColumn<bool>("ready");
    QTest::addColumn<bool>("checking");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Tone>("dot");
    QTest::newRow("ready") << true << false << u"Motor local listo"_s << Tone::green;
    QTest::newRow("ready wins over a check") << true << true << u"Motor local listo"_s << Tone::green;
    QTest::newRow("checking") << false << true << u"Comprobando motor"_s << Tone::orange;
    QTest::newRow("check failed") << false << false << u"Revisar motor"_s << Tone::orange;
}

void TestVocabulary::engineCapsule()
{
    QFETCH(bool, ready);
    QFETCH(bool, checking);
    QFETCH(QString, text);
    QFETCH(Tone, dot);

    Theme::instance().setPreferred(ColorScheme::dark);
    EngineCapsule capsule;
    capsule.setStatus(ready, checking);
    capsule.resize(capsule.sizeHint());
    QCOMPARE(capsule.text(), text);
    QCOMPARE(capsule.focusPolicy(), Qt::NoFocus);
    const QImage image = Pixels::render(capsule);
    // The 6-pixel dot starts 12 pixels in and is centred vertically.
    COMPARE_COLOR(image.pixelColor(15, capsule.height() / 2), toneColor(dot, ColorScheme::dark));
}

void TestVocabulary::badgeCount_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero shows nothing") << 0 << false << QString();
    QTest::newRow("three") << 3 << true << u"3"_s;
    QTest::newRow("thousands without grouping") << 1234 << true << u"1234"_s;
}

void TestVocabulary::badgeCount()
{
    QFETCH(int, count);
    QFETCH(bool, shown);
    QFETCH(QString, text);

    QWidget row;
    auto* badge = new Badge(&row);
    badge->setCount(5);
    row.show();
    badge->setCount(count);
    QCOMPARE(badge->isVisible(), shown);
    if (shown)
        QCOMPARE(badge->text(), text);
}

void TestVocabulary::emptyStateWrapsAndActs()
{
    int pressed = 0;
    const QString description
        = u"Agregá un enlace y elegí cómo guardarlo. Las descargas terminadas aparecen en tu biblioteca."_s;
    EmptyState state(
        u"tray"_s, u"La cola está despejada."_s, description, u"Nueva descarga"_s, [&pressed] { ++pressed; });
    state.resize(760, 520);
    state.show();
    QVERIFY(QTest::qWaitForWindowExposed(&state));

    auto* text = state.findChild<QLabel*>(u"emptyStateDescription"_s);
    QVERIFY(text);
    QVERIFY(text->width() <= 410);
    // A description cut short would hide its last lines.
    QVERIFY2(text->height() >= text->heightForWidth(text->width()),
        qPrintable(u"%1 < %2"_s.arg(text->height()).arg(text->heightForWidth(text->width()))));
    QVERIFY(text->heightForWidth(text->width()) > text->fontMetrics().height());

    QTest::mouseClick(state.button(), Qt::LeftButton);
    QCOMPARE(pressed, 1);
}

void TestVocabulary::liveSchemeSwitchRepaintsSameWidgets()
{
    Theme::instance().setPreferred(ColorScheme::light);
    Surface card(12);
    auto* label = new StyledLabel(u"Tu cola"_s, uiFont(13), Tone::secondary);
    auto* symbol = new SymbolView(u"folder"_s, 16, Tone::secondary);
    auto* button = makeButton(Look::quiet, u"Reintentar"_s);
    card.column()->addWidget(label);
    card.column()->addWidget(symbol);
    card.column()->addWidget(button);
    card.resize(320, 200);
    card.show();
    QVERIFY(QTest::qWaitForWindowExposed(&card));
    const QList<QWidget*> before = card.findChildren<QWidget*>();

    PaintCounter counter;
    card.installEventFilter(&counter);
    Theme::instance().setPreferred(ColorScheme::dark);
    QTRY_VERIFY(counter.paints > 0);

    QCOMPARE(card.findChildren<QWidget*>(), before);
    COMPARE_COLOR(Pixels::render(card).pixelColor(300, 180), cardBackground(ColorScheme::dark));
    QCOMPARE(label->palette().color(QPalette::WindowText), toneColor(Tone::secondary, ColorScheme::dark));
    QCOMPARE(symbol->color(), toneColor(Tone::secondary, ColorScheme::dark));
}

QTEST_MAIN(TestVocabulary)
#include "tst_vocabulary.moc"
