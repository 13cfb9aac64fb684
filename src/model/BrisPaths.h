#pragma once

#include <QString>

#include <optional>

// Where the program keeps its own files.
class BrisPaths
{
public:
    // `data` when given; else BRISOMAR_DATA_DIR; else the user's data directory.
    explicit BrisPaths(std::optional<QString> data = {});

    QString data() const { return m_data; }
    // The originals cache.
    QString cache() const;
    QString history() const;
    QString preferences() const;

private:
    QString m_data;
};
