#include "BrisError.h"
#include "OfflineVideo.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Above the 100,000,000 bytes an audio job asks for before it starts.
constexpr qint64 volumeSize = 101 * 1024 * 1024;
// What the filler leaves: less than any of the exports needs. Where no file
// system can be mounted, a file size limit of this much stands in for the full volume.
constexpr qint64 leftOver = 64 * 1024;

// Mount namespaces of its own hide the volume from everyone else and end with
// this process; a user without the right to mount gets it in a user namespace.
// Either is entered only while the process has a single thread.
void enterPrivateMounts()
{
    const auto writeText = [](const char* path, const QByteArray& text) {
        QFile file(QString::fromLatin1(path));
        return file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(text) == text.size();
    };
    const QByteArray uid = QByteArray::number(::geteuid());
    const QByteArray gid = QByteArray::number(::getegid());
    if (::geteuid() != 0
        && !(::unshare(CLONE_NEWUSER) == 0 && writeText("/proc/self/setgroups", "deny")
            && writeText("/proc/self/uid_map", "0 " + uid + " 1")
            && writeText("/proc/self/gid_map", "0 " + gid + " 1")))
        return;
    if (::unshare(CLONE_NEWNS) == 0)
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
}

// Every file under `folder`; folders alone hold nothing.
QStringList filesUnder(const QString& folder)
{
    QStringList files;
    QDirIterator entries(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (entries.hasNext())
        files << QDir(folder).relativeFilePath(entries.next());
    return files;
}

} // namespace

class FullFolderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void volumeFillsDuringExport_data();
    void volumeFillsDuringExport();

private:
    // Takes the volume's space, or stands in for that: from here on no file may grow much.
    void fill();
    void release();

    TestMedia m_media;
    std::optional<OfflineVideo> m_offline;
    QTemporaryDir m_root;
    QString m_volume;
    bool m_mounted = false;
    std::optional<rlimit> m_limit;
};

void FullFolderTest::initTestCase()
{
    m_offline.emplace(m_media, QStringList { u"h264-aac.mkv"_s, u"tone.m4a"_s });
    m_volume = m_root.filePath(u"volume"_s);
    QVERIFY(QDir().mkpath(m_volume));
    const QByteArray options = "size=" + QByteArray::number(volumeSize) + ",mode=0700";
    m_mounted
        = ::mount("tmpfs", QFile::encodeName(m_volume).constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData())
        == 0;
    if (m_mounted)
        QCOMPARE(QStorageInfo(m_volume).bytesTotal(), volumeSize);
    else
        qInfo("no file system can be mounted here: a file size limit stands in for the full volume");
}

void FullFolderTest::cleanupTestCase()
{
    release();
    if (m_mounted)
        QCOMPARE(::umount2(QFile::encodeName(m_volume).constData(), MNT_DETACH), 0);
}

void FullFolderTest::fill()
{
    if (!m_mounted) {
        m_limit.emplace();
        ::getrlimit(RLIMIT_FSIZE, &*m_limit);
        const rlimit limit { leftOver, m_limit->rlim_max };
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        return;
    }
    const qint64 size = QStorageInfo(m_volume).bytesAvailable() - leftOver;
    const int fd = ::open(QFile::encodeName(m_volume + u"/filler"_s).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    QVERIFY(fd >= 0);
    const int result = ::posix_fallocate(fd, 0, off_t(size));
    ::close(fd);
    QCOMPARE(result, 0);
}

void FullFolderTest::release()
{
    if (m_limit)
        ::setrlimit(RLIMIT_FSIZE, &*m_limit);
    m_limit.reset();
    QFile::remove(m_volume + u"/filler"_s);
}

void FullFolderTest::volumeFillsDuringExport_data()
{
    QTest::addColumn<AudioFormat>("format");
    QTest::newRow("wav fills it while it writes") << AudioFormat::wav;
    QTest::newRow("mp3 fills it while it writes") << AudioFormat::mp3;
    QTest::newRow("m4a fills it while it writes") << AudioFormat::m4a;
}

void FullFolderTest::volumeFillsDuringExport()
{
    QFETCH(AudioFormat, format);
    QTemporaryDir data;
    const Downloader engine(Toolchain(m_offline->stand.root()), BrisPaths(data.path()));
    const QString folder = m_volume + u'/' + QString::fromLatin1(QTest::currentDataTag());
    const DownloadJob job
        = DownloadJob::make(m_offline->video, DownloadProfile { .audio = format }, folder, JobState::queued, false);

    // The space runs out once the original is in the cache, as the conversion starts.
    bool filled = false;
    QString failure;
    try {
        engine.exportJob(job, std::make_shared<Cancellation>(), [&](const DownloadUpdate& update) {
            if (update.state == JobState::converting && !filled) {
                filled = true;
                fill();
            }
        });
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    release();
    QVERIFY(filled);
    if (m_mounted)
        QCOMPARE(
            failure, u"No hay suficiente espacio libre en la carpeta elegida. Elegí otro destino o liberá espacio."_s);
    else
        QVERIFY2(failure.startsWith(u"No se pudo completar la operación."_s), qPrintable(failure));
    QCOMPARE(filesUnder(folder), QStringList());

    // With room again, the retry reuses the original the failed run cached.
    const DownloadJob done = engine.exportJob(job, std::make_shared<Cancellation>(), {});
    QCOMPARE(done.state, JobState::completed);
    QVERIFY(done.reusedOriginal);
    QCOMPARE(filesUnder(folder), QStringList { QFileInfo(done.path.value()).fileName() });
}

int main(int argc, char** argv)
{
    enterPrivateMounts();
    QCoreApplication application(argc, argv);
    FullFolderTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_fullfolder.moc"
