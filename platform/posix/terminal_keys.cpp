#include "platform/posix/terminal_keys.h"

#include <array>

#include "platform/posix/cp437.h"

namespace {

// Parameter bytes kept for one sequence; longer ones are consumed as unknown.
constexpr std::size_t PARAMS_CAP = 48;
constexpr int MAX_PARAMS = 8;
// Parameters above this are clamped: no key needs more, and no arithmetic overflows.
constexpr int PARAM_LIMIT = 0x10FFFF;

constexpr std::uint8_t ESC = 0x1B;
constexpr std::uint8_t BEL = 0x07;

struct Params {
  char marker = 0;           // a private marker '<' '=' '>' '?' before the numbers
  bool intermediate = false; // bytes 0x20 to 0x2F: replies and modes, never keys
  bool malformed = false;
  int count = 0;
  std::array<int, MAX_PARAMS> values{};

  // xterm's rule: a missing or zero parameter takes its default.
  int at(int index, int fallback) const {
    return index < count && values[index] != 0 ? values[index] : fallback;
  }
  // A missing parameter takes its default; zero stays zero.
  int given(int index, int fallback) const { return index < count ? values[index] : fallback; }
};

Params parse_params(const std::string& bytes) {
  Params p;
  std::size_t i = 0;
  if (!bytes.empty() && bytes[0] >= '<' && bytes[0] <= '?') {
    p.marker = bytes[0];
    i = 1;
  }
  int value = 0;
  bool any = false;
  for (; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c >= '0' && c <= '9') {
      value = value >= PARAM_LIMIT ? PARAM_LIMIT : value * 10 + (c - '0');
      any = true;
    } else if (c == ';') {
      if (p.count < MAX_PARAMS) {
        p.values[p.count] = value;
      }
      ++p.count;
      value = 0;
    } else if (c >= 0x20 && c <= 0x2F) {
      p.intermediate = true;
    } else {
      p.malformed = true; // ':' sub-parameters or a marker out of place
    }
  }
  if (any || p.count > 0) {
    if (p.count < MAX_PARAMS) {
      p.values[p.count] = value;
    }
    ++p.count;
  }
  if (p.count > MAX_PARAMS) {
    p.malformed = true;
  }
  return p;
}

// The xterm modifier parameter: 1 + (Shift 1, Alt 2, Ctrl 4, Meta 8). Meta is taken
// as Alt, the only other modifier a console knows.
std::uint32_t modifier_state(int parameter) {
  if (parameter < 2 || parameter > 16) {
    return 0;
  }
  const int bits = parameter - 1;
  std::uint32_t state = 0;
  if (bits & 1) {
    state |= KEYSTATE_SHIFT;
  }
  if (bits & (2 | 8)) {
    state |= KEYSTATE_LEFT_ALT;
  }
  if (bits & 4) {
    state |= KEYSTATE_LEFT_CTRL;
  }
  return state;
}

} // namespace

TerminalKeyDecoder::TerminalKeyDecoder(bool utf8) : utf8_(utf8) {}

void TerminalKeyDecoder::expect_cursor_report() {
  expect_report_ = true;
}

int TerminalKeyDecoder::timeout_ms() const {
  if (state_ == State::ground) {
    return -1;
  }
  return silence_ms_ >= ESCAPE_TIMEOUT_MS ? 0 : static_cast<int>(ESCAPE_TIMEOUT_MS - silence_ms_);
}

void TerminalKeyDecoder::feed(std::string_view bytes, DecodedInput& out) {
  for (const char c : bytes) {
    silence_ms_ = 0;
    const auto byte = static_cast<std::uint8_t>(c);
    switch (state_) {
    case State::ground:
      ground_byte(byte, out);
      break;
    case State::escape:
      escape_byte(byte, out);
      break;
    case State::csi:
      csi_byte(byte, out);
      break;
    case State::ss3:
      ss3_byte(byte, out);
      break;
    case State::linux_function:
      linux_function_byte(byte, out);
      break;
    case State::string:
    case State::string_escape:
      string_byte(byte, out);
      break;
    }
  }
}

void TerminalKeyDecoder::elapse(std::uint32_t ms, DecodedInput& out) {
  if (state_ == State::ground) {
    return;
  }
  silence_ms_ = ms >= ESCAPE_TIMEOUT_MS ? ESCAPE_TIMEOUT_MS : silence_ms_ + ms;
  if (silence_ms_ >= ESCAPE_TIMEOUT_MS) {
    decide_held(out);
  }
}

void TerminalKeyDecoder::begin(State state) {
  state_ = state;
  params_.clear();
  params_overflow_ = false;
}

// Silence ends whatever is held. What was only an introducer was a key typed with
// Alt (ESC [ is Alt+[); a sequence cut short is dropped.
void TerminalKeyDecoder::decide_held(DecodedInput& out) {
  const State held = state_;
  const bool bare = params_.empty() && !params_overflow_;
  begin(State::ground);
  switch (held) {
  case State::escape:
  case State::string_escape:
    emit(key_for_named(NamedKey::escape), 0, out);
    break;
  case State::csi:
    if (bare) {
      alt_ = true;
      ground_byte('[', out);
    }
    break;
  case State::ss3:
    if (bare) {
      alt_ = true;
      ground_byte('O', out);
    }
    break;
  case State::string:
    if (string_length_ == 0) {
      alt_ = true;
      ground_byte(string_intro_, out);
    }
    break;
  case State::ground:
  case State::linux_function:
    break;
  }
  alt_ = false;
}

void TerminalKeyDecoder::ground_byte(std::uint8_t byte, DecodedInput& out) {
  if (utf8_needed_ > 0 || (utf8_ && byte >= 0x80)) {
    utf8_byte(byte, out);
    return;
  }
  if (byte == ESC) {
    begin(State::escape);
    return;
  }
  if (byte >= 0x80) {
    emit(key_for_character(byte), 0, out);
    return;
  }
  emit(*key_for_ascii(byte), 0, out);
}

// Invalid UTF-8 (a stray continuation byte, an overlong form, a surrogate, a lead
// byte cut short) gives no key; the byte that cut a character short starts afresh.
void TerminalKeyDecoder::utf8_byte(std::uint8_t byte, DecodedInput& out) {
  if (utf8_needed_ > 0) {
    if ((byte & 0xC0) == 0x80) {
      utf8_code_ = (utf8_code_ << 6) | (byte & 0x3F);
      if (--utf8_needed_ == 0) {
        const char32_t code = utf8_code_;
        const bool valid =
            code >= utf8_min_ && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        const int converted = valid ? cp437_from_unicode(code) : -1;
        if (converted >= 0) {
          emit(key_for_character(static_cast<std::uint8_t>(converted)), 0, out);
        }
        alt_ = false;
      }
      return;
    }
    utf8_needed_ = 0;
    alt_ = false;
    ground_byte(byte, out);
    return;
  }
  if (byte >= 0xC2 && byte <= 0xDF) {
    utf8_code_ = byte & 0x1F;
    utf8_needed_ = 1;
    utf8_min_ = 0x80;
  } else if (byte >= 0xE0 && byte <= 0xEF) {
    utf8_code_ = byte & 0x0F;
    utf8_needed_ = 2;
    utf8_min_ = 0x800;
  } else if (byte >= 0xF0 && byte <= 0xF4) {
    utf8_code_ = byte & 0x07;
    utf8_needed_ = 3;
    utf8_min_ = 0x10000;
  } else {
    alt_ = false;
  }
}

void TerminalKeyDecoder::escape_byte(std::uint8_t byte, DecodedInput& out) {
  switch (byte) {
  case '[':
    begin(State::csi);
    return;
  case 'O':
    begin(State::ss3);
    return;
  case ']':
  case 'P':
  case '_':
  case '^':
  case 'X':
    begin(State::string);
    string_intro_ = byte;
    string_length_ = 0;
    return;
  case ESC:
    if (alt_) { // ESC ESC ESC: Alt+Escape, then a fresh ESC
      emit(key_for_named(NamedKey::escape), 0, out);
    } else {
      alt_ = true; // ESC ESC [ A is Alt+Up in rxvt
    }
    return;
  default:
    begin(State::ground);
    alt_ = true;
    ground_byte(byte, out);
    return;
  }
}

void TerminalKeyDecoder::csi_byte(std::uint8_t byte, DecodedInput& out) {
  if (byte == '[' && params_.empty()) {
    begin(State::linux_function);
    return;
  }
  // rxvt ends its Shift forms with '$', an intermediate byte elsewhere; no reply this
  // backend asks for has one, so it is taken as a final byte.
  if ((byte >= 0x40 && byte <= 0x7E) || byte == '$') {
    dispatch_csi(byte, out);
    return;
  }
  if (byte >= 0x20 && byte <= 0x3F) {
    add_param(byte);
    return;
  }
  abandon_sequence(byte, out);
}

void TerminalKeyDecoder::ss3_byte(std::uint8_t byte, DecodedInput& out) {
  if (byte >= 0x40 && byte <= 0x7E) {
    dispatch_ss3(byte, out);
    return;
  }
  if ((byte >= '0' && byte <= '9') || byte == ';') {
    add_param(byte);
    return;
  }
  abandon_sequence(byte, out);
}

void TerminalKeyDecoder::add_param(std::uint8_t byte) {
  if (params_.size() < PARAMS_CAP) {
    params_.push_back(static_cast<char>(byte));
  } else {
    params_overflow_ = true;
  }
}

// A byte that cannot be part of the sequence (a control byte, a byte from 0x80 up):
// the sequence so far is dropped and the byte is decoded on its own.
void TerminalKeyDecoder::abandon_sequence(std::uint8_t byte, DecodedInput& out) {
  begin(State::ground);
  alt_ = false;
  ground_byte(byte, out);
}

// The linux console's F1 to F5: ESC [ [ A to ESC [ [ E.
void TerminalKeyDecoder::linux_function_byte(std::uint8_t byte, DecodedInput& out) {
  begin(State::ground);
  if (byte >= 'A' && byte <= 'E') {
    emit(key_for_named(static_cast<NamedKey>(static_cast<int>(NamedKey::f1) + (byte - 'A'))), 0,
         out);
    return;
  }
  alt_ = false;
  if (byte < 0x20 || byte >= 0x7F) {
    ground_byte(byte, out);
  }
}

// Control strings end with BEL or ST (ESC \). Any other ESC starts a new sequence:
// an unterminated string gives way to the next key sent as a sequence.
void TerminalKeyDecoder::string_byte(std::uint8_t byte, DecodedInput& out) {
  if (state_ == State::string_escape) {
    if (byte == '\\') {
      begin(State::ground);
      return;
    }
    begin(State::escape);
    escape_byte(byte, out);
    return;
  }
  if (byte == ESC) {
    state_ = State::string_escape;
  } else if (byte == BEL || ++string_length_ > STRING_CAP) {
    begin(State::ground);
  }
}

void TerminalKeyDecoder::dispatch_csi(std::uint8_t final_byte, DecodedInput& out) {
  const Params p = parse_params(params_);
  const bool usable = !params_overflow_ && !p.malformed && p.marker == 0 && !p.intermediate;
  begin(State::ground);
  if (!usable) {
    // Mouse reports, focus events, mode replies: nothing a key record carries.
    alt_ = false;
    return;
  }
  NamedKey key{};
  if (final_byte == 'R' && expect_report_ && p.count == 2) {
    expect_report_ = false;
    out.cursor_reports.push_back({p.values[0], p.values[1]});
  } else if (key_for_final(final_byte, key)) {
    emit(key_for_named(key), modifier_state(p.at(1, 1)), out);
  } else if (key_for_rxvt_final(final_byte, key)) {
    emit(key_for_named(key), KEYSTATE_SHIFT, out);
  } else if (final_byte == 'Z') {
    emit(key_for_named(NamedKey::tab), KEYSTATE_SHIFT, out);
  } else if (final_byte == '_') {
    // win32-input-mode: Vk;Sc;Uc;Kd;Cs;Rc, one console key record as it is.
    const int unicode = p.given(2, 0);
    const int ch = unicode == 0 ? 0 : cp437_from_unicode(static_cast<char32_t>(unicode));
    if (ch >= 0) {
      InputRecord record;
      record.event_type = EVENT_KEY;
      record.key.virtual_key = static_cast<std::uint16_t>(p.given(0, 0));
      record.key.virtual_scan = static_cast<std::uint16_t>(p.given(1, 0));
      record.key.ascii_char = static_cast<std::uint8_t>(ch);
      record.key.key_down = p.given(3, 0) != 0;
      record.key.control_state = static_cast<std::uint32_t>(p.given(4, 0));
      record.key.repeat_count = static_cast<std::uint16_t>(p.given(5, 1));
      out.records.push_back(record);
    }
  } else if (key_for_tilde_number(p.at(0, 0), key)) {
    // rxvt marks Shift, Ctrl and both by the final byte instead of a parameter.
    switch (final_byte) {
    case '~':
      emit(key_for_named(key), modifier_state(p.at(1, 1)), out);
      break;
    case '$':
      emit(key_for_named(key), KEYSTATE_SHIFT, out);
      break;
    case '^':
      emit(key_for_named(key), KEYSTATE_LEFT_CTRL, out);
      break;
    case '@':
      emit(key_for_named(key), KEYSTATE_LEFT_CTRL | KEYSTATE_SHIFT, out);
      break;
    default:
      break;
    }
  }
  // Bracketed paste markers (200~, 201~) and every other sequence give nothing: the
  // pasted text between the markers arrives as typed keys.
  alt_ = false;
}

void TerminalKeyDecoder::dispatch_ss3(std::uint8_t final_byte, DecodedInput& out) {
  const Params p = parse_params(params_);
  const bool usable = !params_overflow_ && !p.malformed;
  begin(State::ground);
  NamedKey key{};
  if (!usable) {
    alt_ = false;
    return;
  }
  if (key_for_final(final_byte, key)) {
    // Old xterms put the modifier right after SS3 (ESC O 5 P); newer ones use CSI.
    emit(key_for_named(key), modifier_state(p.count > 1 ? p.at(1, 1) : p.at(0, 1)), out);
  } else if (key_for_rxvt_final(final_byte, key)) {
    emit(key_for_named(key), KEYSTATE_LEFT_CTRL, out);
  }
  alt_ = false;
}

void TerminalKeyDecoder::emit(KeyFacts key, std::uint32_t modifiers, DecodedInput& out) {
  InputRecord record;
  record.event_type = EVENT_KEY;
  record.key.key_down = true;
  record.key.repeat_count = 1;
  record.key.virtual_key = key.virtual_key;
  record.key.virtual_scan = key.scan;
  record.key.ascii_char = key.ch;
  record.key.control_state = key.state | modifiers | (alt_ ? KEYSTATE_LEFT_ALT : 0);
  alt_ = false;
  out.records.push_back(record);
  record.key.key_down = false;
  out.records.push_back(record);
}
