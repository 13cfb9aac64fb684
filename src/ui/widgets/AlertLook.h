#pragma once

#include <QIcon>

class QMessageBox;

// The application's own icon, from the bundled drawing: an icon theme may hold
// an older one under the same name.
QIcon appIcon();

// Gives an alert or panel the application's icon and lets its texts keep their
// natural line breaks, up to a comfortable measure, instead of the narrow
// column a message box picks for wrapped text.
void dressAlert(QMessageBox& box);
