// Signals of the terminal backend and the pipes they speak through.
//
// The handlers do only async-signal-safe things: restore the terminal, write a byte
// to a pipe, set a flag. Resizes and resumes are left for the program's thread to
// pick up (signals_take_resize, signals_take_repaint); close and shutdown go to the
// control thread as control events.
#pragma once

#include <cstdint>

// Creates the pipes and installs the handlers: SIGWINCH, SIGTSTP and SIGCONT keep the
// backend in line with the terminal; SIGINT, SIGQUIT and the crash signals restore
// the terminal and end the process by the same signal; SIGHUP and SIGTERM become
// the close and shutdown control events. Call once, after terminal_setup.
void signals_install();

// The read end that becomes readable once idle waiting should end (signals_wake).
int signals_wake_fd();
// Ends the current or next wait on signals_wake_fd. Safe from any thread and from a
// signal handler.
void signals_wake();
// Empties the wake pipe; true when it held anything.
bool signals_drain_wake();

// The terminal's size may have changed since the last call.
bool signals_take_resize();
// The terminal's contents can no longer be trusted (the program was suspended) since
// the last call.
bool signals_take_repaint();

// The read end that carries control events, one byte each (CONTROL_* values).
int signals_control_fd();
// Queues a control event for the control thread. Safe from a signal handler.
void signals_post_control(std::uint32_t control_type);

// Suspends the process as the terminal's Ctrl+Z does: the terminal is given back
// while the process is stopped and taken again when it continues.
void signals_suspend();

// Ends the process by the signal, with its default action (the terminal already
// given back).
[[noreturn]] void signals_end_process(int signo);
