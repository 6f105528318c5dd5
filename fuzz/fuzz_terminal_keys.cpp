// The terminal key decoder fed arbitrary bytes in arbitrary splits with arbitrary
// silences between them. However the bytes are split, the decoder gives the same
// records as when it is fed one byte at a time with the same silences; every record
// is a key event that the key reader turns into valid key codes; and once a full
// escape timeout of silence has passed, nothing is held any more and a typed letter
// and a cursor key come through as themselves.
#include <cstddef>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "input/key_queue.h"
#include "platform/posix/terminal_keys.h"

namespace {

constexpr std::uint32_t TIMEOUT = TerminalKeyDecoder::ESCAPE_TIMEOUT_MS;

struct Chunk {
  std::string bytes;
  std::uint32_t silence_ms; // after the bytes
  bool expect_report;       // a cursor position query goes out before the bytes
};

bool same_record(const InputRecord& a, const InputRecord& b) {
  return a.event_type == b.event_type && a.key.key_down == b.key.key_down &&
         a.key.repeat_count == b.key.repeat_count && a.key.virtual_key == b.key.virtual_key &&
         a.key.virtual_scan == b.key.virtual_scan && a.key.ascii_char == b.key.ascii_char &&
         a.key.control_state == b.key.control_state;
}

void check_same(const DecodedInput& split, const DecodedInput& single) {
  FUZZ_CHECK(split.records.size() == single.records.size(),
             "%zu records from the split bytes, %zu from single bytes", split.records.size(),
             single.records.size());
  for (std::size_t i = 0; i < split.records.size(); ++i) {
    FUZZ_CHECK(same_record(split.records[i], single.records[i]), "record %zu differs", i);
  }
  FUZZ_CHECK(split.cursor_reports == single.cursor_reports, "cursor reports differ");
}

void check_timeout(const TerminalKeyDecoder& decoder) {
  const int timeout = decoder.timeout_ms();
  FUZZ_CHECK(timeout >= -1 && timeout <= static_cast<int>(TIMEOUT), "timeout_ms %d", timeout);
}

bool valid_code(KeyCode code) {
  return (code >= 0 && code <= 255) ||
         ((code & 0xFF) == 0xFF && (code >> 8) >= 1 && (code >> 8) <= 0xE0);
}

// Every record through the key reader: only key codes a console can give.
void check_records_translate(const std::vector<InputRecord>& records) {
  FuzzSession session(80, 25);
  for (const InputRecord& record : records) {
    FUZZ_CHECK(record.event_type == EVENT_KEY, "record of event type %u", record.event_type);
    session.console().queue_record(record);
  }
  for (KeyCode code = key_queue_take(); code != KEY_NONE; code = key_queue_take()) {
    FUZZ_CHECK(valid_code(code), "the records gave key code %#x", static_cast<unsigned>(code));
  }
}

// The decoder still decodes: after the silence nothing is held, a letter is one key
// press and release, and ESC [ A is Up.
void check_recovers(TerminalKeyDecoder& decoder) {
  DecodedInput out;
  decoder.elapse(TIMEOUT, out);
  FUZZ_CHECK(decoder.timeout_ms() == -1, "bytes still held after %u ms of silence", TIMEOUT);

  DecodedInput letter;
  decoder.feed("z", letter);
  FUZZ_CHECK(letter.records.size() == 2 && letter.records[0].key.key_down &&
                 !letter.records[1].key.key_down && letter.records[0].key.ascii_char == 'z',
             "z gave %zu records", letter.records.size());

  DecodedInput up;
  decoder.feed("\x1b[A", up);
  FUZZ_CHECK(up.records.size() == 2, "ESC [ A gave %zu records", up.records.size());
  const KeyEventRecord& key = up.records[0].key;
  const KeyCode code =
      key_translate(key.ascii_char, key.virtual_scan, key.virtual_key, key.control_state);
  FUZZ_CHECK(code == 0x48FF, "ESC [ A gave the key code %#x", static_cast<unsigned>(code));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  const bool utf8 = data.ConsumeBool();
  std::vector<Chunk> chunks;
  while (data.remaining_bytes() > 0 && chunks.size() < 64) {
    Chunk chunk;
    chunk.expect_report = data.ConsumeIntegralInRange(0, 15) == 0;
    // Mostly shorter than the timeout, so sequences span chunks; sometimes longer.
    chunk.silence_ms = data.ConsumeBool()
                           ? data.ConsumeIntegralInRange<std::uint32_t>(0, TIMEOUT - 1)
                           : data.ConsumeIntegralInRange<std::uint32_t>(0, 100000);
    chunk.bytes = data.ConsumeRandomLengthString(256);
    chunks.push_back(std::move(chunk));
  }

  TerminalKeyDecoder split(utf8);
  TerminalKeyDecoder single(utf8);
  DecodedInput split_out;
  DecodedInput single_out;
  for (const Chunk& chunk : chunks) {
    if (chunk.expect_report) {
      split.expect_cursor_report();
      single.expect_cursor_report();
    }
    split.feed(chunk.bytes, split_out);
    for (const char c : chunk.bytes) {
      single.feed(std::string_view(&c, 1), single_out);
      single.elapse(0, single_out); // no time passing decides nothing
      check_timeout(single);
    }
    split.elapse(chunk.silence_ms, split_out);
    single.elapse(chunk.silence_ms, single_out);
    check_timeout(split);
  }
  check_same(split_out, single_out);
  check_records_translate(split_out.records);
  check_recovers(split);
  return 0;
}
