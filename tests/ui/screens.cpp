// Pictures of every screen of the window, in both schemes, with an empty and a
// full model, the new-download screen in its states, the two sheets, the about
// panel, the update notice and every symbol, to look at: ui_screens <folder>.
// The model is real; the engine is the test's, so that a download can be shown
// half-way.
#include "AppDelegate.h"
#include "MainView.h"
#include "MainWindow.h"
#include "SheetDialog.h"
#include "StyledLabel.h"
#include "Surface.h"
#include "Symbols.h"
#include "SymbolView.h"
#include "Theme.h"
#include "Window.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QListView>
#include <QMessageBox>
#include <QTextStream>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using Kind = ControlledEngine::Kind;

namespace {

const QStringList appearances = { u"dark"_s, u"light"_s };
QString folder;
bool written = true;

// Saves `<appearance>-<name>.png`.
void take(QWidget* widget, const QString& appearance, const QString& name)
{
    QCoreApplication::processEvents();
    const QString path = QDir(folder).filePath(appearance + u'-' + name + u".png"_s);
    const bool saved = widget && widget->grab().save(path, "PNG");
    QTextStream(stdout) << (saved ? "wrote " : "could not write ") << path << Qt::endl;
    written &= saved;
}

QList<DownloadJob> fullHistory(const QString& at)
{
    return { finishedJob(at, u"lib00000001"_s,
                 u"Concierto completo en vivo desde el estadio, edición aniversario con todos los invitados sorpresa "
                 u"de la noche"_s,
                 u"Banda Sonora"_s, DownloadKind::video, 10, true, 1080),
        finishedJob(
            at, u"lib00000002"_s, u"Podcast: cómo grabar voces en casa"_s, u"Radio Norte"_s, DownloadKind::audio, 11),
        finishedJob(at, u"lib00000003"_s, u"Receta de empanadas salteñas"_s, u"Cocina Fácil"_s, DownloadKind::video, 12,
            false, 720),
        finishedJob(at, u"lib00000004"_s, u"Clase de guitarra 12"_s, u"Profe Juan"_s, DownloadKind::audio, 13),
        finishedJob(
            at, u"lib00000005"_s, u"Resumen del partido"_s, u"Deportes Hoy"_s, DownloadKind::video, 14, true, 2160),
        endedJob(at, u"end00000001"_s, u"Un video que falló"_s, JobState::failed,
            u"YouTube pidió iniciar sesión para ver este video. Probá con otro enlace o más tarde."_s, 20),
        endedJob(at, u"end00000002"_s, u"Entrevista cancelada a mitad de camino"_s, JobState::cancelled,
            u"Podés reintentar para continuar."_s, 21) };
}

// The three sections, empty or full (a download half-way, a banner, the
// keyboard on a row, a search that finds nothing, an error).
void shootSections(bool full)
{
    Window::Open<MainView> window;
    AppHarness& harness = window.harness;
    written &= window.open(full ? fullHistory(harness.downloads()) : QList<DownloadJob>(), MainView::defaultSize);
    AppModel& model = *harness.model;
    MainView& view = *window.view;
    if (full) {
        harness.enqueue(u"run00000001"_s, u"Documental: el viaje del agua"_s);
        harness.enqueue(u"run00000002"_s, u"Tema nuevo (video oficial)"_s);
        written &= QTest::qWaitFor([&] { return harness.engine->count(Kind::exportJob) == 1; });
        harness.engine->call(Kind::exportJob, 0)
            ->report({ JobState::downloading, 0.456, u"Descargando audio · 3,2 MB/s"_s, true });
        written &= QTest::qWaitFor([&] { return model.active() && model.active()->progress > 0.4; });
    }
    for (const QString& appearance : appearances) {
        model.setAppearance(*fromRawValue<Appearance>(appearance));
        for (const Section section : allCases<Section>()) {
            model.setSection(section);
            if (full && section == Section::library)
                model.show(u"Concierto completo en vivo ya está guardado en tu Mac."_s, false);
            take(&view, appearance, (full ? u"full-"_s : u"empty-"_s) + rawValue(section));
            model.clearBanner();
        }
        if (!full)
            continue;
        // The keyboard on the second row's reveal button.
        auto* list = view.findChild<QListView*>(u"libraryList"_s);
        list->setFocus(Qt::TabFocusReason);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        take(&view, appearance, u"full-library-keyboard"_s);
        model.setLibrarySearch(u"ZZZ"_s);
        take(&view, appearance, u"full-library-nomatch"_s);
        model.setLibrarySearch(QString());
        model.show(u"No se pudo conectar con YouTube. Revisá tu conexión a internet e intentá de nuevo en unos "
                   u"minutos; si el problema sigue, probá con otro enlace."_s,
            true);
        take(&view, appearance, u"full-banner-error"_s);
        model.clearBanner();
    }
    if (full)
        return;
    // The new-download screen while analysing and with a post's videos, its
    // quality list open, and the two sheets: preferences and the player on a real clip.
    QList<VideoInfo> post = { testVideo(u"post0000001"_s, { 1080, 720, 360 }, u"Atardecer en la costa"_s),
        testVideo(u"post0000002"_s, { 2160, 1080 },
            u"Detrás de escena con el equipo completo y una descripción larga que ocupa dos líneas"_s),
        testVideo(u"post0000003"_s, { 720 }, u"Final"_s) };
    for (VideoInfo& video : post) {
        video.provider = MediaPlatform::instagram;
        video.sourceURL = u"https://www.instagram.com/p/Cabc123/"_s;
    }
    model.setSection(Section::newDownload);
    model.setLink(u"https://www.instagram.com/p/Cabc123/"_s);
    model.analyze();
    written &= QTest::qWaitFor([&] { return harness.engine->count(Kind::analyze) == 1; });
    for (const QString& appearance : appearances) {
        model.setAppearance(*fromRawValue<Appearance>(appearance));
        take(&view, appearance, u"new-analysing"_s);
    }
    harness.engine->call(Kind::analyze, 0)->finish(post);
    written &= QTest::qWaitFor([&] { return !model.analyzing(); });
    model.chooseVideo(u"post0000002"_s);
    DownloadProfile profile = model.profile();
    profile.kind = DownloadKind::video;
    profile.height = 2160;
    model.setProfile(profile);

    DownloadJob job
        = finishedJob(harness.downloads(), u"post0000002"_s, post[1].title, u"Autor"_s, DownloadKind::video, 1);
    job.path = harness.dir.filePath(u"clip.mp4"_s);
    written &= TestSupport::makeMedia(*job.path, 640, 360, 1, 10);
    auto* quality = view.findChild<QComboBox*>(u"qualityPicker"_s);
    for (const QString& appearance : appearances) {
        model.setAppearance(*fromRawValue<Appearance>(appearance));
        take(&view, appearance, u"new-chooser"_s);
        quality->showPopup();
        written &= QTest::qWaitForWindowExposed(quality->view()->window());
        take(quality->view()->window(), appearance, u"picker-list"_s);
        quality->hidePopup();
        model.setSettings(true);
        take(view.settingsSheet(), appearance, u"settings"_s);
        model.setSettings(false);
        model.setPreviewJob(job);
        QTest::qWait(500);
        take(view.playerSheet(), appearance, u"player"_s);
        model.setPreviewJob(std::nullopt);
    }
}

// The about panel and the update notice (taken while it waits for its button).
void shootPanels()
{
    AppHarness harness;
    AppDelegate delegate({ u"brisomar"_s }, harness.engine);
    delegate.launch();
    for (const QString& appearance : appearances) {
        delegate.model()->setAppearance(*fromRawValue<Appearance>(appearance));
        delegate.about();
        auto* panel = delegate.window()->findChild<QMessageBox*>(u"aboutPanel"_s);
        written &= panel && QTest::qWaitForWindowExposed(panel);
        take(panel, appearance, u"about"_s);
        delete panel;
        QTimer::singleShot(500, &delegate, [appearance] {
            QWidget* notice = QApplication::activeModalWidget();
            take(notice, appearance, u"update-notice"_s);
            if (notice)
                notice->close();
        });
        delegate.checkUpdates();
    }
    harness.engine->close();
}

// Every symbol, tinted as the screens tint them.
void shootSymbols()
{
    Surface sheet;
    auto* grid = new QGridLayout;
    const QStringList& all = symbolNames();
    for (int i = 0; i < all.size(); ++i) {
        grid->addWidget(new SymbolView(all[i], 20, i % 5 == 0 ? Tone::coral : Tone::primary), i / 3, 2 * (i % 3));
        grid->addWidget(new StyledLabel(all[i], uiFont(10), Tone::secondary), i / 3, 2 * (i % 3) + 1);
    }
    sheet.column()->addLayout(grid);
    sheet.resize(640, sheet.sizeHint().height());
    sheet.show();
    for (const QString& appearance : appearances) {
        Theme::instance().setPreferred(appearance == u"dark"_s ? ColorScheme::dark : ColorScheme::light);
        take(&sheet, appearance, u"symbols"_s);
    }
    Theme::instance().setPreferred(std::nullopt);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
    QApplication app(argc, argv);
    folder = app.arguments().value(1, u"."_s);
    QDir().mkpath(folder);
    shootSections(false);
    shootSections(true);
    shootPanels();
    shootSymbols();
    return written ? 0 : 1;
}
