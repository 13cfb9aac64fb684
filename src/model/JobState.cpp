#include "JobState.h"

using namespace Qt::Literals::StringLiterals;

QString title(JobState state)
{
    switch (state) {
    case JobState::queued:
        return u"En cola"_s;
    case JobState::downloading:
        return u"Descargando"_s;
    case JobState::converting:
        return u"Preparando archivo"_s;
    case JobState::completed:
        return u"Guardado"_s;
    case JobState::cancelled:
        return u"Cancelado"_s;
    case JobState::failed:
        return u"No se pudo completar"_s;
    case JobState::interrupted:
        return u"Interrumpido"_s;
    }
    Q_UNREACHABLE();
    return {};
}

QString rawValue(JobState state)
{
    switch (state) {
    case JobState::queued:
        return u"queued"_s;
    case JobState::downloading:
        return u"downloading"_s;
    case JobState::converting:
        return u"converting"_s;
    case JobState::completed:
        return u"completed"_s;
    case JobState::cancelled:
        return u"cancelled"_s;
    case JobState::failed:
        return u"failed"_s;
    case JobState::interrupted:
        return u"interrupted"_s;
    }
    Q_UNREACHABLE();
    return {};
}

template <> QList<JobState> allCases<JobState>()
{
    return { JobState::queued, JobState::downloading, JobState::converting, JobState::completed, JobState::cancelled,
        JobState::failed, JobState::interrupted };
}

bool isActive(JobState state)
{
    return state == JobState::downloading || state == JobState::converting;
}
