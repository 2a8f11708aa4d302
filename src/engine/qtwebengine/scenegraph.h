#pragma once

#include <QByteArray>

namespace skiff {

// Qt Quick draws the web view. Through OpenGL, the toolkit composes the whole browser window
// again for any repaint in it; where OpenGL itself runs on the CPU (a machine without a
// graphics card, a virtual X display) that costs some 10 to 30 ms for every clock tick, button
// or address change, and the engine waits for it. There Qt Quick's software renderer draws the
// same window, copying only what changed, and the engine composes its pages in software too.
//
// Call it once the application object exists and before the engine starts; the renderer is
// chosen once for the process, and later calls do nothing. A renderer that the environment
// names (QT_QUICK_BACKEND, QSG_RHI_BACKEND) is kept.
void chooseSceneGraphRenderer();

}  // namespace skiff
