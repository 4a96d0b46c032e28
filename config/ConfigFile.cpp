#include "config/ConfigFile.h"

#include <climits>
#include <cstring>

namespace korvel {

namespace {

void PutWord(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value);
  out[1] = static_cast<std::uint8_t>(value >> 8);
  out[2] = static_cast<std::uint8_t>(value >> 16);
  out[3] = static_cast<std::uint8_t>(value >> 24);
}

std::uint32_t GetWord(const std::uint8_t* in) {
  return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
         static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

// Appends records to the fixed-size file image.
class RecordWriter {
 public:
  explicit RecordWriter(ConfigFileBytes& bytes) : bytes_(bytes) {}

  void Word(std::uint32_t value) {
    PutWord(&bytes_[at_], 4);
    PutWord(&bytes_[at_ + 4], value);
    at_ += 8;
  }
  void Int(std::int32_t value) { Word(static_cast<std::uint32_t>(value)); }
  template <std::size_t N>
  void Text(const char (&field)[N]) {
    PutWord(&bytes_[at_], static_cast<std::uint32_t>(N));
    std::memcpy(&bytes_[at_ + 4], field, N);
    at_ += 4 + N;
  }
 private:
  ConfigFileBytes& bytes_;
  std::size_t at_ = 0;
};

// Takes records from a source one by one. Each call answers false, leaving
// its field alone, when the record's length word or data is not all there.
class RecordReader {
 public:
  explicit RecordReader(ConfigByteSource& source) : source_(source) {}

  // The magic record must be exactly what the writer writes: its length
  // word is never taken as another.
  bool Magic(bool& matches) {
    std::uint8_t data[4] = {};
    std::uint32_t length = 0;
    if (!Record(data, sizeof data, length, false)) return false;
    matches = length == 4 && GetWord(data) == kConfigMagic;
    return true;
  }

  template <typename Word>
  bool Word32(Word& field) {
    std::uint8_t data[4];
    std::uint32_t length = 0;
    if (!Record(data, sizeof data, length)) return false;
    CopyWordField(field, data, length);
    return true;
  }

  template <std::size_t N>
  bool Text(char (&field)[N]) {
    std::uint8_t data[N];
    std::uint32_t length = 0;
    if (!Record(data, N, length)) return false;
    CopyTextField(field, N, data, length);
    return true;
  }

  // Whether a byte was skipped or a length word taken as another, so far
  // or (after the last record) anywhere in the file.
  bool Irregular() const { return irregular_ || source_.Remaining() > 0; }

 private:
  // Reads the length word and keeps at most `capacity` bytes of the data,
  // skipping the rest unread. `capacity` is the field's size, which is the
  // length the writer gives the record.
  bool Record(std::uint8_t* data, std::size_t capacity, std::uint32_t& length, bool mayRepair = true) {
    std::uint8_t word[4];
    if (source_.Remaining() < 4 || !source_.Read(word, 4)) return false;
    length = GetWord(word);
    if (source_.Remaining() < length) {
      if (!mayRepair || source_.Remaining() < capacity) return false;
      length = static_cast<std::uint32_t>(capacity);
      irregular_ = true;
    }
    const std::size_t kept = length < capacity ? length : capacity;
    if (kept < length) irregular_ = true;
    if (kept > 0 && !source_.Read(data, kept)) return false;
    return source_.Skip(length - kept);
  }

  ConfigByteSource& source_;
  bool irregular_ = false;
};

class MemorySource : public ConfigByteSource {
 public:
  MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint64_t Remaining() const override { return size_ - at_; }
  bool Read(void* buffer, std::size_t size) override {
    if (size > size_ - at_) return false;
    std::memcpy(buffer, data_ + at_, size);
    at_ += size;
    return true;
  }
  bool Skip(std::uint64_t size) override {
    if (size > size_ - at_) return false;
    at_ += static_cast<std::size_t>(size);
    return true;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// The file's size is measured once; skipped data is seeked over, never read.
class FileSource : public ConfigByteSource {
 public:
  explicit FileSource(std::FILE* file) : file_(file) {
    const long start = std::ftell(file);
    if (start < 0 || std::fseek(file, 0, SEEK_END) != 0) return;
    const long end = std::ftell(file);
    if (std::fseek(file, start, SEEK_SET) != 0 || end < start) return;
    remaining_ = static_cast<std::uint64_t>(end - start);
  }
  std::uint64_t Remaining() const override { return remaining_; }
  bool Read(void* buffer, std::size_t size) override {
    if (size > remaining_ || std::fread(buffer, 1, size, file_) != size) return false;
    remaining_ -= size;
    return true;
  }
  bool Skip(std::uint64_t size) override {
    // Remaining() came from ftell, so anything up to it fits a long.
    if (size > remaining_ || size > static_cast<std::uint64_t>(LONG_MAX)) return false;
    if (size > 0 && std::fseek(file_, static_cast<long>(size), SEEK_CUR) != 0) return false;
    remaining_ -= size;
    return true;
  }

 private:
  std::FILE* file_;
  std::uint64_t remaining_ = 0;
};

}  // namespace

ConfigFileBytes EncodeConfigFile(const Configuration& config, const WindowEdges& edges) {
  ConfigFileBytes bytes{};
  RecordWriter out(bytes);
  out.Word(kConfigMagic);
  out.Int(config.homedrive);
  out.Text(config.homedir);
  out.Word(config.cflags);
  out.Int(config.curdev);
  out.Word(config.korvelengine);
  out.Int(config.cursheet);
  out.Int(edges.left);
  out.Int(edges.top);
  out.Text(config.curpreset);
  out.Text(config.lastpath);
  out.Text(config.bankfolder);
  out.Text(config.lastmididev);
  return bytes;
}

ConfigDecodeStatus DecodeConfigFile(ConfigByteSource& source, Configuration& config,
                                    WindowEdges& edges) {
  RecordReader in(source);
  bool magic = false;
  if (!in.Magic(magic) || !magic) return ConfigDecodeStatus::BadMagic;

  // winx and winy go through a scratch value; -1 leaves the window's edge alone.
  auto edge = [&in](std::int32_t& target) {
    std::int32_t value = -1;
    if (!in.Word32(value)) return false;
    if (value != -1) target = value;
    return true;
  };
  const bool complete = in.Word32(config.homedrive) && in.Text(config.homedir) &&
                        in.Word32(config.cflags) && in.Word32(config.curdev) &&
                        in.Word32(config.korvelengine) && in.Word32(config.cursheet) &&
                        edge(edges.left) && edge(edges.top) && in.Text(config.curpreset) &&
                        in.Text(config.lastpath) && in.Text(config.bankfolder) &&
                        in.Text(config.lastmididev);
  if (!complete) return ConfigDecodeStatus::EndedEarly;
  return in.Irregular() ? ConfigDecodeStatus::Irregular : ConfigDecodeStatus::Complete;
}

ConfigDecodeStatus DecodeConfigFile(const std::uint8_t* data, std::size_t size,
                                    Configuration& config, WindowEdges& edges) {
  MemorySource source(data, data == nullptr ? 0 : size);
  return DecodeConfigFile(source, config, edges);
}

ConfigDecodeStatus DecodeConfigFile(std::FILE* file, Configuration& config, WindowEdges& edges) {
  FileSource source(file);
  return DecodeConfigFile(source, config, edges);
}

void CopyTextField(char* field, std::size_t fieldSize, const std::uint8_t* data, std::size_t size) {
  if (fieldSize == 0) return;
  const std::size_t kept = size < fieldSize ? size : fieldSize;
  if (kept > 0) std::memcpy(field, data, kept);
  if (std::memchr(field, '\0', kept) == nullptr) field[kept < fieldSize ? kept : fieldSize - 1] = '\0';
}

void CopyWordField(std::uint32_t& field, const std::uint8_t* data, std::size_t size) {
  std::uint8_t bytes[4];
  PutWord(bytes, field);
  if (size > 0) std::memcpy(bytes, data, size < 4 ? size : 4);
  field = GetWord(bytes);
}

void CopyWordField(std::int32_t& field, const std::uint8_t* data, std::size_t size) {
  auto word = static_cast<std::uint32_t>(field);
  CopyWordField(word, data, size);
  field = static_cast<std::int32_t>(word);
}

}  // namespace korvel
