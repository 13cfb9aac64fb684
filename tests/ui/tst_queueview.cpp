#include "JobRow.h"
#include "ProgressLine.h"
#include "QueueView.h"
#include "Window.h"

#include <limits>

using namespace Qt::Literals::StringLiterals;
using namespace Window;
using Kind = ControlledEngine::Kind;

class QueueViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What each row offers, and the percentage, which never rounds up to 100
    // before the end and stays within 0 and 100 whatever it is given.
    void rowByState_data()
    {
        QTest::addColumn<JobState>("state");
        QTest::addColumn<bool>("compact");
        QTest::addColumn<bool>("reused");
        QTest::addColumn<double>("progress");
        QTest::addColumn<QString>("visible");

        QTest::newRow("downloading: cancel, bar and detail")
            << JobState::downloading << false << false << 0.999 << u"cancelJob jobProgressArea jobDetail 99%"_s;
        QTest::newRow("failed: retry and remove, no bar")
            << JobState::failed << false << false << 0.5 << u"retryJob removeJob jobDetail"_s;
        QTest::newRow("reused original, past the end")
            << JobState::converting << false << true << 1.7 << u"cancelJob jobProgressArea jobDetail jobReuse 100%"_s;
        QTest::newRow("compact running, not a number")
            << JobState::converting << true << false << std::numeric_limits<double>::quiet_NaN()
            << u"cancelJob jobProgressArea jobDetail 0%"_s;
        QTest::newRow("compact queued: no detail") << JobState::queued << true << false << 0.0 << u"cancelJob"_s;
        QTest::newRow("compact failed: retry, never remove")
            << JobState::failed << true << false << 0.5 << u"retryJob"_s;
    }

    void rowByState()
    {
        QFETCH(JobState, state);
        QFETCH(bool, compact);
        QFETCH(bool, reused);
        QFETCH(double, progress);
        QFETCH(QString, visible);

        AppHarness harness;
        DownloadJob job = endedJob(harness.downloads(), u"aaaaaaaaaaa"_s, u"Un título"_s, state, u"Algo"_s, 1);
        job.progress = progress;
        job.reusedOriginal = reused;
        JobRow row(job, &harness.open(), compact);
        row.show();

        QStringList seen;
        for (const QString& name :
            { u"cancelJob"_s, u"retryJob"_s, u"removeJob"_s, u"jobProgressArea"_s, u"jobDetail"_s, u"jobReuse"_s })
            if (shown(row, name))
                seen.append(name);
        if (seen.contains(u"jobProgressArea"_s)) {
            seen.append(text(row, u"jobPercent"_s));
            QCOMPARE(text(row, u"jobState"_s), title(state));
            // The bar never draws outside its track.
            QVERIFY(ProgressLine::fraction(progress) >= 0 && ProgressLine::fraction(progress) <= 1);
        }
        QCOMPARE(seen.join(u' '), visible);
        QCOMPARE(text(row, u"jobSubtitle"_s), job.profile.label() + u" · 0:12"_s);
        if (visible.contains(u"cancelJob"_s))
            QCOMPARE(child(row, u"cancelJob"_s)->accessibleName(), u"Cancelar Un título"_s);
    }

    // Newest first; the buttons reach the model, and a row lives on while the list changes around it.
    void actionsReachTheModel()
    {
        Open<QueueView> queue;
        QVERIFY(queue.open(
            { endedJob(queue.harness.downloads(), u"failedaaaaa"_s, u"Falló"_s, JobState::failed, u"Error"_s, 1) }));
        QCOMPARE(text(*queue.view, u"queuePending"_s), u"0 en curso o en espera"_s);
        QTest::mouseClick(child(*queue.view, u"addLink"_s), Qt::LeftButton);
        QCOMPARE(queue.model().section(), Section::newDownload);
        QVERIFY(queue.harness.enqueue(u"runningaaaa"_s, u"Corriendo"_s));
        QVERIFY(queue.harness.enqueue(u"waitingaaaa"_s, u"Esperando"_s));
        QTRY_COMPARE(queue.harness.engine->count(Kind::exportJob), 1);
        const QList<JobRow*> rows = queue.view->rows();
        QCOMPARE(rows.size() == 3 ? rows[0]->job().video.title + rows[1]->job().video.title + rows[2]->job().video.title
                                  : QString(),
            u"EsperandoCorriendoFalló"_s);
        QCOMPARE(text(*queue.view, u"queuePending"_s), u"2 en curso o en espera"_s);

        QTest::mouseClick(child(*rows[1], u"cancelJob"_s), Qt::LeftButton);
        QCOMPARE(queue.model().jobs()[1].state, JobState::cancelled);
        QVERIFY(queue.view->rows().contains(rows[1]) && shown(*rows[1], u"retryJob"_s));
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
