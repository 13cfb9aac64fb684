#include "JobRow.h"
#include "ProgressLine.h"
#include "QueueView.h"
#include "StyledLabel.h"
#include "Window.h"

#include <limits>

using namespace Qt::Literals::StringLiterals;
using namespace Window;
using Kind = ControlledEngine::Kind;

class QueueViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowByState_data()
    {
        QTest::addColumn<JobState>("state");
        QTest::addColumn<bool>("compact");
        QTest::addColumn<bool>("reused");
        QTest::addColumn<QString>("visible");

        QTest::newRow("queued: cancel and detail, no bar")
            << JobState::queued << false << false << u"cancelJob jobDetail"_s;
        QTest::newRow("downloading: cancel, bar and detail")
            << JobState::downloading << false << false << u"cancelJob jobProgressArea jobDetail"_s;
        QTest::newRow("failed: retry and remove, no bar")
            << JobState::failed << false << false << u"retryJob removeJob jobDetail"_s;
        QTest::newRow("reused original") << JobState::converting << false << true
                                         << u"cancelJob jobProgressArea jobDetail jobReuse"_s;
        QTest::newRow("compact running: bar, detail, cancel")
            << JobState::converting << true << false << u"cancelJob jobProgressArea jobDetail"_s;
        QTest::newRow("compact queued: no detail") << JobState::queued << true << false << u"cancelJob"_s;
        QTest::newRow("compact failed: retry, never remove") << JobState::failed << true << false << u"retryJob"_s;
    }

    void rowByState()
    {
        QFETCH(JobState, state);
        QFETCH(bool, compact);
        QFETCH(bool, reused);
        QFETCH(QString, visible);

        AppHarness harness;
        DownloadJob job = endedJob(harness.downloads(), u"aaaaaaaaaaa"_s, u"Un título"_s, state, u"Algo"_s, 1);
        job.progress = 0.456;
        job.reusedOriginal = reused;
        JobRow row(job, &harness.open(), compact);
        row.show();

        QStringList seen;
        for (const QString& name :
            { u"cancelJob"_s, u"retryJob"_s, u"removeJob"_s, u"jobProgressArea"_s, u"jobDetail"_s, u"jobReuse"_s })
            if (shown(row, name))
                seen.append(name);
        QCOMPARE(seen.join(u' '), visible);
        QCOMPARE(text(row, u"jobSubtitle"_s), job.profile.label() + u" · 0:12"_s);
        QCOMPARE(
            child<StyledLabel>(row, u"jobDetail"_s)->tone(), state == JobState::failed ? Tone::coral : Tone::secondary);
        if (visible.contains(u"cancelJob"_s))
            QCOMPARE(child(row, u"cancelJob"_s)->accessibleName(), u"Cancelar Un título"_s);
        if (visible.contains(u"jobProgressArea"_s)) {
            QCOMPARE(child<ProgressLine>(row, u"jobProgress"_s)->value(), 0.456);
            QCOMPARE(text(row, u"jobState"_s) + u' ' + text(row, u"jobPercent"_s), title(state) + u" 45%"_s);
        }
    }

    void percentage_data()
    {
        QTest::addColumn<double>("progress");
        QTest::addColumn<QString>("text");
        QTest::newRow("0.999 is still 99") << 0.999 << u"99%"_s;
        QTest::newRow("not a number reads as 0") << std::numeric_limits<double>::quiet_NaN() << u"0%"_s;
        QTest::newRow("past the end stops at 100") << 1.7 << u"100%"_s;
    }

    void percentage()
    {
        QFETCH(double, progress);
        QFETCH(QString, text);
        QCOMPARE(JobRow::percentText(progress), text);
        // The bar never draws outside its track, whatever it is given.
        QVERIFY(ProgressLine::fraction(progress) >= 0 && ProgressLine::fraction(progress) <= 1);
    }

    // Newest first; the buttons reach the model, and a row lives on while the list changes around it.
    void actionsReachTheModel()
    {
        Open<QueueView> queue;
        QVERIFY(queue.open(
            { endedJob(queue.harness.downloads(), u"failedaaaaa"_s, u"Falló"_s, JobState::failed, u"Error"_s, 1) }));
        QCOMPARE(text(*queue.view, u"queuePending"_s), u"0 en curso o en espera"_s);
        QTest::mouseClick(child(*queue.view, u"addLink"_s), Qt::LeftButton);
        QCOMPARE(queue.model().section(), u"new"_s);
        QVERIFY(queue.harness.enqueue(u"runningaaaa"_s, u"Corriendo"_s));
        QVERIFY(queue.harness.enqueue(u"waitingaaaa"_s, u"Esperando"_s));
        QTRY_COMPARE(queue.harness.engine->count(Kind::exportJob), 1);
        const QList<JobRow*> rows = queue.view->rows();
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0]->job().video.title + rows[1]->job().video.title + rows[2]->job().video.title,
            u"EsperandoCorriendoFalló"_s);
        QCOMPARE(text(*queue.view, u"queuePending"_s), u"2 en curso o en espera"_s);

        QTest::mouseClick(child(*rows[1], u"cancelJob"_s), Qt::LeftButton);
        QCOMPARE(queue.model().jobs()[1].state, JobState::cancelled);
        QVERIFY(queue.view->rows().contains(rows[1]));
        QVERIFY(shown(*rows[1], u"retryJob"_s));
        QTest::mouseClick(child(*rows[2], u"retryJob"_s), Qt::LeftButton);
        QVERIFY(queue.model().jobs()[0].state == JobState::queued || isActive(queue.model().jobs()[0].state));
        QPointer<JobRow> removed = rows[1];
        QTest::mouseClick(child(*rows[1], u"removeJob"_s), Qt::LeftButton);
        QCOMPARE(queue.model().jobs().size(), 2);
        QTRY_VERIFY(!removed);
    }
};

WINDOW_TEST(QueueViewTest);
#include "tst_queueview.moc"
