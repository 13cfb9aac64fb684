#include "Engine.h"

Engine::~Engine() = default;

QString Engine::versionsLine(const CancellationPtr&) const
{
    return {};
}

std::optional<EngineRefresh> Engine::refresher() const
{
    return std::nullopt;
}

std::shared_ptr<Engine> Engine::reloaded() const
{
    return nullptr;
}
