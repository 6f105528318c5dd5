// The console's own bindings of the output engine's two surface operations.
#pragma once

#include <cstddef>
#include <cstdint>

#include "console/console_print.h"

// Scrolls the view up by count rows (at least 1), or moves it down a taller buffer,
// and leaves the context's cursor on the view's bottom row.
void console_surface_scroll(PrintContext& context, std::int32_t count);

// Writes count bytes as cells in the context's attribute into one row from the
// context's cursor; the console cursor does not move. False when a write fails.
bool console_surface_write_run(PrintContext& context, const std::uint8_t* bytes, std::size_t count);
