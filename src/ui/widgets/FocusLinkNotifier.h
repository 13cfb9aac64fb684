#pragma once

#include <QObject>

// The in-process request "BrisomarFocusLink": the new-download command posts it
// once its screen is on display, and that screen gives its link field the focus.
// One object for the whole application.
class FocusLinkNotifier : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* name = "BrisomarFocusLink";

    // Made on first use; needs the application object.
    static FocusLinkNotifier& instance();

    void post();

Q_SIGNALS:
    void focusLink();

private:
    FocusLinkNotifier();
};
