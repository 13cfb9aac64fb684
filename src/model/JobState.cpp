#include "JobState.h"

bool isActive(JobState state)
{
    return state == JobState::downloading || state == JobState::converting;
}

bool isPending(JobState state)
{
    return state == JobState::queued || isActive(state);
}
