// One console key event into the key queue, with Alt and numeric-keypad composition.
#pragma once

#include "platform/console_platform.h"

// Translates the event and appends what it yields; a key-up may deliver a composed
// character.
void key_handle_event(const KeyEventRecord& event);

// Drops a composition in progress.
void key_composition_reset();
