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

    // Creates the cache directory and its parents. Throws SystemError.
    void prepare() const;

private:
    QString m_data;
};

// `folder` made absolute, cleaned and with symbolic links resolved; the part that
// does not exist yet is kept as written below its deepest existing ancestor.
QString canonicalFolderPath(const QString& folder);
