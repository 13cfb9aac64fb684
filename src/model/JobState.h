#pragma once

#include "EnumText.h"

enum class JobState { queued, downloading, converting, completed, cancelled, failed, interrupted };

QString title(JobState state);
QString rawValue(JobState state);
template <> QList<JobState> allCases<JobState>();

// True while an engine run is under way for the job.
bool isActive(JobState state);
