#ifndef STARTUPTIP_H
#define STARTUPTIP_H

#include "shell/startuptask.h"

// The "Tip" box of a failed logon registration: one Ok button, no default button.
// A modal one waits until the user closes it; otherwise it neither holds start-up
// (also a hidden, tray-only start) nor quits the program when closed. Nothing for an
// outcome that did not fail.
void showStartupTaskTip(const StartupTaskOutcome &outcome);

#endif // STARTUPTIP_H
