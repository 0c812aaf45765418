#pragma once

#include "pictures/picture_loader.h"

namespace tamberlin {

// LoadPictureFile for the windows: shows the wait cursor while it runs (restored on every exit
// path) and, for pictures of more than 200 rows, lets the windows repaint during the decode
// without letting user input run in the middle of it.
LoadedPicture LoadPictureForWindow(const QString& path);

// True while LoadPictureForWindow runs (also during the repaints it allows).
bool PictureLoadRunning();

} // namespace tamberlin
