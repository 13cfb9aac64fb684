#include "NewDownloadView.h"

NewDownloadView::NewDownloadView(AppModel*, QWidget* parent)
    : QWidget(parent)
{
}
