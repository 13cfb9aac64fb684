#include "Engine.h"

Engine::~Engine() = default;
