#pragma once

#include "MediaLink.h"

#include <QString>

#include <functional>
#include <optional>

// The link rules the local suite puts to the test. The program's own unless a
// test of the suite replaces one with a broken rule, to see the suite catch it.
struct RulesUnderTest
{
    std::function<std::optional<QString>(const QString&)> youtubeID = &::youtubeID;
    std::function<std::optional<MediaLink>(const QString&)> mediaLink = &MediaLink::make;
};
