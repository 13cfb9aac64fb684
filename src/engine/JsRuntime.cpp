#include "JsRuntime.h"

#include "BrisError.h"

#include <QRegularExpression>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

// The version that `node --version` printed; nothing for any other output.
std::optional<QVersionNumber> version(const QByteArray& output)
{
    // Release builds print "v24.22.3"; nightly and pre-release ones add a "-" suffix.
    static const QRegularExpression form(u"^v(\\d{1,6})\\.(\\d{1,6})\\.(\\d{1,6})(-\\S*)?$"_s);
    const QRegularExpressionMatch match = form.match(QString::fromUtf8(output.trimmed()));
    if (!match.hasMatch())
        return std::nullopt;
    return QVersionNumber(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
}

} // namespace

namespace JsRuntime {

void require(const QByteArray& output)
{
    const std::optional<QVersionNumber> found = version(output);
    if (!found)
        throw BrisError::message(
            u"El motor de JavaScript no informó una versión reconocible. Volvé a instalar Brisomar."_s);
    if (*found < minimum)
        throw BrisError::message(
            u"El motor de JavaScript (node %1) es más antiguo que el que necesita yt-dlp (%2 o más). "
            u"Volvé a instalar Brisomar."_s.arg(found->toString())
                .arg(minimum.majorVersion()));
}

} // namespace JsRuntime
