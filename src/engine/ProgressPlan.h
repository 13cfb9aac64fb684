#pragma once

// Where each phase of a job sits on its progress bar, from 0 to 1.
namespace ProgressPlan {

// Fetching the original sound fills the bar up to here.
inline constexpr double originalFetched = 0.7;
// Downloading a video's streams fills it up to here.
inline constexpr double videoFetched = 0.9;
// Converting the sound starts here and runs over the span after it.
inline constexpr double conversionStart = 0.72;
inline constexpr double conversionSpan = 0.26;
// Merging the streams or making the MP4.
inline constexpr double assembling = 0.94;
// Measuring the finished file before it is delivered.
inline constexpr double finalCheck = 0.99;

} // namespace ProgressPlan
