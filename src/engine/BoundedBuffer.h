#pragma once

#include <QByteArray>

#include <vector>

// Keeps the last `limit` bytes appended to it. Once full it overwrites its
// oldest bytes in place, so a long flood costs no copying beyond the bytes
// themselves and no memory beyond the limit.
class BoundedBuffer
{
public:
    explicit BoundedBuffer(qsizetype limit);

    void append(const char* data, qsizetype size);
    qsizetype size() const { return qsizetype(m_data.size()); }
    // The kept bytes, oldest first.
    QByteArray bytes() const;

private:
    qsizetype m_limit;
    std::vector<char> m_data;
    // Index of the oldest byte once the buffer has wrapped.
    size_t m_start = 0;
};
