#include "Pixels.h"
#include "Theme.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

class TestTheme : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void forcedScheme_data();
    void forcedScheme();
    void followsTheSystemUnlessForced();

private:
    QColor m_systemWindow;
};

void TestTheme::initTestCase()
{
    m_systemWindow = QApplication::palette().color(QPalette::Window);
    QCOMPARE(Theme::instance().scheme(), ColorScheme::light);
}

void TestTheme::cleanup()
{
    Theme::instance().setPreferred(std::nullopt);
    QApplication::setPalette(QPalette());
}

void TestTheme::forcedScheme_data()
{
    QTest::addColumn<ColorScheme>("scheme");
    QTest::newRow("dark forced over a light system") << ColorScheme::dark;
    QTest::newRow("light forced") << ColorScheme::light;
}

void TestTheme::forcedScheme()
{
    QFETCH(ColorScheme, scheme);
    Theme::instance().setPreferred(scheme);
    QCOMPARE(Theme::instance().scheme(), scheme);
    const QPalette palette = QApplication::palette();
    COMPARE_COLOR(palette.color(QPalette::Window), windowBackground(scheme));
    COMPARE_COLOR(palette.color(QPalette::Base), cardBackground(scheme));
    QCOMPARE(palette.color(QPalette::Highlight), coral());
}

// The system's palette turning dark or light reaches the scheme, once per change;
// forcing a scheme and letting go restores the system's own palette.
void TestTheme::followsTheSystemUnlessForced()
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
    theme.setPreferred(std::nullopt);
    QCOMPARE(theme.scheme(), ColorScheme::light);
    QCOMPARE(changed.count(), 4);
    // The forced palette must not linger, or the system's scheme could not be read.
    QCOMPARE(QApplication::palette().color(QPalette::Window), m_systemWindow);
    QCOMPARE(QApplication::palette().color(QPalette::Highlight), coral());
}

QTEST_MAIN(TestTheme)
#include "tst_theme.moc"
