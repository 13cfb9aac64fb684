#include "SheetDialog.h"

#include <QVBoxLayout>

SheetDialog::SheetDialog(const QString& title, QWidget* window)
    : QDialog(window)
{
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSizeConstraint(QLayout::SetMinimumSize);
}

void SheetDialog::setContent(QWidget* content)
{
    if (m_content)
        m_content->deleteLater();
    m_content = content;
    layout()->addWidget(content);
}

void SheetDialog::retire()
{
    m_retiring = true;
    done(QDialog::Accepted);
    deleteLater();
}

void SheetDialog::done(int result)
{
    QDialog::done(result);
    if (!m_retiring)
        Q_EMIT dismissed();
}
