#include "platform/posix/recording_input.h"

namespace orv::platform {

void RecordingInput::apply(const InputEvent& e, Via via) {
  if (e.kind == InputEvent::Kind::Delay && via == Via::Single) return;
  log.push_back({e, via});
  if (e.kind == InputEvent::Kind::Key) {
    if (!e.up && !held[e.vk] && e.vk == 0x14) toggled[e.vk] = !toggled[e.vk];
    held[e.vk] = !e.up;
  } else if (e.kind == InputEvent::Kind::Mouse && (e.mouse & MouseMove)) {
    if (e.mouse & MouseAbsolute) {
      x = e.x;
      y = e.y;
    } else {
      x += e.x;
      y += e.y;
    }
  }
}

void RecordingInput::event(const InputEvent& e) { apply(e, Via::Single); }

void RecordingInput::send_batch(const InputEvent* events, size_t count) {
  for (size_t i = 0; i < count; ++i) apply(events[i], Via::Batch);
}

size_t RecordingInput::play_batch(const InputEvent* events, size_t count) {
  // Up to the first Unicode packet and the waits before it, as playback goes.
  size_t end = 0;
  while (end < count && events[end].kind != InputEvent::Kind::Unicode) ++end;
  if (end < count)
    while (end > 0 && events[end - 1].kind == InputEvent::Kind::Delay) --end;
  size_t played = end < play_limit ? end : play_limit;
  for (size_t i = 0; i < played; ++i) apply(events[i], Via::Play);
  if (play_limit != SIZE_MAX) play_limit -= played;
  return played;
}

bool RecordingInput::block_input(bool on) {
  blocked = on;
  block_calls.push_back(on);
  return true;
}

bool RecordingInput::cursor_pos(int32_t& x_out, int32_t& y_out) {
  x_out = x;
  y_out = y;
  return true;
}

RecordingInput& recording_input() {
  static RecordingInput recorder;
  return recorder;
}

InputSender& input_sender() { return recording_input(); }

}  // namespace orv::platform
