#pragma once

#include "Surface.h"

#include <functional>

class QPushButton;
class StyledLabel;
class SymbolView;

// The placeholder of a screen with nothing to list: a symbol, a title, a short
// description and one button, centred on a card that fills its space.
class EmptyState : public Surface
{
    Q_OBJECT

public:
    EmptyState(const QString& icon, const QString& title, const QString& description, const QString& button,
        std::function<void()> action, QWidget* parent = nullptr);

    QString title() const;
    void setTitle(const QString& title);
    QString description() const;
    void setDescription(const QString& description);
    QPushButton* button() const { return m_button; }

private:
    SymbolView* m_icon;
    StyledLabel* m_title;
    StyledLabel* m_description;
    QPushButton* m_button;
    std::function<void()> m_action;
};
