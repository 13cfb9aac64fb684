#include "UserEngine.h"

#include "AtomicFile.h"
#include "StrictJson.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTimeZone>
#include <QVersionNumber>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint64 recordLimit = 64 * 1024;

const QDateTime& referenceDate()
{
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    return date;
}

QString recordPath(const QString& folder)
{
    return QDir(folder).filePath(u"engine.json"_s);
}

} // namespace

UserEngine::UserEngine(const BrisPaths& paths)
    : m_folder(QDir(paths.data()).filePath(u"Engine"_s))
{
}

QString UserEngine::file(const QString& version) const
{
    return m_folder + u"/yt-dlp/"_s + version + u"/yt-dlp"_s;
}

UserEngine::Record UserEngine::record() const
{
    QFile file(recordPath(m_folder));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject object = QJsonDocument::fromJson(file.read(recordLimit)).object();
    Record record;
    if (const auto current = StrictJson::text(object.value(u"current"_s)); current && validVersion(*current))
        record.current = *current;
    if (const auto previous = StrictJson::text(object.value(u"previous"_s)); previous && validVersion(*previous))
        record.previous = *previous;
    if (const auto checked = StrictJson::number(object.value(u"checked"_s)))
        record.checked = referenceDate().addMSecs(qint64(*checked * 1000));
    return record;
}

void UserEngine::write(const Record& record) const
{
    QJsonObject object;
    if (!record.current.isEmpty())
        object.insert(u"current"_s, record.current);
    if (!record.previous.isEmpty())
        object.insert(u"previous"_s, record.previous);
    if (record.checked)
        object.insert(u"checked"_s, double(referenceDate().msecsTo(*record.checked)) / 1000);
    QDir().mkpath(m_folder);
    AtomicFile::write(recordPath(m_folder), QJsonDocument(object).toJson(QJsonDocument::Compact));
}

Toolchain UserEngine::apply(const Toolchain& tools) const
{
    const QString current = record().current;
    return present(current) ? tools.withYtDlp(file(current)) : tools;
}

bool UserEngine::hasPrevious() const
{
    return present(record().previous);
}

bool UserEngine::present(const QString& version) const
{
    if (version.isEmpty())
        return false;
    const QFileInfo info(file(version));
    return info.isFile() && info.isExecutable();
}

bool UserEngine::validVersion(const QString& version)
{
    static const QRegularExpression pattern(u"^[0-9]{4}\\.[0-9]{1,2}\\.[0-9]{1,2}(\\.[0-9]{1,9})?$"_s);
    return pattern.match(version).hasMatch();
}

int UserEngine::compare(const QString& a, const QString& b)
{
    return QVersionNumber::compare(QVersionNumber::fromString(a), QVersionNumber::fromString(b));
}
