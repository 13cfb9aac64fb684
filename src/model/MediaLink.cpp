#include "MediaLink.h"

#include "TextFormatting.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qsizetype maxLinkBytes = 4095;

// Constant-initialised, so links can be made during other files' static set-up.
constexpr QStringView youtubeShortHost = u"youtu.be";
constexpr QStringView youtubeHosts[] = { u"youtube.com", u"www.youtube.com", u"m.youtube.com", u"music.youtube.com" };
constexpr QStringView instagramHosts[] = { u"instagram.com", u"www.instagram.com", u"m.instagram.com" };
constexpr QStringView twitterHosts[]
    = { u"x.com", u"www.x.com", u"twitter.com", u"www.twitter.com", u"mobile.twitter.com", u"m.twitter.com" };
constexpr QStringView facebookVideoHost = u"fb.watch";
constexpr QStringView facebookHosts[] = { u"facebook.com", u"www.facebook.com", u"m.facebook.com", u"web.facebook.com",
    u"mbasic.facebook.com", u"fb.com", u"www.fb.com" };

template <std::size_t N> bool isOneOf(const QString& host, const QStringView (&hosts)[N])
{
    return std::find(std::begin(hosts), std::end(hosts), host) != std::end(hosts);
}

bool fullMatch(const QRegularExpression& pattern, const QString& text)
{
    return pattern.match(text).hasMatch();
}

QRegularExpression anchored(const QString& pattern)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern));
}

// The part of `text` between `from` and the first character `stop` holds for,
// exactly as written.
template <class Stop> QStringView slice(QStringView text, qsizetype from, Stop stop)
{
    qsizetype end = from;
    while (end < text.size() && !stop(text[end].unicode()))
        ++end;
    return text.mid(from, end - from);
}

bool endsAuthority(char16_t c)
{
    return c == u'/' || c == u'?' || c == u'#';
}

bool endsPath(char16_t c)
{
    return c == u'?' || c == u'#';
}

// "^[A-Za-z0-9_-]{11}$", checked by hand: it runs for every link.
bool isYouTubeIDText(QStringView text)
{
    return text.size() == 11 && std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_'
            || c == u'-';
    });
}

struct WebAddress
{
    QUrl url;
    // Where the authority starts in the text: after "http://" or "https://".
    qsizetype authorityStart = 0;
};

// The address written in `trimmed`, when it is an http(s) address with a plain
// host and nothing else in its authority. QUrl folds the scheme's case, maps
// look-alike host characters to ASCII and hides an empty user or port, so those
// rules look at the text as written.
std::optional<WebAddress> parseWebAddress(const QString& trimmed)
{
    qsizetype authorityStart = 0;
    if (trimmed.startsWith(u"https://"_s))
        authorityStart = 8;
    else if (trimmed.startsWith(u"http://"_s))
        authorityStart = 7;
    else
        return std::nullopt;

    const QStringView authority = slice(trimmed, authorityStart, endsAuthority);
    if (authority.isEmpty())
        return std::nullopt;
    for (const QChar c : authority) {
        if (c.unicode() >= 0x80 || c == u'@' || c == u':' || c == u'%' || c == u'\\')
            return std::nullopt;
    }

    QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || url.port() != -1)
        return std::nullopt;
    return WebAddress { std::move(url), authorityStart };
}

std::optional<QString> firstQueryValue(const QUrl& url, const QString& name)
{
    const QList<std::pair<QString, QString>> items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    for (const auto& [key, value] : items) {
        if (key == name)
            return value;
    }
    return std::nullopt;
}

// The id a parsed web address (with its lower-cased host and decoded path) links to.
std::optional<QString> youtubeIDOf(const QUrl& url, const QString& host, const QString& path)
{
    std::optional<QString> candidate;
    if (host == youtubeShortHost) {
        const QStringList segments = path.split(u'/', Qt::SkipEmptyParts);
        if (segments.size() == 1)
            candidate = segments.first();
    } else if (isOneOf(host, youtubeHosts)) {
        if (path == u"/watch"_s) {
            candidate = firstQueryValue(url, u"v"_s);
        } else {
            const QStringList segments = path.split(u'/', Qt::SkipEmptyParts);
            if (segments.size() == 2
                && (segments.first() == u"shorts"_s || segments.first() == u"embed"_s || segments.first() == u"live"_s))
                candidate = segments.last();
        }
    }

    if (!candidate || !isYouTubeIDText(*candidate))
        return std::nullopt;
    return candidate;
}

} // namespace

MediaLink::MediaLink(MediaPlatform platform, const QString& url)
    : m_platform(platform)
    , m_url(url)
{
}

size_t qHash(const MediaLink& link, size_t seed) noexcept
{
    return qHashMulti(seed, int(link.platform()), link.url());
}

QString youtubeWatchURL(const QString& id)
{
    return u"https://www.youtube.com/watch?v="_s + id;
}

std::optional<QString> youtubeID(const QString& text)
{
    if (text.size() > maxLinkBytes && graphemeCount(text) > maxLinkBytes)
        return std::nullopt;
    const std::optional<WebAddress> address = parseWebAddress(text.trimmed());
    if (!address)
        return std::nullopt;
    return youtubeIDOf(address->url, address->url.host().toLower(), address->url.path(QUrl::FullyDecoded));
}

std::optional<MediaLink> MediaLink::make(const QString& text)
{
    const QString trimmed = text.trimmed();
    // A UTF-16 unit takes one to three UTF-8 bytes, so most texts are measured
    // without converting them.
    if (trimmed.size() > maxLinkBytes || (trimmed.size() * 3 > maxLinkBytes && trimmed.toUtf8().size() > maxLinkBytes))
        return std::nullopt;
    if (containsControl(trimmed))
        return std::nullopt;

    const std::optional<WebAddress> address = parseWebAddress(trimmed);
    if (!address)
        return std::nullopt;
    const QUrl& url = address->url;
    const QString host = url.host().toLower();
    // QUrl decodes unreserved escapes even in its encoded path: look at the text.
    // The authority before the path holds no "%" (checked above).
    if (slice(trimmed, address->authorityStart, endsPath).contains(u'%'))
        return std::nullopt;
    const QString path = url.path(QUrl::FullyDecoded);
    if (path.contains(u'\\'))
        return std::nullopt;

    // The same text the id reader would parse: its address is already at hand.
    if (const std::optional<QString> id = youtubeIDOf(url, host, path))
        return MediaLink(MediaPlatform::youtube, youtubeWatchURL(*id));

    MediaPlatform platform;
    QString canonicalHost;
    QString canonicalPath = path;
    QString query;
    if (isOneOf(host, instagramHosts)) {
        static const QRegularExpression pattern = anchored(u"/(p|reel|reels|tv)/[A-Za-z0-9_-]{5,80}/?"_s);
        if (!fullMatch(pattern, path))
            return std::nullopt;
        platform = MediaPlatform::instagram;
        canonicalHost = u"www.instagram.com"_s;
        if (canonicalPath.startsWith(u"/reels/"_s))
            canonicalPath.replace(0, 7, u"/reel/"_s);
    } else if (isOneOf(host, twitterHosts)) {
        static const QRegularExpression pattern
            = anchored(u"/(?:[A-Za-z0-9_]{1,50}|i/web)/status/[0-9]{5,30}(?:/video/[1-9][0-9]?)?/?"_s);
        if (!fullMatch(pattern, path))
            return std::nullopt;
        platform = MediaPlatform::twitter;
        canonicalHost = u"x.com"_s;
    } else if (host == facebookVideoHost) {
        static const QRegularExpression pattern = anchored(u"/[A-Za-z0-9_-]{3,100}/?"_s);
        if (!fullMatch(pattern, path))
            return std::nullopt;
        platform = MediaPlatform::facebook;
        canonicalHost = facebookVideoHost.toString();
    } else if (isOneOf(host, facebookHosts)) {
        platform = MediaPlatform::facebook;
        canonicalHost = u"www.facebook.com"_s;
        if (path == u"/watch"_s || path == u"/watch/"_s || path == u"/video.php"_s) {
            static const QRegularExpression videoNumber = anchored(u"[0-9]{5,40}"_s);
            const std::optional<QString> v = firstQueryValue(url, u"v"_s);
            if (!v || !fullMatch(videoNumber, *v))
                return std::nullopt;
            canonicalPath = u"/watch/"_s;
            query = u"v="_s + *v;
        } else {
            // The four forms as one pattern: a single match instead of up to four.
            static const QRegularExpression forms
                = anchored(u"/reel/[0-9]{5,40}/?"
                           u"|/share/[rv]/[A-Za-z0-9_-]{3,100}/?"
                           u"|/[A-Za-z0-9._-]{1,100}/videos/(?:[A-Za-z0-9._-]{1,200}/)?[0-9]{5,40}/?"
                           u"|/groups/[A-Za-z0-9._-]{1,100}/permalink/[0-9]{5,40}/?"_s);
            if (!fullMatch(forms, path))
                return std::nullopt;
        }
    } else {
        return std::nullopt;
    }

    // Reassembling cannot fail: the host is one of ours, and the path and query
    // passed patterns of plain ASCII letters, digits and "._-/".
    QString canonical = u"https://"_s + canonicalHost + canonicalPath;
    if (!query.isEmpty())
        canonical += u'?' + query;
    return MediaLink(platform, canonical);
}
