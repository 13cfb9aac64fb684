#pragma once

#include <QJsonObject>
#include <QString>

// One result of a self-check run.
struct Check
{
    QString name;
    bool passed = false;
    QString detail;

    QJsonObject toJson() const;

    friend bool operator==(const Check&, const Check&) = default;
};
