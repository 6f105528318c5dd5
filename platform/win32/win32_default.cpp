// The Windows target's backend choice: the native console, always. A console that is
// missing or redirected shows itself through failing calls, which the runtime's
// fallbacks already handle.
#include <fcntl.h>
#include <io.h>

#include "platform/win32/win32_console.h"

void platform_install_default() {
  static Win32Console console;
  // The C library starts standard input in text mode unless the program was linked
  // to change it; the runtime's readers rely on it, so say it once here.
  _setmode(0, _O_TEXT);
  platform_install(&console);
}
