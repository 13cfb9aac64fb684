#pragma once

#include "Section.h"

#include <QWidget>

class AppModel;
class EngineCapsule;
class StyledLabel;

// The title and subtitle of the section on display, with the engine's state beside them.
class SectionHeader : public QWidget
{
    Q_OBJECT

public:
    struct Titles
    {
        QString title;
        QString subtitle;
    };

    explicit SectionHeader(AppModel* model, QWidget* parent = nullptr);

    static Titles titles(Section section);

    EngineCapsule* capsule() const { return m_capsule; }

private:
    void showSection();
    void showEngine();

    AppModel* m_model;
    StyledLabel* m_title;
    StyledLabel* m_subtitle;
    EngineCapsule* m_capsule;
};
