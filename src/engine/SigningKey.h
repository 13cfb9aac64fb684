#pragma once

#include <QByteArray>

// yt-dlp's release signing key (fingerprint AC0C BBE6 848D 6A87 3464 AF4E 57CF
// 6593 3B5A 7581), ASCII-armored, compiled in from yt-dlp-signing-key.asc.
namespace SigningKey {
QByteArray armored();
}
