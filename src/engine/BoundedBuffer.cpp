#include "BoundedBuffer.h"

#include <algorithm>
#include <cstring>

BoundedBuffer::BoundedBuffer(qsizetype limit)
    : m_limit(std::max<qsizetype>(limit, 1))
{
}

void BoundedBuffer::append(const char* data, qsizetype size)
{
    if (size <= 0)
        return;
    const size_t limit = size_t(m_limit);
    size_t count = size_t(size);
    if (count >= limit) {
        // Everything kept so far is pushed out.
        m_data.assign(data + (count - limit), data + count);
        m_start = 0;
        return;
    }
    if (m_data.size() < limit) {
        const size_t fill = std::min(count, limit - m_data.size());
        if (m_data.capacity() < m_data.size() + fill)
            m_data.reserve(std::min(limit, std::max(m_data.size() + fill, m_data.capacity() * 2)));
        m_data.insert(m_data.end(), data, data + fill);
        data += fill;
        count -= fill;
    }
    while (count > 0) {
        const size_t part = std::min(count, limit - m_start);
        std::memcpy(m_data.data() + m_start, data, part);
        m_start = (m_start + part) % limit;
        data += part;
        count -= part;
    }
}

QByteArray BoundedBuffer::bytes() const
{
    QByteArray result;
    result.reserve(size());
    result.append(m_data.data() + m_start, qsizetype(m_data.size() - m_start));
    result.append(m_data.data(), qsizetype(m_start));
    return result;
}
