#include "AppHarness.h"
#include "EmptyState.h"
#include "JobRow.h"
#include "PlainButton.h"
#include "ProgressLine.h"
#include "QueueView.h"
#include "StyledLabel.h"
#include "Theme.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;
using Kind = ControlledEngine::Kind;

namespace {

bool shown(const JobRow& row, const QString& name)
{
    const QWidget* widget = child(row, name);
    return widget && widget->isVisibleTo(&row);
}

JobRow* rowOf(QueueView& view, const QString& title)
{
    for (JobRow* row : view.rows())
        if (row->job().video.title == title)
            return row;
    return nullptr;
}

} // namespace

class QueueTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowByState_data();
    void rowByState();
    void percentage_data();
    void percentage();
    void emptyQueue();
    void actionsReachTheModel();
};

void QueueTest::rowByState_data()
{
    QTest::addColumn<JobState>("state");
    QTest::addColumn<bool>("compact");
    QTest::addColumn<bool>("reused");
    QTest::addColumn<QStringList>("visible");
    QTest::addColumn<QStringList>("hidden");

    const QStringList all
        = { u"cancelJob"_s, u"retryJob"_s, u"removeJob"_s, u"jobProgressArea"_s, u"jobDetail"_s, u"jobReuse"_s };
    const auto rest = [&](const QStringList& visible) {
        QStringList hidden;
        for (const QString& name : all)
            if (!visible.contains(name))
                hidden.append(name);
        return hidden;
    };
    const auto row = [&](const char* name, JobState state, bool compact, bool reused, const QStringList& visible) {
        QTest::newRow(name) << state << compact << reused << visible << rest(visible);
    };
    row("queued: cancel and detail, no bar", JobState::queued, false, false, { u"cancelJob"_s, u"jobDetail"_s });
    row("downloading: cancel, bar and detail", JobState::downloading, false, false,
        { u"cancelJob"_s, u"jobProgressArea"_s, u"jobDetail"_s });
    row("failed: retry and remove, no bar", JobState::failed, false, false,
        { u"retryJob"_s, u"removeJob"_s, u"jobDetail"_s });
    row("reused original", JobState::converting, false, true,
        { u"cancelJob"_s, u"jobProgressArea"_s, u"jobDetail"_s, u"jobReuse"_s });
    row("compact running: bar, detail, cancel", JobState::converting, true, false,
        { u"cancelJob"_s, u"jobProgressArea"_s, u"jobDetail"_s });
    row("compact queued: no detail", JobState::queued, true, false, { u"cancelJob"_s });
    row("compact failed: retry, never remove", JobState::failed, true, false, { u"retryJob"_s });
}

void QueueTest::rowByState()
{
    QFETCH(JobState, state);
    QFETCH(bool, compact);
    QFETCH(bool, reused);
    QFETCH(QStringList, visible);
    QFETCH(QStringList, hidden);

    AppHarness harness;
    AppModel& model = harness.open();
    DownloadJob job = endedJob(harness.downloads(), u"aaaaaaaaaaa"_s, u"Un título"_s, state, u"Algo que contar"_s, 1);
    job.progress = 0.456;
    job.reusedOriginal = reused;
    JobRow row(job, &model, compact);
    row.resize(700, row.sizeHint().height());
    row.show();

    for (const QString& name : visible)
        QVERIFY2(shown(row, name), qPrintable(name + u" hidden"_s));
    for (const QString& name : hidden)
        QVERIFY2(!shown(row, name), qPrintable(name + u" shown"_s));

    QCOMPARE(child<QLabel>(row, u"jobTitle"_s)->text(), u"Un título"_s);
    QCOMPARE(child<QLabel>(row, u"jobSubtitle"_s)->text(), job.profile.label() + u" · 0:12"_s);
    const auto* detail = child<StyledLabel>(row, u"jobDetail"_s);
    QCOMPARE(detail->tone(), state == JobState::failed ? Tone::coral : Tone::secondary);
    QVERIFY(detail->textInteractionFlags() & Qt::TextSelectableByMouse);
    if (visible.contains(u"cancelJob"_s)) {
        auto* cancel = child<QPushButton>(row, u"cancelJob"_s);
        QCOMPARE(cancel->accessibleName(), u"Cancelar Un título"_s);
    }
    if (visible.contains(u"jobProgressArea"_s)) {
        QCOMPARE(child<ProgressLine>(row, u"jobProgress"_s)->value(), 0.456);
        QCOMPARE(child<QLabel>(row, u"jobState"_s)->text(), title(state));
        QCOMPARE(child<QLabel>(row, u"jobPercent"_s)->text(), u"45%"_s);
    }
}

void QueueTest::percentage_data()
{
    QTest::addColumn<double>("progress");
    QTest::addColumn<QString>("text");

    QTest::newRow("0.456 truncates to 45") << 0.456 << u"45%"_s;
    QTest::newRow("0.999 is still 99") << 0.999 << u"99%"_s;
    QTest::newRow("not a number reads as 0") << std::numeric_limits<double>::quiet_NaN() << u"0%"_s;
    QTest::newRow("past the end stops at 100") << 1.7 << u"100%"_s;
}

void QueueTest::percentage()
{
    QFETCH(double, progress);
    QFETCH(QString, text);
    QCOMPARE(JobRow::percentText(progress), text);
    // The bar never draws outside its track, whatever it is given.
    QVERIFY(ProgressLine::fraction(progress) >= 0 && ProgressLine::fraction(progress) <= 1);
}

void QueueTest::emptyQueue()
{
    AppHarness harness;
    AppModel& model = harness.open();
    model.setSection(u"queue"_s);
    QueueView view(&model);
    view.resize(900, 700);
    view.show();

    QCOMPARE(child<QLabel>(view, u"queuePending"_s)->text(), u"0 en curso o en espera"_s);
    auto* empty = child<EmptyState>(view, u"queueEmpty"_s);
    QVERIFY(empty->isVisible());
    QVERIFY(child(view, u"addLink"_s)->isVisible());

    for (const QString& button : { u"addLink"_s, u"emptyStateButton"_s }) {
        model.setSection(u"queue"_s);
        QTest::mouseClick(child(view, button), Qt::LeftButton);
        QCOMPARE(model.section(), u"new"_s);
    }
}

void QueueTest::actionsReachTheModel()
{
    AppHarness harness;
    QVERIFY(harness.writeHistory(
        { endedJob(harness.downloads(), u"failedaaaaa"_s, u"Falló"_s, JobState::failed, u"Error"_s, 1) }));
    QVERIFY(harness.openReady());
    AppModel& model = *harness.model;
    QueueView view(&model);
    view.resize(900, 700);
    view.show();
    QVERIFY(harness.enqueue(u"runningaaaa"_s, u"Corriendo"_s));
    QVERIFY(harness.enqueue(u"waitingaaaa"_s, u"Esperando"_s));
    QTRY_COMPARE(harness.engine->count(Kind::exportJob), 1);

    // Newest first, and the rows live on while the list changes around them.
    QStringList order;
    for (JobRow* row : view.rows())
        order.append(row->job().video.title);
    QCOMPARE(order, (QStringList { u"Esperando"_s, u"Corriendo"_s, u"Falló"_s }));
    QCOMPARE(child<QLabel>(view, u"queuePending"_s)->text(), u"2 en curso o en espera"_s);
    JobRow* running = rowOf(view, u"Corriendo"_s);

    QTest::mouseClick(child(*running, u"cancelJob"_s), Qt::LeftButton);
    QCOMPARE(model.jobs()[1].state, JobState::cancelled);
    QVERIFY(harness.engine->call(Kind::exportJob, 0)->token->cancelled());
    QCOMPARE(rowOf(view, u"Corriendo"_s), running);
    QVERIFY(shown(*running, u"retryJob"_s));

    QTest::mouseClick(child(*rowOf(view, u"Falló"_s), u"retryJob"_s), Qt::LeftButton);
    QVERIFY(model.jobs()[0].state == JobState::queued || isActive(model.jobs()[0].state));

    QPointer<JobRow> removed = running;
    QTest::mouseClick(child(*running, u"removeJob"_s), Qt::LeftButton);
    QCOMPARE(model.jobs().size(), 2);
    QVERIFY(!view.rows().contains(removed.data()));
    QTRY_VERIFY(!removed);
}

QTEST_MAIN(QueueTest)
#include "tst_queueview.moc"
