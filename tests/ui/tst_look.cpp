#include "EmptyState.h"
#include "Pixels.h"
#include "QuietStyle.h"
#include "StyledLabel.h"
#include "Surface.h"
#include "Symbols.h"
#include "SymbolView.h"
#include "Theme.h"

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

int coverage(const QImage& image)
{
    int total = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            total += qAlpha(image.pixel(x, y));
    return total;
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

class TestLook : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void everySymbolDraws_data();
    void everySymbolDraws();
    void followsTheSystemUnlessForced();
    void liveSchemeSwitchRepaintsSameWidgets();
    void emptyStateWrapsAndActs();

private:
    QColor m_systemWindow;
};

void TestLook::initTestCase()
{
    m_systemWindow = QApplication::palette().color(QPalette::Window);
    QCOMPARE(Theme::instance().scheme(), ColorScheme::light);
}

void TestLook::cleanup()
{
    Theme::instance().setPreferred(std::nullopt);
    QApplication::setPalette(QPalette());
}

void TestLook::everySymbolDraws_data()
{
    QTest::addColumn<ColorScheme>("scheme");
    QTest::newRow("light") << ColorScheme::light;
    QTest::newRow("dark") << ColorScheme::dark;
}

void TestLook::everySymbolDraws()
{
    QFETCH(ColorScheme, scheme);
    QVERIFY(symbolNames().size() > 20);
    const QColor tint = toneColor(Tone::secondary, scheme);
    for (const QString& name : symbolNames()) {
        const QImage image = symbolPixmap(name, tint, 24).toImage();
        QCOMPARE(image.size(), QSize(24, 24));
        QVERIFY2(coverage(image) > 255 * 8, qPrintable(name));
        QVERIFY2(coverage(symbolIcon(name, tint).pixmap(16).toImage()) > 0, qPrintable(name));
    }
    QVERIFY(!hasSymbol(u"gearshape"_s));
    QVERIFY(symbolPixmap(u"gearshape"_s, tint, 24).isNull());
    QVERIFY(symbolIcon(u"gearshape"_s, tint).isNull());
}

// The system's palette turning dark or light reaches the scheme, once per change;
// forcing a scheme and letting go restores the system's own palette.
void TestLook::followsTheSystemUnlessForced()
{
    Theme& theme = Theme::instance();
    QSignalSpy changed(&theme, &Theme::schemeChanged);
    QApplication::setPalette(Theme::palette(ColorScheme::dark));
    QCOMPARE(theme.scheme(), ColorScheme::dark);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<ColorScheme>(), ColorScheme::dark);
    QApplication::setPalette(Theme::palette(ColorScheme::light));
    QCOMPARE(theme.scheme(), ColorScheme::light);
    QCOMPARE(changed.count(), 2);
    QApplication::setPalette(QPalette());

    // Forcing the scheme already shown says nothing.
    theme.setPreferred(ColorScheme::light);
    QCOMPARE(changed.count(), 2);
    theme.setPreferred(ColorScheme::dark);
    QCOMPARE(theme.scheme(), ColorScheme::dark);
    COMPARE_COLOR(QApplication::palette().color(QPalette::Window), windowBackground(ColorScheme::dark));
    theme.setPreferred(std::nullopt);
    QCOMPARE(theme.scheme(), ColorScheme::light);
    QCOMPARE(changed.count(), 4);
    // The forced palette must not linger, or the system's scheme could not be read.
    QCOMPARE(QApplication::palette().color(QPalette::Window), m_systemWindow);
    QCOMPARE(QApplication::palette().color(QPalette::Highlight), coral());
}

// A live switch repaints the same widgets in the new colours, and secondary text stays readable.
void TestLook::liveSchemeSwitchRepaintsSameWidgets()
{
    Theme::instance().setPreferred(ColorScheme::light);
    Surface card(12);
    auto* label = new StyledLabel(u"Tu cola"_s, uiFont(13), Tone::secondary);
    auto* symbol = new SymbolView(u"folder"_s, 16, Tone::secondary);
    auto* button = new QPushButton(u"Reintentar"_s);
    QuietStyle::apply(button);
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
    const QColor background = Pixels::render(card).pixelColor(300, 180);
    COMPARE_COLOR(background, cardBackground(ColorScheme::dark));
    const QColor text = label->palette().color(QPalette::WindowText);
    QCOMPARE(text, toneColor(Tone::secondary, ColorScheme::dark));
    QCOMPARE(symbol->color(), text);
    const QColor seen = Pixels::blend(background, text);
    QVERIFY2(std::abs(seen.lightness() - background.lightness()) > 80, qPrintable(Pixels::describe(seen, background)));
}

void TestLook::emptyStateWrapsAndActs()
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

QTEST_MAIN(TestLook)
#include "tst_look.moc"
