#include "LocalPlayer.h"

#include "DownloadJob.h"

LocalPlayer::LocalPlayer(AppModel*, const DownloadJob&, QWidget* parent)
    : QWidget(parent)
{
}
