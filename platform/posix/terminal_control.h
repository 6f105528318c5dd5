// Control events of the terminal backend: the handlers registered through
// set_ctrl_handler and the thread of their own that calls them, as a Windows console
// does.
#pragma once

#include "platform/console_platform.h"

// Starts the control thread. It waits for events on signals_control_fd() and calls
// the registered handlers, newest first, until one returns true. Close (SIGHUP) and
// shutdown (SIGTERM) then end the process by their signal whatever the handlers
// said; Ctrl+C and Ctrl+Break do so (by SIGINT and SIGQUIT) only when no handler took
// them. The terminal is given back first. Call once, after signals_install.
void control_start();

// Registers (add) or removes (the newest registration of) a handler; false when a
// handler to remove was never registered.
bool control_set_handler(ConsoleCtrlHandler handler, bool add);
