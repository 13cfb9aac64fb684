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
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

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
    void engineCapsule_data();
    void engineCapsule();
    void emptyStateWrapsAndActs();
    void liveSchemeSwitchRepaintsSameWidgets();
};

void TestVocabulary::cleanup()
{
    Theme::instance().setPreferred(std::nullopt);
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
    COMPARE_COLOR(Pixels::render(card).pixelColor(300, 180), cardBackground(ColorScheme::dark));
    QCOMPARE(label->palette().color(QPalette::WindowText), toneColor(Tone::secondary, ColorScheme::dark));
    QCOMPARE(symbol->color(), toneColor(Tone::secondary, ColorScheme::dark));
}

QTEST_MAIN(TestVocabulary)
#include "tst_vocabulary.moc"
