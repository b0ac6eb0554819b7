#include "runtime/text_stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "base/code_pages.h"
#include "platform/platform.h"

namespace orv {

namespace {

// Raw requests at least this large skip the buffer.
constexpr size_t kBypassSize = TextStream::kBufferSize - 1;
// The most bytes one character (with a CR put before it) can take.
constexpr size_t kMaxCharBytes = 8;

}  // namespace

namespace {

// Eight bytes or four units at a time: whether any byte (unit) of `w` is
// zero, the classic test on words.
constexpr uint64_t kOnes8 = 0x0101010101010101ull, kHighs8 = 0x8080808080808080ull;
constexpr uint64_t kOnes16 = 0x0001000100010001ull, kHighs16 = 0x8000800080008000ull;
inline bool has_zero_byte(uint64_t w) { return ((w - kOnes8) & ~w & kHighs8) != 0; }
inline bool has_zero_unit(uint64_t w) { return ((w - kOnes16) & ~w & kHighs16) != 0; }

// How many bytes from `p` are ASCII other than CR and LF.
size_t plain_ascii_bytes(const uint8_t* p, size_t n) {
  size_t k = 0;
  for (; k + 8 <= n; k += 8) {
    uint64_t w;
    std::memcpy(&w, p + k, 8);
    if ((w & kHighs8) || has_zero_byte(w ^ (kOnes8 * '\r')) || has_zero_byte(w ^ (kOnes8 * '\n'))) break;
  }
  while (k < n && p[k] < 0x80 && p[k] != '\r' && p[k] != '\n') ++k;
  return k;
}

// How many units from `p` are ASCII other than LF.
size_t plain_ascii_units(const char16_t* p, size_t n) {
  size_t k = 0;
  for (; k + 4 <= n; k += 4) {
    uint64_t w;
    std::memcpy(&w, p + k, 8);
    if ((w & (kOnes16 * 0xFF80)) || has_zero_unit(w ^ (kOnes16 * u'\n'))) break;
  }
  while (k < n && p[k] < 0x80 && p[k] != u'\n') ++k;
  return k;
}

// Copies that the compiler turns into vector code: nothing aliases.
void narrow_ascii(const char16_t* __restrict from, size_t n, uint8_t* __restrict to) {
  for (size_t j = 0; j < n; ++j) to[j] = uint8_t(from[j]);
}
void widen_ascii(const uint8_t* __restrict from, size_t n, char16_t* __restrict to) {
  for (size_t j = 0; j < n; ++j) to[j] = char16_t(from[j]);
}

// The live streams, which host threads may open and close too.
std::mutex g_live_lock;
TextStream* g_live = nullptr;

}  // namespace

TextStream::TextStream() {
  std::lock_guard<std::mutex> guard(g_live_lock);
  next_live_ = g_live;
  if (g_live) g_live->prev_live_ = this;
  g_live = this;
}

TextStream::~TextStream() {
  {
    std::lock_guard<std::mutex> guard(g_live_lock);
    if (prev_live_) prev_live_->next_live_ = next_live_;
    else g_live = next_live_;
    if (next_live_) next_live_->prev_live_ = prev_live_;
  }
  release_buffer();
  std::free(high_chars_);
}

int TextStream::flush_all() {
  std::lock_guard<std::mutex> guard(g_live_lock);
  int failed = 0;
  for (TextStream* s = g_live; s; s = s->next_live_)
    if (s->buffer_ && !s->has_read_ahead() && s->count_ && !s->flush()) ++failed;
  return failed;
}

bool TextStream::ensure_buffer() {
  if (!buffer_) buffer_ = static_cast<uint8_t*>(std::malloc(kBufferSize));
  return buffer_ != nullptr;
}

void TextStream::release_buffer() {
  if (!buffer_) return;
  // What passed through may be private; it does not stay in freed memory.
  volatile uint8_t* p = buffer_;
  for (size_t i = 0; i < kBufferSize; ++i) p[i] = 0;
  std::free(buffer_);
  buffer_ = nullptr;
  count_ = 0;
  read_pos_ = -1;
}

bool TextStream::close() {
  bool ok = sync();
  uint32_t error = platform::last_error();
  release_buffer();
  close_target();
  pending_unit_ = 0;
  // Closing does not hide why the last write failed.
  if (!ok) platform::set_last_error(error);
  return ok;
}

void TextStream::set_code_page(uint32_t code_page) {
  if (code_page == 0) code_page = platform::ansi_code_page();
  code_page_ = code_page;
  lead_range_count_ = code_page == kCodePageUtf8 || code_page == kCodePageUtf16
                          ? 0
                          : platform::code_page_lead_bytes(code_page, lead_ranges_);
  std::free(high_chars_);
  high_chars_ = nullptr;
}

bool TextStream::start(uint32_t flags, uint32_t code_page) {
  flags_ = flags;
  set_code_page(code_page);
  uint32_t mode = flags & ModeMask;
  if (mode != ModeWrite) {
    // A mark says what the file is, whatever was asked for.
    size_t n = fill(3);
    if (n >= 2 && buffer_[read_pos_] == 0xFF && buffer_[read_pos_ + 1] == 0xFE) {
      set_code_page(kCodePageUtf16);
      read_pos_ += 2;
    } else if (n >= 3 && buffer_[read_pos_] == 0xEF && buffer_[read_pos_ + 1] == 0xBB &&
               buffer_[read_pos_ + 2] == 0xBF) {
      set_code_page(kCodePageUtf8);
      read_pos_ += 3;
    }
  }
  if (mode == ModeRead) return true;
  if (mode != ModeWrite && length_target() > 0) {
    if (mode == ModeAppend) {
      discard_read_ahead();
      return seek_target(0, 2);
    }
    return true;
  }
  if (flags & HandleMode) return true;  // nothing was created
  discard_read_ahead();
  if (flags & BomUtf8) return write_bytes("\xEF\xBB\xBF", 3) == 3;
  if (flags & BomUtf16) return write_bytes("\xFF\xFE", 2) == 2;
  return true;
}

// --- the buffer's two directions ---------------------------------------------------

size_t TextStream::fill(size_t want) {
  if (!prepare_read() || !ensure_buffer()) return 0;
  if (!has_read_ahead()) {
    count_ = 0;
    read_pos_ = 0;
  }
  size_t have = available();
  if (have >= want) return have;
  if (read_pos_ > 0) {
    std::memmove(buffer_, buffer_ + read_pos_, have);
    count_ = uint32_t(have);
    read_pos_ = 0;
  }
  while (count_ < want && count_ < kBufferSize) {
    size_t got = read_target(buffer_ + count_, kBufferSize - count_);
    if (got == 0) break;
    count_ += uint32_t(got);
  }
  return available();
}

bool TextStream::flush() {
  if (has_read_ahead() || count_ == 0) return true;
  bool ok = write_target(buffer_, count_);
  count_ = 0;
  return ok;
}

void TextStream::discard_read_ahead() {
  if (!has_read_ahead()) return;
  size_t unread = available();
  if (unread) seek_target(-int64_t(unread), 1);
  count_ = 0;
  read_pos_ = -1;
}

bool TextStream::prepare_read() {
  if (has_read_ahead()) return true;
  return flush();
}

bool TextStream::prepare_write() {
  pending_unit_ = 0;
  discard_read_ahead();
  return ensure_buffer();
}

bool TextStream::sync() {
  pending_unit_ = 0;
  discard_read_ahead();
  return flush();
}

// --- reading text ----------------------------------------------------------------------

bool TextStream::is_lead_byte(uint8_t b) const {
  for (int i = 0; i < lead_range_count_; ++i)
    if (b >= lead_ranges_[2 * i] && b <= lead_ranges_[2 * i + 1]) return true;
  return false;
}

char16_t TextStream::high_byte_char(uint8_t b) {
  if (!high_chars_) {
    high_chars_ = static_cast<char16_t*>(std::malloc(128 * sizeof(char16_t)));
    if (!high_chars_) return 0xFFFD;
    for (int i = 0; i < 128; ++i) {
      char byte = char(0x80 + i);
      String text;
      bool ok = platform::code_page_to_text_strict(std::string_view(&byte, 1), code_page_, text);
      high_chars_[i] = ok && text.size() == 1 ? text[0] : char16_t(0xFFFD);
    }
  }
  return high_chars_[b - 0x80];
}

bool TextStream::decode(char16_t (&units)[2], size_t& n) {
  units[1] = 0;
  n = 1;
  if (code_page_ == kCodePageUtf16) {
    size_t have = fill(2);
    if (have == 0) return false;
    if (have == 1) {
      // An odd byte at the very end is half a character.
      ++read_pos_;
      units[0] = 0xFFFD;
      return true;
    }
    units[0] = char16_t(buffer_[read_pos_] | buffer_[read_pos_ + 1] << 8);
    read_pos_ += 2;
    return true;
  }
  if (fill(1) == 0) return false;
  uint8_t lead = buffer_[read_pos_];
  if (lead < 0x80) {
    ++read_pos_;
    units[0] = lead;
    return true;
  }
  size_t len;
  if (code_page_ == kCodePageUtf8) {
    len = utf8_sequence_length(lead);
    if (len == 0) {
      ++read_pos_;
      units[0] = 0xFFFD;
      return true;
    }
  } else if (is_lead_byte(lead)) {
    len = 2;
  } else {
    ++read_pos_;
    units[0] = high_byte_char(lead);
    return true;
  }
  size_t have = fill(len);
  if (have < len) {
    // Cut off by the end of the file.
    read_pos_ += int32_t(have);
    units[0] = 0xFFFD;
    return true;
  }
  std::string_view seq(reinterpret_cast<const char*>(buffer_ + read_pos_), len);
  read_pos_ += int32_t(len);
  units[0] = 0xFFFD;
  if (code_page_ == kCodePageUtf8) {
    if (!decode_utf8(seq, units)) units[0] = 0xFFFD, units[1] = 0;
  } else {
    String text;
    if (platform::code_page_to_text_strict(seq, code_page_, text) && !text.empty() && text.size() <= 2) {
      units[0] = text[0];
      units[1] = text.size() == 2 ? text[1] : char16_t(0);
    }
  }
  n = units[1] ? 2 : 1;
  return true;
}

bool TextStream::line_feed_follows(bool take) {
  size_t unit = code_page_ == kCodePageUtf16 ? 2 : 1;
  // A CR at the end of the buffer waits for the next fill to decide.
  if (fill(unit) < unit) return false;
  const uint8_t* p = buffer_ + read_pos_;
  if (p[0] != '\n' || (unit == 2 && p[1] != 0)) return false;
  if (take) read_pos_ += int32_t(unit);
  return true;
}

size_t TextStream::read(String& out, size_t max, bool line_mode) {
  size_t added = 0;
  if (pending_unit_ && max) {
    out.push_back(pending_unit_);
    pending_unit_ = 0;
    ++added;
  }
  // In every code page but UTF-16 a byte below 0x80 met at a character's
  // start is that ASCII character: runs of them are taken whole, all but
  // the line ends, which the rules below decide.
  const bool ascii_runs = code_page_ != kCodePageUtf16;
  while (added < max) {
    if (ascii_runs && available() > 0) {
      const uint8_t* p = buffer_ + read_pos_;
      const size_t limit = std::min(available(), max - added);
      size_t k = plain_ascii_bytes(p, limit);
      if (k) {
        const size_t at = out.size();
        out.resize(at + k);
        widen_ascii(p, k, out.data() + at);
        read_pos_ += int32_t(k);
        added += k;
        continue;
      }
    }
    char16_t units[2];
    size_t n;
    if (!decode(units, n)) break;
    if (units[0] == u'\r' && (flags_ & (TranslateLf | TranslateCr))) {
      // With only the carriage-return option, the CR of a CR LF stays and
      // the LF is read as itself.
      bool lf_follows = line_feed_follows((flags_ & TranslateLf) != 0);
      if (lf_follows ? (flags_ & TranslateLf) != 0 : (flags_ & TranslateCr) != 0) units[0] = u'\n';
    }
    out.push_back(units[0]);
    ++added;
    if (n == 2) {
      if (added < max) {
        out.push_back(units[1]);
        ++added;
      } else {
        pending_unit_ = units[1];
      }
    }
    if (line_mode && units[0] == u'\n') break;
  }
  return added;
}

bool TextStream::read_line(String& line) {
  line.clear();
  if (read(line, kMaxReadLine, true) == 0) return false;
  if (line.back() == u'\n') line.pop_back();
  return true;
}

// --- writing text ----------------------------------------------------------------------

bool TextStream::put_bytes(const void* bytes, size_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(bytes);
  while (size) {
    if (count_ >= kBufferSize && !flush()) return false;
    size_t n = std::min(size, size_t(kBufferSize - count_));
    std::memcpy(buffer_ + count_, p, n);
    count_ += uint32_t(n);
    p += n;
    size -= n;
  }
  return true;
}

size_t TextStream::write(StringView text) {
  if (!prepare_write()) return 0;
  const bool lf = (flags_ & TranslateLf) != 0;
  size_t written = 0;
  size_t i = 0;
  const bool ascii_runs = code_page_ != kCodePageUtf16;
  while (i < text.size()) {
    if (ascii_runs) {
      // ASCII is its own bytes in every other code page: a run without a
      // line feed goes to the buffer as it is.
      size_t end = i + plain_ascii_units(text.data() + i, text.size() - i);
      if (end > i) {
        for (size_t k = i; k < end;) {
          if (count_ >= kBufferSize && !flush()) return 0;
          const size_t n = std::min(end - k, size_t(kBufferSize - count_));
          narrow_ascii(text.data() + k, n, buffer_ + count_);
          count_ += uint32_t(n);
          k += n;
        }
        written += end - i;
        last_written_ = text[end - 1];
        i = end;
        if (count_ > kBufferSize - 4 && !flush()) return 0;
        continue;
      }
    }
    uint8_t bytes[kMaxCharBytes];
    size_t n = 0;
    char16_t c = text[i];
    if (code_page_ == kCodePageUtf16 || c < 0x80) {
      if (c == u'\n' && lf && last_written_ != u'\r') {
        bytes[n++] = '\r';
        if (code_page_ == kCodePageUtf16) bytes[n++] = 0;
      }
      bytes[n++] = uint8_t(c);
      if (code_page_ == kCodePageUtf16) bytes[n++] = uint8_t(c >> 8);
      last_written_ = c;
      ++i;
      if (!put_bytes(bytes, n)) return 0;
      written += n;
      if (count_ > kBufferSize - 4 && !flush()) return 0;
      continue;
    }
    // A run of characters beyond ASCII converts in one call; it holds no
    // line feed, so the line-end rule has nothing to do inside it.
    size_t end = i;
    while (end < text.size() && text[end] >= 0x80) ++end;
    std::string converted;
    StringView run = text.substr(i, end - i);
    if (code_page_ == kCodePageUtf8)
      converted = utf16_to_utf8(run);
    else if (!platform::text_to_code_page(run, code_page_, converted))
      converted.assign(run.size(), '?');
    last_written_ = text[end - 1];
    i = end;
    if (!put_bytes(converted.data(), converted.size())) return 0;
    written += converted.size();
    if (count_ > kBufferSize - 4 && !flush()) return 0;
  }
  return written;
}

// --- raw bytes ---------------------------------------------------------------------------

size_t TextStream::read_bytes(void* dest, size_t size) {
  uint8_t* out = static_cast<uint8_t*>(dest);
  pending_unit_ = 0;
  if (!prepare_read()) return 0;
  size_t done = std::min(size, available());
  if (done) {
    std::memcpy(out, buffer_ + read_pos_, done);
    read_pos_ += int32_t(done);
  }
  while (done < size) {
    size_t left = size - done;
    if (left >= kBypassSize) {
      size_t got = read_target(out + done, left);
      if (got == 0) break;
      done += got;
      continue;
    }
    size_t have = fill(left);
    if (have == 0) break;
    size_t n = std::min(have, left);
    std::memcpy(out + done, buffer_ + read_pos_, n);
    read_pos_ += int32_t(n);
    done += n;
  }
  return done;
}

size_t TextStream::write_bytes(const void* source, size_t size) {
  if (!prepare_write()) return 0;
  if (size < kBufferSize - count_) {
    std::memcpy(buffer_ + count_, source, size);
    count_ += uint32_t(size);
    return size;
  }
  if (!flush()) return 0;
  return write_target(source, size) ? size : 0;
}

// --- position and length ---------------------------------------------------------------

bool TextStream::seek(int64_t distance, int origin) {
  if (!sync()) return false;
  return seek_target(distance, origin);
}

int64_t TextStream::tell() {
  int64_t at = tell_target();
  if (at < 0) return at;
  return has_read_ahead() ? at - int64_t(available()) : at + int64_t(count_);
}

int64_t TextStream::length() {
  int64_t size = length_target();
  int64_t at = has_read_ahead() ? -1 : tell();
  return std::max(size, at);
}

bool TextStream::set_length(int64_t length) {
  if (length < 0 || !sync()) return false;
  return set_length_target(length);
}

bool TextStream::at_eof() {
  if (pending_unit_ || available()) return false;
  int64_t size = length_target();
  // Without a size (a pipe) only a read that comes back empty can tell.
  if (size < 0) return fill(1) == 0;
  return tell() >= size;
}

// --- files -----------------------------------------------------------------------------

TextFile::~TextFile() { close(); }

bool TextFile::open(StringView name, uint32_t flags, uint32_t code_page) {
  uint32_t mode = flags & ModeMask;
  if (name == u"*" || name == u"**") {
    int which = mode == ModeRead ? 0 : name == u"**" ? 2 : 1;
    if (mode == ModeUpdate) which = name == u"**" ? 2 : 1;
    platform::FileHandle h = platform::standard_handle(which);
    if (h == platform::kNoFile) return false;
    return open_handle(h, flags | HandleMode, code_page);
  }
  uint32_t access = mode == ModeRead    ? platform::AccessRead
                    : mode == ModeWrite ? platform::AccessWrite
                    : mode == ModeAppend && (flags & WritesAtEnd)
                        ? platform::AccessRead | platform::AccessAppend
                        : platform::AccessRead | platform::AccessWrite;
  platform::FileCreation creation = mode == ModeRead    ? platform::FileCreation::OpenExisting
                                    : mode == ModeWrite ? platform::FileCreation::CreateAlways
                                                        : platform::FileCreation::OpenAlways;
  uint32_t share = ((flags & ShareRead) ? platform::ShareRead : 0) | ((flags & ShareWrite) ? platform::ShareWrite : 0) |
                   ((flags & ShareDelete) ? platform::ShareDelete : 0);
  handle_ = platform::open_file(name, access, creation, share, (flags & (TranslateLf | TranslateCr)) != 0);
  if (handle_ == platform::kNoFile) return false;
  // What the system said about the open survives what starting does.
  uint32_t error = platform::last_error();
  bool ok = start(flags & ~HandleMode, code_page);
  platform::set_last_error(error);
  return ok;
}

uint32_t byte_order_mark_flags(uint32_t file_encoding) {
  if (file_encoding == kCodePageUtf8) return TextStream::BomUtf8;
  if (file_encoding == kCodePageUtf16) return TextStream::BomUtf16;
  return 0;
}

bool TextFile::open_for_lines(StringView name, uint32_t file_encoding) {
  return open(name, ModeRead | TranslateLf | TranslateCr | ShareRead | ShareWrite, file_encoding & ~kEncodingNoBom);
}

bool TextFile::open_handle(platform::FileHandle handle, uint32_t flags, uint32_t code_page) {
  if (!platform::is_file_handle(handle)) return false;
  handle_ = handle;
  return start(flags | HandleMode, code_page);
}

void TextFile::close_target() {
  if (handle_ != platform::kNoFile && !(flags() & HandleMode)) platform::close_file(handle_);
  handle_ = platform::kNoFile;
}

size_t TextFile::read_target(void* dest, size_t size) {
  if (handle_ == platform::kNoFile) return 0;
  uint32_t got = 0;
  if (size > UINT32_MAX) size = UINT32_MAX;
  return platform::read_file_bytes(handle_, dest, uint32_t(size), got) ? got : 0;
}

bool TextFile::write_target(const void* source, size_t size) {
  if (handle_ == platform::kNoFile) return false;
  const uint8_t* p = static_cast<const uint8_t*>(source);
  while (size) {
    uint32_t chunk = size > 0x40000000 ? 0x40000000 : uint32_t(size);
    uint32_t done = 0;
    bool ok = (flags() & WritesAtEnd) ? platform::append_file_bytes(handle_, p, chunk, done)
                                      : platform::write_file_bytes(handle_, p, chunk, done);
    if (!ok || done != chunk) return false;
    p += chunk;
    size -= chunk;
  }
  return true;
}

bool TextFile::seek_target(int64_t distance, int origin) {
  if (handle_ == platform::kNoFile || origin < 0 || origin > 2) return false;
  return platform::seek_file(handle_, distance, platform::SeekOrigin(origin)) >= 0;
}

int64_t TextFile::tell_target() {
  if (handle_ == platform::kNoFile) return -1;
  return platform::seek_file(handle_, 0, platform::SeekOrigin::Current);
}

int64_t TextFile::length_target() {
  if (handle_ == platform::kNoFile) return -1;
  return platform::file_size(handle_);
}

bool TextFile::set_length_target(int64_t length) {
  int64_t at = tell_target();
  if (at < 0 || !seek_target(length, 0) || !platform::set_end_of_file(handle_)) return false;
  return seek_target(std::min(at, length), 0);
}

// --- memory ----------------------------------------------------------------------------

String read_script_text(const uint8_t* bytes, size_t size) {
  TextMem mem;
  String text;
  // Borrowed and only read: the bytes stay the caller's.
  if (!mem.open(const_cast<uint8_t*>(bytes), size, false, TextStream::ModeRead, kCodePageUtf8)) return text;
  text.reserve(size);
  mem.read(text, SIZE_MAX);
  return text;
}

TextMem::~TextMem() { close(); }

bool TextMem::open(void* data, size_t size, bool owned, uint32_t flags, uint32_t code_page) {
  data_ = static_cast<uint8_t*>(data);
  size_ = capacity_ = size;
  pos_ = 0;
  owned_ = owned;
  return start(flags, code_page);
}

void TextMem::close_target() {
  if (owned_) std::free(data_);
  data_ = nullptr;
  size_ = capacity_ = pos_ = 0;
  owned_ = false;
}

size_t TextMem::read_target(void* dest, size_t size) {
  size_t n = pos_ < size_ ? std::min(size, size_ - pos_) : 0;
  if (n) std::memcpy(dest, data_ + pos_, n);
  pos_ += n;
  return n;
}

bool TextMem::grow(size_t needed) {
  if (needed <= capacity_) return true;
  if (!owned_) return false;
  size_t capacity = std::max(needed, capacity_ * 2);
  auto* grown = static_cast<uint8_t*>(std::realloc(data_, capacity));
  if (!grown) return false;
  data_ = grown;
  capacity_ = capacity;
  return true;
}

bool TextMem::write_target(const void* source, size_t size) {
  size_t end = pos_ + size;
  bool whole = grow(end);
  size_t n = whole ? size : capacity_ > pos_ ? capacity_ - pos_ : 0;
  if (pos_ > size_ && n) std::memset(data_ + size_, 0, pos_ - size_);
  if (n) std::memcpy(data_ + pos_, source, n);
  pos_ += n;
  size_ = std::max(size_, pos_);
  return whole;
}

bool TextMem::seek_target(int64_t distance, int origin) {
  int64_t base = origin == 0 ? 0 : origin == 1 ? int64_t(pos_) : int64_t(size_);
  if (origin < 0 || origin > 2 || base + distance < 0) return false;
  pos_ = size_t(base + distance);
  return true;
}

bool TextMem::set_length_target(int64_t length) {
  size_t n = size_t(length);
  if (!grow(n)) return false;
  if (n > size_) std::memset(data_ + size_, 0, n - size_);
  size_ = n;
  pos_ = std::min(pos_, n);
  return true;
}

}  // namespace orv
