#include "Preferences.h"

#include "StrictJson.h"
#include "JsonWriter.h"
#include "TextFormatting.h"

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
    JsonWriter writer;
    writer.beginObject();
    writer.key("folder"_L1);
    writer.value(folder);
    writer.key("appearance"_L1);
    writer.value(otherAppearance.isEmpty() ? rawValue(appearance) : otherAppearance);
    writer.key("metadata"_L1);
    writer.value(metadata);
    writer.key("keepEngineCurrent"_L1);
    writer.value(keepEngineCurrent);
    writer.key("lastLink"_L1);
    writer.value(lastLink);
    if (lastProfile) {
        writer.key("lastProfile"_L1);
        lastProfile->writeJson(writer);
    }
    writer.endObject();
    return writer.take();
}

std::optional<Preferences> Preferences::decode(const QByteArray& data)
{
    const QJsonDocument document = QJsonDocument::fromJson(data);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    Preferences preferences;
    // A relative folder would follow wherever the program was started from.
    if (const auto folder = StrictJson::text(object.value(u"folder"_s)); folder && QDir::isAbsolutePath(*folder))
        preferences.folder = *folder;
    if (const auto appearance = StrictJson::text(object.value(u"appearance"_s))) {
        const std::optional<Appearance> known = fromRawValue<Appearance>(*appearance);
        preferences.appearance = known.value_or(Appearance::system);
        if (!known)
            preferences.otherAppearance = *appearance;
    }
    if (const auto metadata = StrictJson::boolean(object.value(u"metadata"_s)))
        preferences.metadata = *metadata;
    if (const auto keep = StrictJson::boolean(object.value(u"keepEngineCurrent"_s)))
        preferences.keepEngineCurrent = *keep;
    if (const auto lastLink = StrictJson::text(object.value(u"lastLink"_s)))
        preferences.lastLink = graphemePrefix(*lastLink, maxLastLinkLength);
    preferences.lastProfile = DownloadProfile::fromJson(object.value(u"lastProfile"_s));
    return preferences;
}
