#include "Preferences.h"

#include "JsonFields.h"
#include "TextHelpers.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr qsizetype maxLastLinkLength = 4096;
}

QString Preferences::defaultFolder()
{
    QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (downloads.isEmpty())
        downloads = QDir::home().filePath(u"Downloads"_s);
    return QDir(downloads).filePath(u"Brisomar"_s);
}

QByteArray Preferences::encode() const
{
    QJsonObject object {
        { u"folder"_s, folder },
        { u"appearance"_s, appearance },
        { u"metadata"_s, metadata },
        { u"lastLink"_s, lastLink },
    };
    if (lastProfile)
        object.insert(u"lastProfile"_s, lastProfile->toJson());
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<Preferences> Preferences::decode(const QByteArray& data)
{
    const QJsonDocument document = QJsonDocument::fromJson(data);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    Preferences preferences;
    if (const auto folder = JsonFields::text(object.value(u"folder"_s)))
        preferences.folder = *folder;
    if (const auto appearance = JsonFields::text(object.value(u"appearance"_s)))
        preferences.appearance = *appearance;
    if (const auto metadata = JsonFields::boolean(object.value(u"metadata"_s)))
        preferences.metadata = *metadata;
    if (const auto lastLink = JsonFields::text(object.value(u"lastLink"_s)))
        preferences.lastLink = graphemePrefix(*lastLink, maxLastLinkLength);
    preferences.lastProfile = DownloadProfile::fromJson(object.value(u"lastProfile"_s));
    return preferences;
}
