// Buffered text streams: the script's UTF-16 text on one side, a file's
// bytes in some code page on the other, with byte-order marks and line-end
// translation in between. TextFile reads and writes a system file handle,
// TextMem a block of memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/text.h"
#include "platform/files.h"

namespace orv {

// The longest line the line-reading commands take at once; the rest of a
// longer one comes as the next line.
inline constexpr size_t kMaxReadLine = 65535;

class TextStream {
 public:
  enum Flags : uint32_t {
    ModeRead = 0,
    ModeWrite = 1,
    ModeAppend = 2,
    ModeUpdate = 3,  // read and write
    ModeMask = 3,
    TranslateLf = 0x04,  // CR LF on disk is LF in the text
    TranslateCr = 0x08,  // a lone CR on disk is LF in the text
    BomUtf8 = 0x10,      // a new file starts with EF BB BF
    BomUtf16 = 0x20,     // a new file starts with FF FE
    ShareRead = 0x100,
    ShareWrite = 0x200,
    ShareDelete = 0x400,
    ShareAll = 0x700,
    HandleMode = 0x10000000,  // the handle belongs to someone else and stays open
    // With ModeAppend: every write lands at the end of the file, whoever
    // else appends to it meanwhile (the system's append mode).
    WritesAtEnd = 0x20000000,
  };
  static constexpr uint32_t kBufferSize = 8192;

  virtual ~TextStream();
  TextStream(const TextStream&) = delete;
  TextStream& operator=(const TextStream&) = delete;

  // Writes what is pending and lets go of the target; false when the
  // pending output could not be written (the system's last error says why).
  bool close();

  // Writes the pending output of every stream still open, on the way out of
  // the program, whatever holds them; returns how many could not write it.
  static int flush_all();

  // Appends up to `max` characters to `out`; in line mode it stops after
  // the first line feed, which is kept. Returns how many were appended.
  size_t read(String& out, size_t max, bool line_mode = false);
  // The next line, at most kMaxReadLine characters, without its line feed;
  // false at the end of the text.
  bool read_line(String& line);
  // The bytes the text adds to the file, or 0 when the system refused some.
  size_t write(StringView text);
  size_t read_bytes(void* dest, size_t size);
  size_t write_bytes(const void* source, size_t size);

  // `origin` 0 beginning, 1 current position, 2 end; false on failure.
  bool seek(int64_t distance, int origin);
  // The position as the text sees it: buffered bytes counted where they belong.
  int64_t tell();
  int64_t length();
  bool set_length(int64_t length);
  bool at_eof();
  // Writes pending output, or gives back read-ahead, so that the target's
  // own position is the stream's.
  bool sync();

  uint32_t code_page() const { return code_page_; }
  // 0 means the system's ANSI code page.
  void set_code_page(uint32_t code_page);
  uint32_t flags() const { return flags_; }
  // Whether line feeds written become CR LF from now on.
  void translate_line_feeds(bool on) { flags_ = on ? flags_ | TranslateLf : flags_ & ~uint32_t(TranslateLf); }

 protected:
  TextStream();

  // After the target is open: byte-order marks, then the starting position.
  bool start(uint32_t flags, uint32_t code_page);

  // The target's own operations, which know nothing of the buffer.
  virtual void close_target() = 0;
  virtual size_t read_target(void* dest, size_t size) = 0;
  // False when the target took fewer bytes than it was given.
  virtual bool write_target(const void* source, size_t size) = 0;
  virtual bool seek_target(int64_t distance, int origin) = 0;
  virtual int64_t tell_target() = 0;
  virtual int64_t length_target() = 0;
  // Shortens or extends the target; its position is left where it was
  // unless that lies beyond the new end.
  virtual bool set_length_target(int64_t length) = 0;

 private:
  bool has_read_ahead() const { return read_pos_ >= 0; }
  size_t available() const { return has_read_ahead() ? size_t(count_ - uint32_t(read_pos_)) : 0; }
  bool ensure_buffer();
  void release_buffer();
  // Makes at least `want` unread bytes available unless the target ends
  // first; returns how many there are.
  size_t fill(size_t want);
  bool flush();
  void discard_read_ahead();
  bool prepare_read();
  bool prepare_write();
  // The next character into `units` (one or two); false at the end.
  bool decode(char16_t (&units)[2], size_t& n);
  bool is_lead_byte(uint8_t b) const;
  // Whether the next unread bytes are a line feed; `take` consumes it.
  bool line_feed_follows(bool take);
  bool put_bytes(const void* bytes, size_t size);
  char16_t high_byte_char(uint8_t b);

  uint32_t flags_ = 0;
  uint32_t code_page_ = 0;
  uint8_t lead_ranges_[12] = {};
  int lead_range_count_ = 0;
  // Characters of the 128 high bytes of a single-byte code page, made on
  // first need: asking the system byte by byte is slow.
  char16_t* high_chars_ = nullptr;
  uint8_t* buffer_ = nullptr;
  uint32_t count_ = 0;     // bytes in the buffer
  int32_t read_pos_ = -1;  // next unread byte; -1 when the buffer holds output
  char16_t last_written_ = 0;
  // The second half of a surrogate pair that did not fit the last read.
  char16_t pending_unit_ = 0;
  // Every live stream, for flush_all.
  TextStream* prev_live_ = nullptr;
  TextStream* next_live_ = nullptr;
};

class TextFile final : public TextStream {
 public:
  TextFile() = default;
  ~TextFile() override;
  // By name, or "*" and "**" for the standard streams. False with the
  // system's last error when the file cannot be opened.
  bool open(StringView name, uint32_t flags, uint32_t code_page);
  // For reading line by line, as the line-reading commands do: CR LF and a
  // lone CR end a line as LF does, the thread's `file_encoding` applies
  // unless a mark says otherwise, and others may read and write meanwhile.
  bool open_for_lines(StringView name, uint32_t file_encoding);
  // A handle someone else opened (flags include HandleMode).
  bool open_handle(platform::FileHandle handle, uint32_t flags, uint32_t code_page);
  platform::FileHandle handle() const { return handle_; }
  bool is_open() const { return handle_ != platform::kNoFile; }

 protected:
  void close_target() override;
  size_t read_target(void* dest, size_t size) override;
  bool write_target(const void* source, size_t size) override;
  bool seek_target(int64_t distance, int origin) override;
  int64_t tell_target() override;
  int64_t length_target() override;
  bool set_length_target(int64_t length) override;

 private:
  platform::FileHandle handle_ = platform::kNoFile;
};

// A block of memory as a file. An owned block grows as it is written; a
// borrowed one is written only within its size.
class TextMem final : public TextStream {
 public:
  TextMem() = default;
  ~TextMem() override;
  // `data` may be null with `size` 0 for an empty owned block. An owned
  // block must come from malloc.
  bool open(void* data, size_t size, bool owned, uint32_t flags, uint32_t code_page);
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 protected:
  void close_target() override;
  size_t read_target(void* dest, size_t size) override;
  bool write_target(const void* source, size_t size) override;
  bool seek_target(int64_t distance, int origin) override;
  int64_t tell_target() override { return int64_t(pos_); }
  int64_t length_target() override { return int64_t(size_); }
  bool set_length_target(int64_t length) override;

 private:
  bool grow(size_t needed);

  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
  size_t pos_ = 0;
  bool owned_ = false;
};

// The stored script's bytes as text, read through a memory stream: a
// byte-order mark decides, UTF-8 otherwise.
String read_script_text(const uint8_t* bytes, size_t size);

// The mark a new file gets in a file encoding (a code page, plus
// kEncodingNoBom for the -RAW forms): BomUtf8 or BomUtf16 for the UTF
// forms, none for the others.
uint32_t byte_order_mark_flags(uint32_t file_encoding);

// The output file a file-reading loop names (Loop, Read, In, Out): FileAppend
// without a file name writes there, opening it on first use; the loop
// closes it when it ends.
struct ReadLoopOutput {
  String name;
  TextFile file;
};

}  // namespace orv
