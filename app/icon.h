#pragma once
// The program's icon: a document camera on its stand over a sheet of paper,
// drawn in code so that every size (and the installed PNG files, which the
// icon tool writes from the same drawing) comes from one artwork.

#include <QIcon>
#include <QImage>
#include <vector>

namespace lumicar {

// The sizes desktops look for (hicolor theme), smallest first.
const std::vector<int>& ViewerIconSizes();
// The artwork at size x size pixels.
QImage PaintViewerIcon(int size);
// All sizes as one icon, for the windows.
QIcon ViewerIcon();

}  // namespace lumicar
