#pragma once

#include "Section.h"

#include <QAbstractButton>

class Badge;
class StyledLabel;
class SymbolView;

// One section of the sidebar: its symbol, its title and, when there is
// something to count, a badge. The selected entry takes the accent.
class NavigationEntry : public QAbstractButton
{
    Q_OBJECT

public:
    NavigationEntry(const QString& title, const QString& symbol, Section section, QWidget* parent = nullptr);

    Section section() const { return m_section; }
    QString title() const;
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    // 0 shows no badge.
    void setBadge(int count);
    Badge* badge() const { return m_badge; }
    // The width the entry needs when it is selected and shows a two-digit badge.
    int widestWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void applyLook();

    Section m_section;
    SymbolView* m_symbol;
    StyledLabel* m_title;
    Badge* m_badge;
    bool m_selected = false;
    bool m_keyboardFocus = false;
};
