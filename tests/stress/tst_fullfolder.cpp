#include "AtomicFile.h"
#include "BrisError.h"
#include "OfflineVideo.h"
#include "TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Above the 100,000,000 bytes an audio job asks for before it starts.
constexpr qint64 volumeSize = 101 * 1024 * 1024;

// Every file under `folder`; folders alone hold nothing.
QStringList filesUnder(const QString& folder)
{
    QStringList files;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
         it.hasNext();)
        files << QDir(folder).relativeFilePath(it.next());
    return files;
}

} // namespace

class FullFolderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void volumeFillsDuringExport();
    void refusedSaveKeepsTheOldFile_data();
    void refusedSaveKeepsTheOldFile();

private:
    TestMedia m_media;
};

void FullFolderTest::volumeFillsDuringExport()
{
    QTemporaryDir volume;
    const QByteArray options = "size=" + QByteArray::number(volumeSize) + ",mode=0700";
    if (::mount(
            "tmpfs", QFile::encodeName(volume.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()))
        QSKIP("no file system can be mounted here");
    const auto unmount = qScopeGuard([&] { ::umount2(QFile::encodeName(volume.path()).constData(), MNT_DETACH); });
    OfflineVideo offline(m_media, { u"h264-aac.mkv"_s, u"tone.m4a"_s });
    const QString folder = volume.filePath(u"Descargas"_s);
    const DownloadJob job = DownloadJob::make(
        offline.video, DownloadProfile { .audio = AudioFormat::mp3 }, folder, JobState::queued, false);

    // The space runs out once the original is in the cache, as the conversion starts:
    // the filler leaves less than any export needs.
    bool filled = false;
    const QString filler = volume.filePath(u"filler"_s);
    const QString failure = TestSupport::failure([&] {
        offline.engine.exportJob(job, std::make_shared<Cancellation>(), [&](const DownloadUpdate& update) {
            if (update.state != JobState::converting || std::exchange(filled, true))
                return;
            const int fd = ::open(QFile::encodeName(filler).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
            QCOMPARE(::posix_fallocate(fd, 0, off_t(QStorageInfo(volume.path()).bytesAvailable() - 64 * 1024)), 0);
            ::close(fd);
        });
    });
    QVERIFY(filled);
    QCOMPARE(failure, u"No hay suficiente espacio libre en la carpeta elegida. Elegí otro destino o liberá espacio."_s);
    QCOMPARE(filesUnder(folder), QStringList());

    // With room again, the retry reuses the original the failed run cached.
    QVERIFY(QFile::remove(filler));
    const Outcome retry = offline.run(job);
    QCOMPARE(retry.error, QString());
    QVERIFY(retry.job->reusedOriginal);
    QCOMPARE(filesUnder(folder), QStringList { QFileInfo(*retry.job->path).fileName() });
}

void FullFolderTest::refusedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("a full volume") << false;
    QTest::newRow("a read-only volume") << true;
}

// A save the volume refuses fails loudly and leaves the old history byte for
// byte, with nothing of its own beside it.
void FullFolderTest::refusedSaveKeepsTheOldFile()
{
    QFETCH(bool, readOnly);

    QTemporaryDir volume;
    const QByteArray path = QFile::encodeName(volume.path());
    if (::mount("tmpfs", path.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=1m,mode=0700"))
        QSKIP("no file system can be mounted here");
    const auto unmount = qScopeGuard([&] { ::umount2(path.constData(), MNT_DETACH); });
    const QString history = volume.filePath(u"library.json"_s);
    const QByteArray old(300 * 1024, 'a');
    AtomicFile::write(history, old);
    if (readOnly)
        QCOMPARE(::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);

    const QString failure = TestSupport::failure([&] { AtomicFile::write(history, QByteArray(900 * 1024, 'b')); });
    QVERIFY2(failure.startsWith(u"No se pudo escribir "_s), qPrintable(failure));
    QCOMPARE(TestSupport::readFile(history), old);
    QCOMPARE(filesUnder(volume.path()), QStringList { u"library.json"_s });
}

int main(int argc, char** argv)
{
    TestSupport::enterPrivateMounts();
    QCoreApplication application(argc, argv);
    FullFolderTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_fullfolder.moc"
