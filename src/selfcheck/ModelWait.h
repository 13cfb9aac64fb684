#pragma once

#include <chrono>
#include <functional>

class AppModel;

// Lets the model's queued work run on this thread until `done` holds or
// `limit` has passed; says whether `done` holds. The suites await the model's
// asynchronous operations this way, one at a time.
bool waitForModel(AppModel& model, const std::function<bool()>& done, std::chrono::milliseconds limit);
