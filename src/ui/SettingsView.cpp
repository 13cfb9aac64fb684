#include "SettingsView.h"

SettingsView::SettingsView(AppModel*, QWidget* parent)
    : QWidget(parent)
{
}
