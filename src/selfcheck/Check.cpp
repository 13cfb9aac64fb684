#include "Check.h"

using namespace Qt::Literals::StringLiterals;

QJsonObject Check::toJson() const
{
    return { { u"name"_s, name }, { u"passed"_s, passed }, { u"detail"_s, detail } };
}
