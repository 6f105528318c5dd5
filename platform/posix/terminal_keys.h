// The terminal key decoder: turns the bytes a terminal sends into the key records a
// Windows console delivers for the same keys, and picks out cursor position reports.
//
// A push parser: it is fed bytes and told how much time has passed; it owns no clock
// and reads nothing. Odd bytes never make it fail: sequences it does not know are
// consumed whole, and a broken sequence gives way to the keys after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console_platform.h"
#include "platform/posix/terminal_key_table.h"

// A reply to the cursor position query, 1-based as the terminal sends it.
struct CursorReport {
  int row = 0;
  int column = 0;
  friend bool operator==(const CursorReport&, const CursorReport&) = default;
};

struct DecodedInput {
  std::vector<InputRecord> records;
  std::vector<CursorReport> cursor_reports;
};

class TerminalKeyDecoder {
public:
  // Silence after which a held ESC (or the start of a sequence) is decided.
  static constexpr std::uint32_t ESCAPE_TIMEOUT_MS = 50;
  // Longest control string (OSC, DCS, APC, PM, SOS) consumed; the bytes after it are
  // keys again.
  static constexpr std::size_t STRING_CAP = 4096;

  // utf8: the terminal sends UTF-8, converted back to code page 437; otherwise every
  // byte from 0x80 up is a character as it is.
  explicit TerminalKeyDecoder(bool utf8);

  // Decodes bytes that arrived together, appending to out. Every byte restarts the
  // escape timer.
  void feed(std::string_view bytes, DecodedInput& out);
  // ms of silence have passed since the last feed or elapse; decides a held ESC once
  // the silence reaches ESCAPE_TIMEOUT_MS.
  void elapse(std::uint32_t ms, DecodedInput& out);
  // The silence still needed before held bytes are decided; -1 when none are held.
  int timeout_ms() const;
  // The next CSI row;column R is the reply to a cursor position query rather than a
  // modified F3 (the two look alike).
  void expect_cursor_report();

private:
  enum class State { ground, escape, csi, linux_function, ss3, string, string_escape };

  void ground_byte(std::uint8_t byte, DecodedInput& out);
  void utf8_byte(std::uint8_t byte, DecodedInput& out);
  void escape_byte(std::uint8_t byte, DecodedInput& out);
  void csi_byte(std::uint8_t byte, DecodedInput& out);
  void ss3_byte(std::uint8_t byte, DecodedInput& out);
  void linux_function_byte(std::uint8_t byte, DecodedInput& out);
  void add_param(std::uint8_t byte);
  void abandon_sequence(std::uint8_t byte, DecodedInput& out);
  void string_byte(std::uint8_t byte, DecodedInput& out);
  void dispatch_csi(std::uint8_t final_byte, DecodedInput& out);
  void dispatch_ss3(std::uint8_t final_byte, DecodedInput& out);
  void decide_held(DecodedInput& out);
  void begin(State state);
  void emit(KeyFacts key, std::uint32_t modifiers, DecodedInput& out);

  bool utf8_;
  State state_ = State::ground;
  bool alt_ = false; // an ESC prefix: the next key comes with Alt
  bool expect_report_ = false;
  std::uint32_t silence_ms_ = 0;
  std::string params_; // parameter and intermediate bytes of a CSI or SS3, capped
  bool params_overflow_ = false;
  std::uint8_t string_intro_ = 0;
  std::size_t string_length_ = 0;
  char32_t utf8_code_ = 0;
  int utf8_needed_ = 0;   // continuation bytes still to come
  char32_t utf8_min_ = 0; // smallest code point of this length (no overlong forms)
};
