#pragma once

#include "Check.h"

#include <QJsonObject>
#include <QList>
#include <QString>

// What a self-check run leaves in "report.json".
struct Report
{
    QString mode;
    bool passed = false;
    QString tools;
    QList<Check> checks;

    QJsonObject toJson() const;

    friend bool operator==(const Report&, const Report&) = default;
};
