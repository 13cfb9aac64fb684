#include "AlertLook.h"

#include <QLabel>
#include <QMessageBox>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr int iconSide = 64;
constexpr int widestText = 420;
} // namespace

QIcon appIcon()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(app);
        return true;
    }();
    Q_UNUSED(loaded);
    return QIcon(u":/brisomar/brisomar.svg"_s);
}

void dressAlert(QMessageBox& box)
{
    box.setIconPixmap(appIcon().pixmap(QSize(iconSide, iconSide), box.devicePixelRatioF()));
    for (QLabel* label : box.findChildren<QLabel*>()) {
        if (label->text().isEmpty())
            continue;
        int widest = 0;
        for (const QString& line : label->text().split(u'\n'))
            widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
        label->setMinimumWidth(std::min(widest + 1, widestText));
    }
}
