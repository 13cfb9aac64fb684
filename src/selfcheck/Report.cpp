#include "Report.h"

#include <QJsonArray>

using namespace Qt::Literals::StringLiterals;

QJsonObject Report::toJson() const
{
    QJsonArray list;
    for (const Check& check : checks)
        list.append(check.toJson());
    return { { u"mode"_s, mode }, { u"passed"_s, passed }, { u"tools"_s, tools }, { u"checks"_s, list } };
}
