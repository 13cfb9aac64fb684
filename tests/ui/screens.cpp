// Pictures of every screen of the window, in both schemes, with an empty and a
// full model, the new-download screen in its states, the two sheets and every
// symbol, to look at: ui_screens <folder>. The model is real; the engine is
// the test's, so that a download can be shown half-way. The about panel and the
// update notice come from the application itself.
#include "AppDelegate.h"
#include "AppHarness.h"
#include "MainView.h"
#include "MainWindow.h"
#include "SheetDialog.h"
#include "StyledLabel.h"
#include "Surface.h"
#include "Symbols.h"
#include "SymbolView.h"
#include "Theme.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QListView>
#include <QMessageBox>
#include <QTextStream>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using Kind = ControlledEngine::Kind;

namespace {

QList<DownloadJob> fullHistory(const QString& folder)
{
    QList<DownloadJob> jobs;
    jobs.append(finishedJob(folder, u"lib00000001"_s,
        u"Concierto completo en vivo desde el estadio, edición aniversario con todos los invitados sorpresa de la noche"_s,
        u"Banda Sonora"_s, DownloadKind::video, 10, true, 1080));
    jobs.append(finishedJob(
        folder, u"lib00000002"_s, u"Podcast: cómo grabar voces en casa"_s, u"Radio Norte"_s, DownloadKind::audio, 11));
    jobs.append(finishedJob(folder, u"lib00000003"_s, u"Receta de empanadas salteñas"_s, u"Cocina Fácil"_s,
        DownloadKind::video, 12, false, 720));
    jobs.append(
        finishedJob(folder, u"lib00000004"_s, u"Clase de guitarra 12"_s, u"Profe Juan"_s, DownloadKind::audio, 13));
    jobs.append(finishedJob(
        folder, u"lib00000005"_s, u"Resumen del partido"_s, u"Deportes Hoy"_s, DownloadKind::video, 14, true, 2160));
    jobs.append(endedJob(folder, u"end00000001"_s, u"Un video que falló"_s, JobState::failed,
        u"YouTube pidió iniciar sesión para ver este video. Probá con otro enlace o más tarde."_s, 20));
    jobs.append(endedJob(folder, u"end00000002"_s, u"Entrevista cancelada a mitad de camino"_s, JobState::cancelled,
        u"Podés reintentar para continuar."_s, 21));
    return jobs;
}

bool picture(QWidget& widget, const QString& path)
{
    QCoreApplication::processEvents();
    const bool saved = widget.grab().save(path, "PNG");
    QTextStream(stdout) << (saved ? "wrote " : "could not write ") << path << Qt::endl;
    return saved;
}

bool shoot(const QString& folder, bool full)
{
    AppHarness harness;
    if (full && !harness.writeHistory(fullHistory(harness.downloads())))
        return false;
    if (!harness.openReady())
        return false;
    AppModel& model = *harness.model;
    if (full) {
        if (!harness.enqueue(u"run00000001"_s, u"Documental: el viaje del agua"_s)
            || !harness.enqueue(u"run00000002"_s, u"Tema nuevo (video oficial)"_s))
            return false;
        if (!QTest::qWaitFor([&] { return harness.engine->count(Kind::exportJob) == 1; }, 5000))
            return false;
        harness.engine->call(Kind::exportJob, 0)
            ->report({ JobState::downloading, 0.456, u"Descargando audio · 3,2 MB/s"_s, true });
        if (!QTest::qWaitFor([&] { return model.active() && model.active()->progress > 0.4; }, 5000))
            return false;
    }
    MainView view(&model);
    view.resize(MainView::defaultSize);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return false;

    const QString state = full ? u"full"_s : u"empty"_s;
    bool ok = true;
    for (const QString& appearance : { u"dark"_s, u"light"_s }) {
        model.setAppearance(appearance);
        for (const QString& section : { u"new"_s, u"queue"_s, u"library"_s }) {
            model.setSection(section);
            if (full && section == u"library"_s)
                model.show(u"Concierto completo en vivo ya está guardado en tu Mac."_s, false);
            ok &= picture(view, QDir(folder).filePath(u"%1-%2-%3.png"_s.arg(appearance, state, section)));
            model.clearBanner();
        }
        if (full) {
            // The keyboard on the second row's reveal button.
            model.setSection(u"library"_s);
            auto* list = view.findChild<QListView*>(u"libraryList"_s);
            list->setFocus(Qt::TabFocusReason);
            QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Tab);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            ok &= picture(view, QDir(folder).filePath(u"%1-full-library-keyboard.png"_s.arg(appearance)));
            model.setLibrarySearch(u"ZZZ"_s);
            model.setSection(u"library"_s);
            ok &= picture(view, QDir(folder).filePath(u"%1-full-library-nomatch.png"_s.arg(appearance)));
            model.setLibrarySearch(QString());
            model.show(
                u"No se pudo conectar con YouTube. Revisá tu conexión a internet e intentá de nuevo en unos minutos; si el problema sigue, probá con otro enlace."_s,
                true);
            ok &= picture(view, QDir(folder).filePath(u"%1-full-banner-error.png"_s.arg(appearance)));
            model.clearBanner();
        }
    }
    harness.engine->close();
    return ok;
}

// The new-download screen while analysing and with a post's videos, and the
// two sheets: preferences and the player on a real clip.
bool shootStates(const QString& folder)
{
    AppHarness harness;
    if (!harness.openReady())
        return false;
    AppModel& model = *harness.model;
    MainView view(&model);
    view.resize(MainView::defaultSize);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return false;

    QList<VideoInfo> post = { testVideo(u"post0000001"_s, { 1080, 720, 360 }, u"Atardecer en la costa"_s),
        testVideo(u"post0000002"_s, { 2160, 1080 },
            u"Detrás de escena con el equipo completo y una descripción larga que ocupa dos líneas"_s),
        testVideo(u"post0000003"_s, { 720 }, u"Final"_s) };
    for (VideoInfo& video : post) {
        video.provider = MediaPlatform::instagram;
        video.sourceURL = u"https://www.instagram.com/p/Cabc123/"_s;
    }
    model.setLink(u"https://www.instagram.com/p/Cabc123/"_s);
    model.analyze();
    if (!QTest::qWaitFor([&] { return harness.engine->count(Kind::analyze) == 1; }, 5000))
        return false;
    bool ok = true;
    for (const QString& appearance : { u"dark"_s, u"light"_s }) {
        model.setAppearance(appearance);
        ok &= picture(view, QDir(folder).filePath(u"%1-new-analysing.png"_s.arg(appearance)));
    }
    harness.engine->call(Kind::analyze, 0)->finish(post);
    if (!QTest::qWaitFor([&] { return !model.analyzing(); }, 5000))
        return false;
    model.chooseVideo(u"post0000002"_s);
    DownloadProfile profile = model.profile();
    profile.kind = DownloadKind::video;
    profile.height = 2160;
    model.setProfile(profile);

    const QString clip = harness.dir.filePath(u"clip.mp4"_s);
    if (!TestSupport::makeMedia(clip, 640, 360, 1, 10))
        return false;
    DownloadJob job
        = finishedJob(harness.downloads(), u"post0000002"_s, post[1].title, u"Autor"_s, DownloadKind::video, 1);
    job.path = clip;
    for (const QString& appearance : { u"dark"_s, u"light"_s }) {
        model.setAppearance(appearance);
        ok &= picture(view, QDir(folder).filePath(u"%1-new-chooser.png"_s.arg(appearance)));
        // The quality picker's list, open.
        auto* quality = view.findChild<QComboBox*>(u"qualityPicker"_s);
        quality->showPopup();
        ok &= QTest::qWaitForWindowExposed(quality->view()->window())
            && picture(*quality->view()->window(), QDir(folder).filePath(u"%1-picker-list.png"_s.arg(appearance)));
        quality->hidePopup();
        model.setSettings(true);
        ok &= view.settingsSheet()
            && picture(*view.settingsSheet(), QDir(folder).filePath(u"%1-settings.png"_s.arg(appearance)));
        model.setSettings(false);
        model.setPreviewJob(job);
        QTest::qWait(500);
        ok &= view.playerSheet()
            && picture(*view.playerSheet(), QDir(folder).filePath(u"%1-player.png"_s.arg(appearance)));
        model.setPreviewJob(std::nullopt);
    }
    harness.engine->close();
    return ok;
}

// The about panel and the update notice, from the application's menus.
bool shootPanels(const QString& folder)
{
    AppHarness harness;
    AppDelegate delegate({ u"brisomar"_s }, harness.engine);
    delegate.launch();
    bool ok = true;
    for (const QString& appearance : { u"dark"_s, u"light"_s }) {
        delegate.model()->setAppearance(appearance);
        delegate.about();
        auto* panel = delegate.window()->findChild<QMessageBox*>(u"aboutPanel"_s);
        ok &= panel && QTest::qWaitForWindowExposed(panel)
            && picture(*panel, QDir(folder).filePath(u"%1-about.png"_s.arg(appearance)));
        if (panel)
            panel->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // The notice waits for its button: it is taken while it waits.
        QTimer::singleShot(500, &delegate, [&ok, folder, appearance] {
            QWidget* notice = QApplication::activeModalWidget();
            ok &= notice && picture(*notice, QDir(folder).filePath(u"%1-update-notice.png"_s.arg(appearance)));
            if (notice)
                notice->close();
        });
        delegate.checkUpdates();
    }
    harness.engine->close();
    return ok;
}

// Every symbol, tinted as the screens tint them.
bool shootSymbols(const QString& folder)
{
    Surface sheet;
    auto* grid = new QGridLayout;
    const QStringList& all = symbolNames();
    for (int i = 0; i < all.size(); ++i) {
        auto* cell = new QHBoxLayout;
        cell->addWidget(new SymbolView(all[i], 20, i % 5 == 0 ? Tone::coral : Tone::primary));
        cell->addWidget(new StyledLabel(all[i], uiFont(10), Tone::secondary));
        cell->addStretch();
        grid->addLayout(cell, i / 3, i % 3);
    }
    sheet.column()->addLayout(grid);
    sheet.resize(640, sheet.sizeHint().height());
    sheet.show();
    bool ok = true;
    for (const ColorScheme scheme : { ColorScheme::dark, ColorScheme::light }) {
        Theme::instance().setPreferred(scheme);
        ok &= picture(
            sheet, QDir(folder).filePath(scheme == ColorScheme::dark ? u"dark-symbols.png"_s : u"light-symbols.png"_s));
    }
    Theme::instance().setPreferred(std::nullopt);
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
    QApplication app(argc, argv);
    const QString folder = app.arguments().value(1, u"."_s);
    QDir().mkpath(folder);
    const bool ok = shoot(folder, false) && shoot(folder, true) && shootStates(folder) && shootPanels(folder)
        && shootSymbols(folder);
    return ok ? 0 : 1;
}
