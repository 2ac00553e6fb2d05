#include "quitsignal.h"

// A Windows session ends the program through the window system; there is no
// signal to translate.
void QuitSignalWatcher::install() {}
