#ifndef COMPOSITORGESTURE_H
#define COMPOSITORGESTURE_H

#include "chrome.h"

class QWidget;

// A Wayland compositor ignores a window placing itself, so there the title drag and the
// edge resize are handed to the compositor at the press; elsewhere the window's own
// arithmetic does them. True when the compositor took the gesture over: the window
// then sees neither its moves nor its release.
bool startCompositorMove(QWidget *window);
bool startCompositorResize(QWidget *window, EdgeRegion region);

#endif // COMPOSITORGESTURE_H
