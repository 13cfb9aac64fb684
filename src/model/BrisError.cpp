#include "BrisError.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

BrisError::BrisError(Kind kind, const QString& payload)
    : m_kind(kind)
    , m_payload(payload)
{
    m_what = errorDescription().toUtf8();
}

namespace {

// A newer yt-dlp is the answer, and Preferences fetches one.
constexpr QStringView platformChangedText =
    u"La plataforma cambió y el motor todavía no la entiende. Actualizá el motor en Preferencias y reintentá.";

QRegularExpression pattern(const QString& alternatives)
{
    return QRegularExpression(alternatives,
                              QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
}

// What the tool gave up on: from its first error line to the end. Warnings before it tell of
// steps it got past, such as a timed-out request it retried; they must not name the failure.
QString failurePart(const QString& output)
{
    static const QRegularExpression errorLine(u"^ERROR:"_s, QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = errorLine.match(output);
    return match.hasMatch() ? output.mid(match.capturedStart()) : output;
}

// yt-dlp's advice to pass cookies or file a bug report asks for something Brisomar cannot do.
QString withoutToolAdvice(const QString& output)
{
    static const QRegularExpression advice =
        pattern(u"[;,]?[ \\t]*(?:please report this issue\\b|Confirm you are on the latest version|"
                u"Use --(?:cookies|username)\\b|See +https://github\\.com/yt-dlp/yt-dlp/wiki/FAQ)[^\\n]*"_s);
    QStringList kept;
    for (const QString& line : QString(output).replace(advice, QString()).split(u'\n')) {
        if (!line.trimmed().isEmpty())
            kept.append(line);
    }
    return kept.join(u'\n');
}

// The last 500 characters, opened on a whole line when one begins within them. A single line
// longer than that has no such start, and its raw tail is still better than nothing.
QString outputTail(const QString& output)
{
    constexpr qsizetype limit = 500;
    if (output.size() <= limit || output.at(output.size() - limit - 1) == u'\n')
        return output.right(limit);
    const QString tail = output.right(limit);
    const qsizetype lineEnd = tail.indexOf(u'\n');
    return lineEnd < 0 ? tail : tail.mid(lineEnd + 1);
}

} // namespace

QString BrisError::errorDescription() const
{
    switch (m_kind) {
    case Kind::Message:
        return m_payload;
    case Kind::Cancelled:
        return u"Descarga cancelada. Podés reintentar cuando quieras."_s;
    case Kind::Process:
        break;
    }
    const QString& output = m_payload;
    if (output.contains(u"cancel"_s, Qt::CaseInsensitive))
        return u"Operación cancelada."_s;
    // A full volume makes every tool dump its own write error, often with
    // addresses that would pass for HTTP codes below.
    static const QStringList full = { u"No space left on device"_s, u"Disk quota exceeded"_s };
    for (const QString& reason : full) {
        if (output.contains(reason, Qt::CaseInsensitive))
            return u"No hay suficiente espacio libre en la carpeta elegida. Elegí otro destino o liberá espacio."_s;
    }
    const QString failure = failurePart(output);
    static const QStringList restricted = {u"sign in"_s, u"private"_s, u"members-only"_s,
                                           u"age-restrict"_s, u"DRM"_s, u"not a bot"_s};
    // yt-dlp appends these to every login-required error; whole words, so "catalog information" stays out.
    static const QRegularExpression loginHints = pattern(
        u"--cookies|--username|\\b(?:login required|log in|registered users|requires authentication)\\b"_s);
    const bool loginWall = std::any_of(restricted.cbegin(), restricted.cend(), [&](const QString& word) {
        return output.contains(word, Qt::CaseInsensitive);
    });
    if (loginWall || loginHints.match(failure).hasMatch())
        return u"La plataforma pide iniciar sesión o restringe este contenido. Probá con un video público "
               u"disponible. Brisomar no usa tus cuentas ni cookies."_s;
    // Ahead of the HTTP codes: with no connection there is no status at all, and the long
    // numeric ids of Facebook and X can hold a "403" or "429" of their own.
    static const QRegularExpression offline =
        pattern(u"Name or service not known|Failed to resolve|Temporary failure in name resolution|"
                u"Connection refused|timed out|Network is unreachable"_s);
    if (offline.match(failure).hasMatch())
        return u"No hay conexión con la plataforma. Revisá tu conexión a internet y reintentá."_s;
    if (output.contains(u"403"_s) || output.contains(u"429"_s))
        return u"La plataforma rechazó la descarga. Esperá un momento y reintentá."_s;
    // After the HTTP codes: a refused or rate-limited request returns a page the extractor cannot
    // read, and waiting helps there where a new engine would not.
    static const QRegularExpression changed =
        pattern(u"Unable to extract|Cannot parse data|please report this issue"_s);
    if (changed.match(failure).hasMatch())
        return platformChangedText.toString();
    return u"No se pudo completar la operación. "_s + outputTail(withoutToolAdvice(output));
}

QString BrisError::fullDescription() const
{
    switch (m_kind) {
    case Kind::Message:
        return m_payload;
    case Kind::Cancelled:
        return u"cancelled: "_s + errorDescription();
    case Kind::Process:
        return u"process: "_s + m_payload;
    }
    return m_payload;
}

QString errorDescription(const std::exception& error)
{
    if (const auto* bris = dynamic_cast<const BrisError*>(&error))
        return bris->errorDescription();
    if (const auto* system = dynamic_cast<const SystemError*>(&error))
        return system->text();
    return QString::fromUtf8(error.what());
}

QString errorDescription(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return errorDescription(e);
    } catch (...) {
        return u"Error desconocido."_s;
    }
}

QString fullDescription(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const BrisError& e) {
        return e.fullDescription();
    } catch (const std::exception& e) {
        return errorDescription(e);
    } catch (...) {
        return u"Error desconocido."_s;
    }
}
