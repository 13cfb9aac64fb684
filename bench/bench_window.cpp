// The window's work on the interface thread, in one process on the offscreen
// platform: one keystroke in the link field beside one in a plain QLineEdit,
// and removing one job from a history of 500 (400 completed, 100 failed) with
// the queue or the library on screen, beside one frame (16.7 ms).
#include "AppModel.h"
#include "LibraryView.h"
#include "MainView.h"
#include "NewDownloadView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int typedPerLink = 40;
const QString linkStart = u"https://www.youtube.com/watch?v="_s;

QList<DownloadJob> history(const QString& folder)
{
    QList<DownloadJob> jobs;
    for (int n = 0; n < 500; ++n) {
        const QString id = QString::number(1'234'567'890'000 + n);
        const VideoInfo video { id, u"Un video de ejemplo número %1 — con acentos y ñ"_s.arg(n), u"Un canal"_s, 212.5,
            {}, MediaPlatform::twitter, u"https://x.com/alguien/status/"_s + id, {} };
        DownloadProfile profile;
        profile.kind = n % 2 ? DownloadKind::video : DownloadKind::audio;
        const bool done = n < 400;
        DownloadJob job
            = DownloadJob::make(video, profile, folder, done ? JobState::completed : JobState::failed, false);
        job.created = job.created.addSecs(n);
        job.detail = done ? u"Guardado"_s : u"No se pudo descargar: la conexión se cortó."_s;
        if (done) {
            job.progress = 1;
            job.path = folder + u'/' + id + u".mp3"_s;
            job.bytes = 4;
            QFile file(*job.path);
            if (!file.open(QIODevice::WriteOnly) || file.write("1234") != 4)
                qFatal("cannot write a download");
        }
        jobs.append(job);
    }
    return jobs;
}

// The model over a data folder on the real disk, and its window on screen.
struct Window
{
    QTemporaryDir dir { QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + u"/brisomar-bench-XXXXXX"_s };
    std::unique_ptr<AppModel> model;
    std::unique_ptr<MainView> view;

    explicit Window(bool withHistory)
    {
        const QString data = dir.filePath(u"data"_s);
        const QString downloads = dir.filePath(u"Descargas"_s);
        QDir().mkpath(data);
        QDir().mkpath(downloads);
        qputenv("BRISOMAR_DATA_DIR", data.toUtf8());
        qputenv("BRISOMAR_DOWNLOAD_DIR", downloads.toUtf8());
        if (withHistory) {
            QFile file(data + u"/library.json"_s);
            const QByteArray bytes = DownloadJob::encodeHistory(history(downloads));
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                qFatal("cannot write the history");
        }
        model = std::make_unique<AppModel>();
        view = std::make_unique<MainView>(model.get());
        view->resize(MainView::defaultSize);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            qFatal("the window was not shown");
        settle();
    }

    ~Window()
    {
        view.reset();
        model.reset();
    }

    static void settle()
    {
        for (int pass = 0; pass < 3; ++pass) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }
};

// Types into `field` until the link is long, then starts a new one off the clock.
void typeInto(benchmark::State& state, QLineEdit* field)
{
    field->activateWindow();
    field->setFocus();
    int typed = 0;
    for (auto _ : state) {
        if (typed++ == typedPerLink) {
            state.PauseTiming();
            field->selectAll();
            QTest::keyClicks(field, linkStart);
            QCoreApplication::processEvents();
            typed = 1;
            state.ResumeTiming();
        }
        QTest::keyClick(field, char('a' + typed % 26));
        QCoreApplication::processEvents();
    }
}

void plainLineEditKeystroke(benchmark::State& state)
{
    QLineEdit field;
    field.resize(600, 30);
    field.show();
    if (!QTest::qWaitForWindowExposed(&field))
        qFatal("the field was not shown");
    typeInto(state, &field);
}

void linkFieldKeystroke(benchmark::State& state)
{
    Window window(false);
    typeInto(state, window.view->findChild<NewDownloadView*>()->linkField());
}

// The remove and everything it makes the window do, to the repaint.
void removeOneJob(benchmark::State& state, Section section)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<Window>(true);
        window->model->setSection(section);
        Window::settle();
        const QList<DownloadJob> shown
            = section == Section::queue ? window->model->queue() : window->model->completed();
        const DownloadJob job = shown.at(2);
        state.ResumeTiming();
        window->model->remove(job);
        Window::settle();
        state.PauseTiming();
        if (window->model->jobs().size() != 499)
            state.SkipWithError("the job was not removed");
        window.reset();
        state.ResumeTiming();
    }
}

void removeFromQueue(benchmark::State& state)
{
    removeOneJob(state, Section::queue);
}

void removeFromLibrary(benchmark::State& state)
{
    removeOneJob(state, Section::library);
}

} // namespace

BENCHMARK(plainLineEditKeystroke)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(400);
BENCHMARK(linkFieldKeystroke)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(400);
BENCHMARK(removeFromQueue)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
BENCHMARK(removeFromLibrary)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
