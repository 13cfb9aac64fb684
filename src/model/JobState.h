#pragma once

#include "EnumText.h"

enum class JobState { queued, downloading, converting, completed, cancelled, failed, interrupted };

template <> struct EnumTable<JobState>
{
    static constexpr EnumCase<JobState> cases[] = {
        { JobState::queued, u"queued", u"En cola" },
        { JobState::downloading, u"downloading", u"Descargando" },
        { JobState::converting, u"converting", u"Preparando archivo" },
        { JobState::completed, u"completed", u"Guardado" },
        { JobState::cancelled, u"cancelled", u"Cancelado" },
        { JobState::failed, u"failed", u"No se pudo completar" },
        { JobState::interrupted, u"interrupted", u"Interrumpido" },
    };
};

// True while an engine run is under way for the job.
bool isActive(JobState state);
// Queued or running.
bool isPending(JobState state);
