#pragma once

#include <memory>

class Engine;

// The engine the application drives, named in this one place so that the
// façade and its units agree on it.
using AppEngine = Engine;
using AppEnginePtr = std::shared_ptr<AppEngine>;
