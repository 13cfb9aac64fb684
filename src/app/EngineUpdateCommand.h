#pragma once

// `brisomar --update-engine`, for people who schedule it: the settings'
// refresh of yt-dlp without the window. Prints one line; 0 when the engine
// is current or was updated, 1 on failure (including a data folder that a
// running Brisomar holds, whose queue the refresh must not disturb).
int updateEngineCommand();
