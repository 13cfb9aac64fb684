#include "EngineRefresh.h"

#include "BrisError.h"
#include "DownloadProgress.h"
#include "FileSystem.h"
#include "HttpFetch.h"
#include "LastPath.h"
#include "SigningKey.h"
#include "ToolArguments.h"
#include "ToolRun.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtEndian>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString noConnection
    = u"No se pudo conectar con el servidor de yt-dlp para buscar una versión nueva del motor; revisá tu conexión y reintentá."_s;
const QString strangeAnswer
    = u"El servidor de yt-dlp no respondió como se esperaba, así que el motor quedó como estaba."_s;
const QString incomplete = u"La versión nueva del motor llegó incompleta, así que el motor quedó como estaba."_s;
const QString tooLarge = u"La versión nueva del motor es más grande de lo admitido, así que se descartó."_s;
const QString noRoom
    = u"No hubo espacio en el disco para bajar la versión nueva del motor, así que el motor quedó como estaba."_s;
const QString signatureRefused = u"La firma de la versión nueva del motor no es la de yt-dlp, así que se descartó."_s;
const QString checksumMismatch = u"La versión nueva del motor no coincide con su suma firmada, así que se descartó."_s;
const QString trialFailed = u"La versión nueva del motor falló su prueba, así que seguís con la que tenías."_s;
const QString noPrevious = u"No hay una versión anterior del motor a la que volver."_s;

QString fetchSentence(HttpFetch::Failure failure)
{
    switch (failure) {
    case HttpFetch::Failure::connection:
        return noConnection;
    case HttpFetch::Failure::incomplete:
        return incomplete;
    case HttpFetch::Failure::tooLarge:
        return tooLarge;
    case HttpFetch::Failure::write:
        return noRoom;
    case HttpFetch::Failure::unexpected:
    case HttpFetch::Failure::address:
        break;
    }
    return strangeAnswer;
}

void fetch(const HttpFetch& http, const QUrl& url, const QString& file, qint64 limit, const CancellationPtr& cancel)
{
    try {
        http.download(url, file, limit, cancel);
    } catch (const HttpFetch::Error& error) {
        // A failed first contact means no connection; once the release was found, a
        // broken transfer is a download that came in short.
        throw BrisError::message(fetchSentence(
            error.failure == HttpFetch::Failure::connection ? HttpFetch::Failure::incomplete : error.failure));
    }
}

// Half a second of silence as 8 kHz mono 16-bit PCM: media yt-dlp copies as is.
QByteArray silence()
{
    constexpr quint32 rate = 8000;
    constexpr quint32 bytes = rate;
    QByteArray wav;
    const auto put32 = [&](quint32 value) {
        char raw[4];
        qToLittleEndian(value, raw);
        wav.append(raw, 4);
    };
    const auto put16 = [&](quint16 value) {
        char raw[2];
        qToLittleEndian(value, raw);
        wav.append(raw, 2);
    };
    wav.append("RIFF");
    put32(36 + bytes);
    wav.append("WAVEfmt ");
    put32(16);
    put16(1);
    put16(1);
    put32(rate);
    put32(rate * 2);
    put16(2);
    put16(16);
    wav.append("data");
    put32(bytes);
    wav.append(QByteArray(bytes, '\0'));
    return wav;
}

void writeWhole(const QString& path, const QByteArray& data)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size() || !file.flush())
        throw BrisError::message(noRoom);
}

QByteArray sha256(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return hash.result().toHex();
}

// The new engine must survive a crash right after it is recorded.
void syncFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw SystemError(u"No se pudo guardar la versión nueva del motor."_s);
    const int synced = ::fsync(fd);
    ::close(fd);
    if (synced != 0)
        throw SystemError(u"No se pudo guardar la versión nueva del motor."_s);
}

} // namespace

EngineRefresh::EngineRefresh(Toolchain tools, BrisPaths paths)
    : m_tools(std::move(tools))
    , m_user(paths)
    , m_releases(u"https://github.com/yt-dlp/yt-dlp/releases"_s)
{
    const QString releases = qEnvironmentVariable("BRISOMAR_ENGINE_RELEASES");
    if (!releases.isEmpty()) {
        m_releases = QUrl(releases);
        m_testAddress = true;
    }
    m_keyring = qEnvironmentVariable("BRISOMAR_ENGINE_KEYRING");
}

EngineRefresh::Found EngineRefresh::find(const CancellationPtr& cancel) const
{
    const HttpFetch http(m_testAddress);
    UserEngine::Record record = m_user.record();
    record.checked = QDateTime::currentDateTimeUtc();
    try {
        m_user.write(record);
    } catch (const SystemError&) {
        // Only the once-a-day pace is lost; the search itself needs no record.
    }

    QString latest;
    try {
        const QUrl tag = http.redirect(QUrl(m_releases.toString() + u"/latest"_s), cancel);
        const QString path = tag.path();
        if (path.contains(u"/releases/tag/"_s))
            latest = path.section(u'/', -1);
    } catch (const HttpFetch::Error& error) {
        throw BrisError::message(fetchSentence(error.failure));
    }
    if (!UserEngine::validVersion(latest))
        throw BrisError::message(strangeAnswer);

    const QString current = inUse(cancel);
    if (UserEngine::compare(latest, current) <= 0)
        return { current, false };

    // Beside the versions, so that the accepted file is renamed into place on the same disk.
    const QString versions = m_user.folder() + u"/yt-dlp"_s;
    FileSystem::makeDirectories(versions);
    // One refresh at a time per data folder (the instance lock): what a crash
    // left of an earlier one goes.
    for (const QString& name : QDir(versions).entryList({ u".download-*"_s }, QDir::Dirs | QDir::Hidden))
        FileSystem::discardTree(QDir(versions).filePath(name));
    QTemporaryDir work(versions + u"/.download-XXXXXX"_s);
    if (!work.isValid())
        throw BrisError::message(noRoom);
    const QString zipapp = work.filePath(u"yt-dlp"_s);
    const QString sums = work.filePath(u"SHA2-256SUMS"_s);
    const QString signature = work.filePath(u"SHA2-256SUMS.sig"_s);
    const QString base = m_releases.toString() + u"/download/"_s + latest + u'/';
    fetch(http, QUrl(base + u"SHA2-256SUMS"_s), sums, sumsLimit, cancel);
    fetch(http, QUrl(base + u"SHA2-256SUMS.sig"_s), signature, sumsLimit, cancel);
    fetch(http, QUrl(base + u"yt-dlp"_s), zipapp, zipappLimit, cancel);

    verifySignature(work.path(), sums, signature, cancel);
    QFile sumsFile(sums);
    if (!sumsFile.open(QIODevice::ReadOnly))
        throw BrisError::message(checksumMismatch);
    const QByteArray listed = listedSum(sumsFile.read(sumsLimit), u"yt-dlp"_s);
    if (listed.isEmpty() || listed != sha256(zipapp))
        throw BrisError::message(checksumMismatch);

    QFile::setPermissions(zipapp,
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
            | QFile::ExeOther);
    tryOut(work.path(), zipapp, latest, cancel);

    const QString target = m_user.file(latest);
    const QString folder = QFileInfo(target).path();
    // A leftover of this version (one rolled back from) is replaced: it is neither
    // current nor previous, so nothing runs it.
    FileSystem::discardTree(folder);
    try {
        FileSystem::makeDirectories(folder);
        syncFile(zipapp);
        FileSystem::rename(zipapp, target);
    } catch (const SystemError&) {
        FileSystem::discardTree(folder);
        throw BrisError::message(noRoom);
    }
    return { latest, true };
}

void EngineRefresh::adopt(const QString& version) const
{
    UserEngine::Record record = m_user.record();
    if (record.current != version) {
        record.previous = record.current;
        record.current = version;
    }
    m_user.write(record);
    const QDir versions(m_user.folder() + u"/yt-dlp"_s);
    for (const QString& name : versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        // Downloads under way in another refresh start with a dot and are theirs.
        if (name != record.current && name != record.previous && !name.startsWith(u'.'))
            FileSystem::discardTree(versions.filePath(name));
    }
}

QString EngineRefresh::rollBack() const
{
    if (!m_user.hasPrevious())
        throw BrisError::message(noPrevious);
    UserEngine::Record record = m_user.record();
    // The version left is kept on disk until the next update replaces it.
    record.current = std::exchange(record.previous, QString());
    m_user.write(record);
    return record.current;
}

bool EngineRefresh::due(const QDateTime& now) const
{
    const std::optional<QDateTime> checked = m_user.record().checked;
    // A clock set back counts as due too, or a wrong date could stop updates for years.
    return !checked || *checked > now || checked->secsTo(now) >= 24 * 60 * 60;
}

QString EngineRefresh::versionsLine(const Toolchain& tools, const CancellationPtr& cancel)
{
    const QString ytDlp = QString::fromUtf8(tools.run(u"yt-dlp"_s, { u"--version"_s }, cancel, 120)).trimmed();
    QString node = QString::fromUtf8(tools.run(u"node"_s, { u"--version"_s }, cancel, 15)).trimmed();
    if (node.startsWith(u'v'))
        node.remove(0, 1);
    return u"yt-dlp "_s + ytDlp + u" · node "_s + node
        + (tools.replacedYtDlp() ? u" · actualizado"_s : u" · incluido"_s);
}

QByteArray EngineRefresh::dearmor(const QByteArray& armored)
{
    QByteArray body;
    bool inBlock = false;
    bool inBody = false;
    for (const QByteArray& raw : armored.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith("-----BEGIN PGP PUBLIC KEY BLOCK-----")) {
            inBlock = true;
            continue;
        }
        if (!inBlock)
            continue;
        if (line.startsWith("-----END"))
            break;
        // Armor headers ("Comment: …") end at the first blank line.
        if (!inBody) {
            inBody = line.isEmpty();
            continue;
        }
        // The checksum line closes the body.
        if (line.startsWith('='))
            break;
        body += line;
    }
    return QByteArray::fromBase64(body);
}

QByteArray EngineRefresh::listedSum(const QByteArray& sums, const QString& name)
{
    for (const QByteArray& line : sums.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() != 2)
            continue;
        QByteArray file = fields[1];
        // "*name" marks a sum made in binary mode.
        if (file.startsWith('*'))
            file.remove(0, 1);
        const QByteArray sum = fields[0].toLower();
        if (file == name.toUtf8() && sum.size() == 64
            && std::all_of(sum.begin(), sum.end(), [](char c) { return std::isxdigit(uchar(c)); }))
            return sum;
    }
    return {};
}

QString EngineRefresh::inUse(const CancellationPtr& cancel) const
{
    try {
        return QString::fromUtf8(m_tools.run(u"yt-dlp"_s, { u"--version"_s }, cancel, 120)).trimmed();
    } catch (const BrisError& error) {
        if (error.isCancelled())
            throw;
    } catch (const SystemError&) {
    }
    // An engine that no longer starts is older than any release: the refresh is its way out.
    return {};
}

void EngineRefresh::verifySignature(
    const QString& work, const QString& sums, const QString& signature, const CancellationPtr& cancel) const
{
    QString keyring = m_keyring;
    if (keyring.isEmpty()) {
        keyring = work + u"/keyring.gpg"_s;
        writeWhole(keyring, dearmor(SigningKey::armored()));
    }
    const QString home = work + u"/gnupg"_s;
    FileSystem::makeDirectories(home);
    QFile::setPermissions(home, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QList<QByteArray> argv { "/usr/bin/gpgv"_ba, "--homedir"_ba, QFile::encodeName(home), "--status-fd"_ba,
        "1"_ba, "--keyring"_ba, QFile::encodeName(QFileInfo(keyring).absoluteFilePath()), QFile::encodeName(signature),
        QFile::encodeName(sums) };
    QByteArray status;
    try {
        ToolRun run(cancel, 60, {});
        status = run.exec(argv, { "PATH=/usr/bin:/bin"_ba, "LC_ALL=C"_ba });
    } catch (const BrisError& error) {
        if (error.isCancelled())
            throw;
        throw BrisError::message(signatureRefused);
    } catch (const SystemError&) {
        throw BrisError::message(signatureRefused);
    }
    if (!status.contains("[GNUPG:] VALIDSIG "))
        throw BrisError::message(signatureRefused);
}

void EngineRefresh::tryOut(
    const QString& work, const QString& zipapp, const QString& version, const CancellationPtr& cancel) const
{
    const Toolchain trial = m_tools.withYtDlp(zipapp);
    const QString folder = work + u"/trial"_s;
    const QString media = work + u"/silence.wav"_s;
    const QString document = work + u"/trial.info.json"_s;
    try {
        if (QString::fromUtf8(trial.run(u"yt-dlp"_s, { u"--version"_s }, cancel, 120)).trimmed() != version)
            throw BrisError::message(trialFailed);

        FileSystem::makeDirectories(folder);
        const QByteArray sound = silence();
        writeWhole(media, sound);
        const QJsonObject format { { u"format_id"_s, u"sound"_s },
            { u"url"_s, QUrl::fromLocalFile(media).toString(QUrl::FullyEncoded) }, { u"protocol"_s, u"file"_s },
            { u"ext"_s, u"wav"_s }, { u"vcodec"_s, u"none"_s }, { u"acodec"_s, u"pcm_s16le"_s } };
        const QJsonObject info { { u"id"_s, u"trial"_s }, { u"title"_s, u"Brisomar"_s },
            { u"extractor"_s, u"generic"_s }, { u"extractor_key"_s, u"Generic"_s }, { u"_type"_s, u"video"_s },
            { u"formats"_s, QJsonArray { format } } };
        writeWhole(document, QJsonDocument(info).toJson(QJsonDocument::Compact));

        // Every argument a real download passes, so that a release that dropped one fails here.
        LastPath reported;
        trial.run(u"yt-dlp"_s,
            trial.common() + ToolArguments::download()
                + QStringList { u"--enable-file-urls"_s, u"--no-clean-info-json"_s, u"--load-info-json"_s, document,
                    u"--format"_s, u"sound"_s, u"--output"_s,
                    FileSystem::templateLiteral(folder) + u"/%(id)s.%(ext)s"_s },
            cancel, 120, [&](const QString& line) { capturePath(line, reported); });
        const std::optional<QString> file = reported.value();
        if (!file || !FileSystem::fileInside(*file, folder, FileSystem::realPath(folder))
            || FileSystem::regularFileSize(*file) != sound.size())
            throw BrisError::message(trialFailed);
    } catch (const BrisError& error) {
        if (error.isCancelled())
            throw;
        throw BrisError::message(trialFailed);
    } catch (const SystemError&) {
        throw BrisError::message(trialFailed);
    }
}
