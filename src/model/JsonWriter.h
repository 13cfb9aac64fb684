#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLatin1StringView>
#include <QStringView>

// Compact JSON text written straight from values. The history is written whole
// after every change; building a QJsonDocument first costs several times as much
// as the text itself.
class JsonWriter
{
public:
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // The name of the next member of the current object; plain ASCII.
    void key(QLatin1StringView name);

    void value(QStringView text);
    // A finite number; anything else is written as null, as QJsonDocument does.
    void value(double number);
    void value(qint64 number);
    void value(bool flag);
    // A C string would silently pick the boolean.
    void value(const char*) = delete;

    QByteArray take() { return std::move(m_text); }

private:
    void separate();

    QByteArray m_text;
    bool m_needsComma = false;
};

// A record that writes itself (`writeJson`) as a JSON object value.
template <class Record> QJsonObject jsonObject(const Record& record)
{
    JsonWriter writer;
    record.writeJson(writer);
    return QJsonDocument::fromJson(writer.take()).object();
}
