#include "FocusLinkNotifier.h"

#include <QCoreApplication>
#include <QPointer>

using namespace Qt::Literals::StringLiterals;

FocusLinkNotifier& FocusLinkNotifier::instance()
{
    Q_ASSERT(qApp);
    static QPointer<FocusLinkNotifier> notifier;
    if (!notifier)
        notifier = new FocusLinkNotifier;
    return *notifier;
}

FocusLinkNotifier::FocusLinkNotifier()
    : QObject(qApp)
{
    setObjectName(QLatin1StringView(name));
}

void FocusLinkNotifier::post()
{
    Q_EMIT focusLink();
}
