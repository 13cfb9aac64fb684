#include "LastPath.h"

void LastPath::set(const QString& path)
{
    std::lock_guard lock(m_lock);
    m_value = path;
}

std::optional<QString> LastPath::value() const
{
    std::lock_guard lock(m_lock);
    return m_value;
}
