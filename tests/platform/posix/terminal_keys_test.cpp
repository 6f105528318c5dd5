// The terminal key decoder, fed bytes and elapsed time as a terminal would send them.
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/posix/terminal_keys.h"

namespace {

constexpr std::uint32_t SHIFT = KEYSTATE_SHIFT;
constexpr std::uint32_t CTRL = KEYSTATE_LEFT_CTRL;
constexpr std::uint32_t ALT = KEYSTATE_LEFT_ALT;
constexpr std::uint32_t ENH = KEYSTATE_ENHANCED;

std::string describe(const InputRecord& r) {
  char text[96];
  std::snprintf(text, sizeof text, "%s vk=%02X scan=%02X ch=%02X state=%04X repeat=%u",
                r.key.key_down ? "down" : "up", r.key.virtual_key, r.key.virtual_scan,
                r.key.ascii_char, r.key.control_state, r.key.repeat_count);
  return text;
}

std::vector<std::string> describe(const std::vector<InputRecord>& records) {
  std::vector<std::string> lines;
  lines.reserve(records.size());
  for (const InputRecord& r : records) {
    lines.push_back(r.event_type == EVENT_KEY ? describe(r) : "not a key record");
  }
  return lines;
}

// One key press as a console delivers it: a key-down and a key-up record.
struct Press {
  std::uint16_t vk;
  std::uint16_t scan;
  std::uint8_t ch;
  std::uint32_t state;
};

std::vector<std::string> presses(std::initializer_list<Press> keys) {
  std::vector<InputRecord> records;
  for (const Press& p : keys) {
    InputRecord r;
    r.event_type = EVENT_KEY;
    r.key = {true, 1, p.vk, p.scan, p.ch, p.state};
    records.push_back(r);
    r.key.key_down = false;
    records.push_back(r);
  }
  return describe(records);
}

const Press key_x{'X', 0x2D, 'x', 0};
const Press up{0x26, 0x48, 0, ENH};
const Press f1{0x70, 0x3B, 0, 0};
const Press escape{0x1B, 0x01, 27, 0};

struct Case {
  const char* name;
  std::string bytes;
  std::vector<std::string> expected;
  bool utf8 = true;
};

std::vector<Case> key_cases() {
  return {
      // Characters and the keys that type them.
      {"letter", "g", presses({{'G', 0x22, 'g', 0}})},
      {"capital letter", "G", presses({{'G', 0x22, 'G', SHIFT}})},
      {"digit", "5", presses({{'5', 0x06, '5', 0}})},
      {"shifted digit", "%", presses({{'5', 0x06, '%', SHIFT}})},
      {"punctuation", "-/", presses({{0xBD, 0x0C, '-', 0}, {0xBF, 0x35, '/', 0}})},
      {"shifted punctuation", "_?\"",
       presses({{0xBD, 0x0C, '_', SHIFT}, {0xBF, 0x35, '?', SHIFT}, {0xDE, 0x28, '"', SHIFT}})},
      {"space", " ", presses({{0x20, 0x39, ' ', 0}})},
      {"Ctrl+G", "\x07", presses({{'G', 0x22, 7, CTRL}})},
      {"Ctrl+C", "\x03", presses({{'C', 0x2E, 3, CTRL}})},
      {"Ctrl+Z", "\x1a", presses({{'Z', 0x2C, 0x1A, CTRL}})},
      {"Ctrl+backslash", "\x1c", presses({{0xDC, 0x2B, 0x1C, CTRL}})},
      {"Ctrl+@", std::string(1, '\0'), presses({{'2', 0x03, 0, CTRL}})},
      {"Enter", "\r", presses({{0x0D, 0x1C, 13, 0}})},
      {"line feed is Ctrl+J", "\n", presses({{'J', 0x24, 10, CTRL}})},
      {"Tab", "\t", presses({{0x09, 0x0F, 9, 0}})},
      {"Shift+Tab", "\x1b[Z", presses({{0x09, 0x0F, 9, SHIFT}})},
      {"Backspace as DEL", "\x7f", presses({{0x08, 0x0E, 8, 0}})},
      {"Backspace as BS", "\x08", presses({{0x08, 0x0E, 8, 0}})},
      // Escape and Alt.
      {"lone Escape", "\x1b", presses({escape})},
      {"Alt+letter", "\x1bg", presses({{'G', 0x22, 'g', ALT}})},
      {"Alt+Backspace", "\x1b\x7f", presses({{0x08, 0x0E, 8, ALT}})},
      {"Alt+Escape", "\x1b\x1b", presses({{0x1B, 0x01, 27, ALT}})},
      {"Alt+[ decided by silence", "\x1b[", presses({{0xDB, 0x1A, '[', ALT}})},
      {"Alt+O decided by silence", "\x1bO", presses({{'O', 0x18, 'O', SHIFT | ALT}})},
      {"Alt+P decided by silence", "\x1bP", presses({{'P', 0x19, 'P', SHIFT | ALT}})},
      // The cursor block in its many forms.
      {"Up, CSI", "\x1b[A", presses({up})},
      {"Up, SS3", "\x1bOA", presses({up})},
      {"Ctrl+Up", "\x1b[1;5A", presses({{0x26, 0x48, 0, ENH | CTRL}})},
      {"Alt+Up", "\x1b[1;3A", presses({{0x26, 0x48, 0, ENH | ALT}})},
      {"Shift+Left", "\x1b[1;2D", presses({{0x25, 0x4B, 0, ENH | SHIFT}})},
      {"Ctrl+Shift+Right", "\x1b[1;6C", presses({{0x27, 0x4D, 0, ENH | CTRL | SHIFT}})},
      {"Meta counts as Alt", "\x1b[1;9B", presses({{0x28, 0x50, 0, ENH | ALT}})},
      {"Alt+Up, rxvt", "\x1b\x1b[A", presses({{0x26, 0x48, 0, ENH | ALT}})},
      {"Shift+Up, rxvt", "\x1b[a", presses({{0x26, 0x48, 0, ENH | SHIFT}})},
      {"Ctrl+Down, rxvt", "\x1bOb", presses({{0x28, 0x50, 0, ENH | CTRL}})},
      {"Home and End, xterm", "\x1b[H\x1b[F",
       presses({{0x24, 0x47, 0, ENH}, {0x23, 0x4F, 0, ENH}})},
      {"Home and End, SS3", "\x1bOH\x1bOF", presses({{0x24, 0x47, 0, ENH}, {0x23, 0x4F, 0, ENH}})},
      {"Home and End, linux and tmux", "\x1b[1~\x1b[4~",
       presses({{0x24, 0x47, 0, ENH}, {0x23, 0x4F, 0, ENH}})},
      {"Home and End, rxvt", "\x1b[7~\x1b[8~",
       presses({{0x24, 0x47, 0, ENH}, {0x23, 0x4F, 0, ENH}})},
      {"Insert and Delete", "\x1b[2~\x1b[3~",
       presses({{0x2D, 0x52, 0, ENH}, {0x2E, 0x53, 0, ENH}})},
      {"Page Up and Page Down", "\x1b[5~\x1b[6~",
       presses({{0x21, 0x49, 0, ENH}, {0x22, 0x51, 0, ENH}})},
      {"Ctrl+Delete", "\x1b[3;5~", presses({{0x2E, 0x53, 0, ENH | CTRL}})},
      {"Shift+Insert, rxvt", "\x1b[2$", presses({{0x2D, 0x52, 0, ENH | SHIFT}})},
      {"Ctrl+Page Up, rxvt", "\x1b[5^", presses({{0x21, 0x49, 0, ENH | CTRL}})},
      {"Ctrl+Shift+End, rxvt", "\x1b[8@", presses({{0x23, 0x4F, 0, ENH | CTRL | SHIFT}})},
      {"keypad 5", "\x1b[E", presses({{0x0C, 0x4C, 0, 0}})},
      // Function keys.
      {"F1, SS3", "\x1bOP", presses({f1})},
      {"F1, rxvt", "\x1b[11~", presses({f1})},
      {"F1 and F5, linux console", "\x1b[[A\x1b[[E", presses({f1, {0x74, 0x3F, 0, 0}})},
      {"F4, CSI", "\x1b[S", presses({{0x73, 0x3E, 0, 0}})},
      {"F5 to F10", "\x1b[15~\x1b[17~\x1b[21~",
       presses({{0x74, 0x3F, 0, 0}, {0x75, 0x40, 0, 0}, {0x79, 0x44, 0, 0}})},
      {"F11 and F12", "\x1b[23~\x1b[24~", presses({{0x7A, 0x57, 0, 0}, {0x7B, 0x58, 0, 0}})},
      {"Shift+F1", "\x1b[1;2P", presses({{0x70, 0x3B, 0, SHIFT}})},
      {"Ctrl+F1", "\x1b[1;5P", presses({{0x70, 0x3B, 0, CTRL}})},
      {"Alt+F1", "\x1b[1;3P", presses({{0x70, 0x3B, 0, ALT}})},
      {"Ctrl+F1, old xterm", "\x1bO5P", presses({{0x70, 0x3B, 0, CTRL}})},
      {"Ctrl+F3 is not a cursor report", "\x1b[1;5R", presses({{0x72, 0x3D, 0, CTRL}})},
      {"Ctrl+F12", "\x1b[24;5~", presses({{0x7B, 0x58, 0, CTRL}})},
      // Characters beyond ASCII.
      {"UTF-8 to code page 437", "\xc3\xa9\xe2\x96\x91",
       presses({{0, 0, 0x82, 0}, {0, 0, 0xB0, 0}})},
      {"Alt with a UTF-8 character", "\x1b\xc3\xa9", presses({{0, 0, 0x82, ALT}})},
      {"no code page 437 glyph, no key",
       "\xe4\xb8\xad"
       "x",
       presses({key_x})},
      {"bytes as they are without UTF-8", "\xe9\x82", presses({{0, 0, 0xE9, 0}, {0, 0, 0x82, 0}}),
       false},
      {"stray continuation byte", "\x80x", presses({key_x})},
      {"lead byte cut short", "\xc3x", presses({key_x})},
      {"three-byte character cut short", "\xe2\x96x", presses({key_x})},
      {"overlong form", "\xc0\xaf\xe0\x80\xafx", presses({key_x})},
      {"surrogate", "\xed\xa0\x80x", presses({key_x})},
      {"beyond Unicode", "\xf5\x80\x80\x80\xf4\x90\x80\x80x", presses({key_x})},
      // Sequences that carry no key, and the keys after them.
      {"bracketed paste", "\x1b[200~a\rb\x1b[201~",
       presses({{'A', 0x1E, 'a', 0}, {0x0D, 0x1C, 13, 0}, {'B', 0x30, 'b', 0}})},
      {"device attributes reply", "\x1b[?1;2cx", presses({key_x})},
      {"mouse report", "\x1b[<0;10;5Mx", presses({key_x})},
      {"focus event", "\x1b[Ix", presses({key_x})},
      {"unknown tilde key", "\x1b[99~x", presses({key_x})},
      {"unknown SS3 key", "\x1bOzx", presses({key_x})},
      {"sub-parameters", "\x1b[1:5Ax", presses({key_x})},
      {"too many parameters", "\x1b[1;1;1;1;1;1;1;1;1Ax", presses({key_x})},
      {"overlong parameters", "\x1b[" + std::string(100, '1') + "Ax", presses({key_x})},
      {"huge parameter", "\x1b[99999999999999999999~x", presses({key_x})},
      {"OSC ended by BEL", "\x1b]0;title\x07x", presses({key_x})},
      {"DCS ended by ST", "\x1bP1$r0m\x1b\\x", presses({key_x})},
      {"APC, PM, SOS", "\x1b_a\x07\x1b^b\x07\x1bXc\x07x", presses({key_x})},
      {"unterminated string, then a key sequence", "\x1b]2;abc\x1b[A", presses({up})},
      {"string at its cap", "\x1bP" + std::string(TerminalKeyDecoder::STRING_CAP, 'a') + "x", {}},
      {"string past its cap", "\x1bP" + std::string(TerminalKeyDecoder::STRING_CAP + 1, 'a') + "x",
       presses({key_x})},
      {"sequence broken by a control byte", "\x1b[1;\x03", presses({{'C', 0x2E, 3, CTRL}})},
      {"sequence broken by a new sequence", "\x1b[12\x1b[A", presses({up})},
      {"linux sequence broken", "\x1b[[zx", presses({key_x})},
  };
}

std::vector<std::string> decode_whole(const Case& c) {
  TerminalKeyDecoder decoder(c.utf8);
  DecodedInput out;
  decoder.feed(c.bytes, out);
  decoder.elapse(TerminalKeyDecoder::ESCAPE_TIMEOUT_MS, out);
  return describe(out.records);
}

TEST(TerminalKeyDecoder, DecodesEachFamilyOfKeys) {
  for (const Case& c : key_cases()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decode_whole(c), c.expected);
  }
}

// The bytes of a key may arrive in any number of reads, up to the timeout apart.
TEST(TerminalKeyDecoder, SplittingTheBytesChangesNothing) {
  for (const Case& c : key_cases()) {
    SCOPED_TRACE(c.name);
    {
      TerminalKeyDecoder decoder(c.utf8);
      DecodedInput out;
      for (const char byte : c.bytes) {
        decoder.feed(std::string_view(&byte, 1), out);
        decoder.elapse(TerminalKeyDecoder::ESCAPE_TIMEOUT_MS - 1, out);
      }
      decoder.elapse(TerminalKeyDecoder::ESCAPE_TIMEOUT_MS, out);
      EXPECT_EQ(describe(out.records), c.expected) << "fed byte by byte";
    }
    if (c.bytes.size() > 64) {
      continue;
    }
    for (std::size_t split = 1; split < c.bytes.size(); ++split) {
      TerminalKeyDecoder decoder(c.utf8);
      DecodedInput out;
      decoder.feed(std::string_view(c.bytes).substr(0, split), out);
      decoder.elapse(TerminalKeyDecoder::ESCAPE_TIMEOUT_MS - 1, out);
      decoder.feed(std::string_view(c.bytes).substr(split), out);
      decoder.elapse(TerminalKeyDecoder::ESCAPE_TIMEOUT_MS, out);
      EXPECT_EQ(describe(out.records), c.expected) << "split after byte " << split;
    }
  }
}

// Steps: bytes to feed, or (when bytes is empty) milliseconds of silence.
struct Step {
  std::string bytes;
  std::uint32_t silence_ms = 0;
};

TEST(TerminalKeyDecoder, EscapeIsDecidedBySilenceAlone) {
  const struct {
    const char* name;
    std::vector<Step> steps;
    std::vector<std::string> expected;
  } cases[] = {
      {"just under the timeout", {{"\x1b"}, {"", 49}}, {}},
      {"at the timeout", {{"\x1b"}, {"", 50}}, presses({escape})},
      {"just over the timeout", {{"\x1b"}, {"", 51}}, presses({escape})},
      {"silence adds up", {{"\x1b"}, {"", 30}, {"", 20}}, presses({escape})},
      {"a late byte after silence just under",
       {{"\x1b"}, {"", 30}, {"", 19}, {"[A"}},
       presses({up})},
      {"each byte restarts the timer", {{"\x1b"}, {"", 40}, {"["}, {"", 40}, {"A"}}, presses({up})},
      {"Escape, then the rest as characters",
       {{"\x1b"}, {"", 51}, {"x"}},
       presses({escape, key_x})},
      {"a sequence cut short is dropped", {{"\x1b[1;"}, {"", 51}, {"x"}}, presses({key_x})},
      {"an unterminated string ends in silence",
       {{"\x1b]0;ti"}, {"", 51}, {"x"}},
       presses({key_x})},
      {"ESC inside an unterminated string", {{"\x1b]0;ti\x1b"}, {"", 51}}, presses({escape})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TerminalKeyDecoder decoder(true);
    DecodedInput out;
    for (const Step& step : c.steps) {
      if (step.bytes.empty()) {
        decoder.elapse(step.silence_ms, out);
      } else {
        decoder.feed(step.bytes, out);
      }
    }
    EXPECT_EQ(describe(out.records), c.expected);
  }
}

TEST(TerminalKeyDecoder, TellsHowLongItsHeldBytesMayWait) {
  TerminalKeyDecoder decoder(true);
  DecodedInput out;
  EXPECT_EQ(decoder.timeout_ms(), -1);
  decoder.feed("\x1b[1", out);
  EXPECT_EQ(decoder.timeout_ms(), 50);
  decoder.elapse(20, out);
  EXPECT_EQ(decoder.timeout_ms(), 30);
  decoder.feed(";", out);
  EXPECT_EQ(decoder.timeout_ms(), 50);
  decoder.feed("5A", out);
  EXPECT_EQ(decoder.timeout_ms(), -1);
  // A character cut short waits for its next byte without a timeout.
  decoder.feed("\xc3", out);
  EXPECT_EQ(decoder.timeout_ms(), -1);
}

TEST(TerminalKeyDecoder, CursorReportAmidTypedKeys) {
  TerminalKeyDecoder decoder(true);
  DecodedInput out;
  decoder.expect_cursor_report();
  decoder.feed("a\x1b[12;4", out);
  decoder.feed("0Rx", out);
  EXPECT_EQ(describe(out.records), presses({{'A', 0x1E, 'a', 0}, key_x}));
  EXPECT_EQ(out.cursor_reports, (std::vector<CursorReport>{{12, 40}}));
  // Only the one reply was asked for: the same bytes again are Ctrl+F3 (a modifier
  // of 5) ...
  out = {};
  decoder.feed("\x1b[1;5R", out);
  EXPECT_EQ(describe(out.records), presses({{0x72, 0x3D, 0, CTRL}}));
  EXPECT_TRUE(out.cursor_reports.empty());
}

TEST(TerminalKeyDecoder, Win32InputModeRecordsComeAsTheyAre) {
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::string> expected;
  } cases[] = {
      {"key-down of g", "\x1b[71;34;103;1;0;1_", {"down vk=47 scan=22 ch=67 state=0000 repeat=1"}},
      {"key-up of g", "\x1b[71;34;103;0;0;1_", {"up vk=47 scan=22 ch=67 state=0000 repeat=1"}},
      {"Shift alone", "\x1b[16;42;0;1;16;1_", {"down vk=10 scan=2A ch=00 state=0010 repeat=1"}},
      {"auto-repeat count",
       "\x1b[65;30;97;1;0;3_",
       {"down vk=41 scan=1E ch=61 state=0000 repeat=3"}},
      {"enhanced Up", "\x1b[38;72;0;1;256;1_", {"down vk=26 scan=48 ch=00 state=0100 repeat=1"}},
      {"missing parameters take defaults",
       "\x1b[65_",
       {"up vk=41 scan=00 ch=00 state=0000 repeat=1"}},
      {"Unicode to code page 437",
       "\x1b[0;0;233;1;0;1_",
       {"down vk=00 scan=00 ch=82 state=0000 repeat=1"}},
      {"no code page 437 glyph", "\x1b[0;0;20013;1;0;1_", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TerminalKeyDecoder decoder(true);
    DecodedInput out;
    decoder.feed(c.bytes, out);
    EXPECT_EQ(describe(out.records), c.expected);
  }
}

} // namespace
