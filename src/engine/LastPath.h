#pragma once

#include <QString>

#include <mutex>
#include <optional>

// The last file path the downloader reported during one run: written while its
// output is read, read after the run.
class LastPath
{
public:
    void set(const QString& path);
    std::optional<QString> value() const;

private:
    mutable std::mutex m_lock;
    std::optional<QString> m_value;
};
