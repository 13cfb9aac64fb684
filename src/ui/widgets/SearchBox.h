#pragma once

#include <QWidget>

class QLineEdit;

// A borderless text field behind a magnifying glass, on a faint rounded fill.
class SearchBox : public QWidget
{
    Q_OBJECT

public:
    SearchBox(const QString& placeholder, QWidget* parent = nullptr);

    QLineEdit* field() const { return m_field; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_field;
};
