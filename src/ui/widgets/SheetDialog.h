#pragma once

#include <QDialog>

// A modal sheet over the main window holding one view. It reports when the
// user dismisses it by any means (a close button of the view, Escape, the
// window manager's close), so that the model's binding can follow.
class SheetDialog : public QDialog
{
    Q_OBJECT

public:
    SheetDialog(const QString& title, QWidget* window);

    // Takes `content`; the dialog sizes itself to it.
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }
    // Closes without reporting a dismissal: the model closed it.
    void retire();

    void done(int result) override;

Q_SIGNALS:
    void dismissed();

private:
    QWidget* m_content = nullptr;
    bool m_retiring = false;
};
