#pragma once

#include <QWidget>

class PlainButton;
class QLineEdit;

// The link field in its rounded box with the link symbol, the clear button and
// the paste button. The outline takes the accent while the field has focus.
class LinkBox : public QWidget
{
    Q_OBJECT

public:
    explicit LinkBox(QWidget* parent = nullptr);

    QLineEdit* field() const { return m_field; }
    PlainButton* clearButton() const { return m_clear; }
    PlainButton* pasteButton() const { return m_paste; }

Q_SIGNALS:
    // The field lost the keyboard focus.
    void left();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QLineEdit* m_field;
    PlainButton* m_clear;
    PlainButton* m_paste;
};
