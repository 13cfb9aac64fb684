#include "JsonWriter.h"

#include <QChar>
#include <QLocale>

#include <cmath>

void JsonWriter::separate()
{
    if (m_needsComma)
        m_text += ',';
    m_needsComma = true;
}

void JsonWriter::beginObject()
{
    separate();
    m_text += '{';
    m_needsComma = false;
}

void JsonWriter::endObject()
{
    m_text += '}';
    m_needsComma = true;
}

void JsonWriter::beginArray()
{
    separate();
    m_text += '[';
    m_needsComma = false;
}

void JsonWriter::endArray()
{
    m_text += ']';
    m_needsComma = true;
}

void JsonWriter::key(QLatin1StringView name)
{
    separate();
    m_text += '"';
    m_text += QByteArrayView(name.data(), name.size());
    m_text += "\":";
    m_needsComma = false;
}

void JsonWriter::value(QStringView text)
{
    separate();
    static constexpr char hex[] = "0123456789abcdef";
    // Written through a pointer into room for the longest form (an escape of six
    // bytes per unit): appending byte by byte costs more than the text itself.
    const qsizetype start = m_text.size();
    m_text.resize(start + 6 * text.size() + 2);
    char* out = m_text.data() + start;
    *out++ = '"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c < 0x80 && c != u'"' && c != u'\\') {
            *out++ = char(c);
            continue;
        }
        const char* escape = nullptr;
        switch (c) {
        case u'"':
            escape = "\\\"";
            break;
        case u'\\':
            escape = "\\\\";
            break;
        case u'\n':
            escape = "\\n";
            break;
        case u'\r':
            escape = "\\r";
            break;
        case u'\t':
            escape = "\\t";
            break;
        case u'\b':
            escape = "\\b";
            break;
        case u'\f':
            escape = "\\f";
            break;
        }
        if (escape) {
            *out++ = escape[0];
            *out++ = escape[1];
            continue;
        }
        if (c < 0x20) {
            for (const char e : { '\\', 'u', '0', '0', hex[c >> 4], hex[c & 0xf] })
                *out++ = e;
            continue;
        }
        char32_t scalar = c;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            scalar = QChar::surrogateToUcs4(c, text[i + 1].unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            // A lone surrogate has no UTF-8 form: the replacement character, as QString::toUtf8 writes it.
            scalar = QChar::ReplacementCharacter;
        }
        if (scalar < 0x800) {
            *out++ = char(0xc0 | (scalar >> 6));
        } else if (scalar < 0x10000) {
            *out++ = char(0xe0 | (scalar >> 12));
            *out++ = char(0x80 | ((scalar >> 6) & 0x3f));
        } else {
            *out++ = char(0xf0 | (scalar >> 18));
            *out++ = char(0x80 | ((scalar >> 12) & 0x3f));
            *out++ = char(0x80 | ((scalar >> 6) & 0x3f));
        }
        *out++ = char(0x80 | (scalar & 0x3f));
    }
    *out++ = '"';
    m_text.truncate(out - m_text.data());
}

void JsonWriter::value(double number)
{
    separate();
    if (std::isfinite(number))
        m_text += QByteArray::number(number, 'g', QLocale::FloatingPointShortest);
    else
        m_text += "null";
}

void JsonWriter::value(qint64 number)
{
    separate();
    m_text += QByteArray::number(number);
}

void JsonWriter::value(bool flag)
{
    separate();
    m_text += flag ? "true" : "false";
}
