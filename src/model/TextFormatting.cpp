#include "TextFormatting.h"

#include <QLocale>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qsizetype maxNameBytes = 160;

bool isControl(char32_t scalar)
{
    // ASCII has no format characters; its controls are below the space and DEL.
    if (scalar < 0x80)
        return scalar < 0x20 || scalar == 0x7f;
    const QChar::Category category = QChar::category(scalar);
    return category == QChar::Other_Control || category == QChar::Other_Format || category == QChar::Other_Surrogate;
}

// Calls `visit(scalar, position, length)` for every code point; a lone surrogate
// is passed as itself so that the caller can refuse it.
template <class Visit> void forEachScalar(QStringView text, Visit visit)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            visit(QChar::surrogateToUcs4(c, text[i + 1]), i, 2);
            ++i;
        } else {
            visit(char32_t(c.unicode()), i, 1);
        }
    }
}

qsizetype utf8Length(QStringView text)
{
    qsizetype bytes = 0;
    forEachScalar(text, [&](char32_t scalar, qsizetype, qsizetype) {
        bytes += scalar < 0x80 ? 1 : scalar < 0x800 ? 2 : scalar < 0x10000 ? 3 : 4;
    });
    return bytes;
}

} // namespace

bool containsControl(QStringView text)
{
    // Printable ASCII, the bulk of any link, is passed over first.
    const auto printable = [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; };
    const qsizetype rest = std::find_if_not(text.begin(), text.end(), printable) - text.begin();
    bool found = false;
    forEachScalar(
        text.sliced(rest), [&](char32_t scalar, qsizetype, qsizetype) { found = found || isControl(scalar); });
    return found;
}

QString replacingControls(QStringView text)
{
    QString result;
    result.reserve(text.size());
    forEachScalar(text, [&](char32_t scalar, qsizetype position, qsizetype length) {
        if (isControl(scalar))
            result += u' ';
        else
            result += text.mid(position, length);
    });
    return result;
}

qsizetype graphemeCount(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

QString graphemePrefix(const QString& text, qsizetype count)
{
    if (text.size() <= count)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype next = finder.toNextBoundary();
        if (next == -1)
            break;
        end = next;
    }
    return text.left(end);
}

QString safeName(const QString& text, NameRules rules)
{
    const QStringView refused = rules == NameRules::windowsDisk ? u"/\\:?*\"<>|" : u"/\\:";
    QString name = replacingControls(text);
    for (QChar& c : name) {
        if (refused.contains(c))
            c = u' ';
    }

    qsizetype begin = 0;
    qsizetype end = name.size();
    const auto trimmed = [](QChar c) { return c == u' ' || c == u'.'; };
    while (begin < end && trimmed(name[begin]))
        ++begin;
    while (end > begin && trimmed(name[end - 1]))
        --end;
    name = name.mid(begin, end - begin);

    if (utf8Length(name) > maxNameBytes) {
        // Keep the longest run of whole characters that fits.
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, name);
        qsizetype kept = 0;
        qsizetype bytes = 0;
        for (qsizetype next = finder.toNextBoundary(); next != -1; next = finder.toNextBoundary()) {
            bytes += utf8Length(QStringView(name).mid(kept, next - kept));
            if (bytes > maxNameBytes)
                break;
            kept = next;
        }
        name.truncate(kept);
    }
    return name.isEmpty() ? u"Brisomar"_s : name;
}

QString timeString(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0)
        return u"Por confirmar"_s;
    // Far beyond any real duration, but keeps the conversion defined.
    const auto total = qint64(std::min(std::trunc(seconds), 1e15));
    const qint64 hours = total / 3600;
    const qint64 minutes = total % 3600 / 60;
    const qint64 rest = total % 60;
    if (hours > 0)
        return u"%1:%2:%3"_s.arg(hours).arg(minutes, 2, 10, QChar(u'0')).arg(rest, 2, 10, QChar(u'0'));
    return u"%1:%2"_s.arg(minutes).arg(rest, 2, 10, QChar(u'0'));
}

QString bytesString(qint64 bytes)
{
    return QLocale::system().formattedDataSize(bytes, 2, QLocale::DataSizeSIFormat);
}
