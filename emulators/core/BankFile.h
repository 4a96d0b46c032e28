// Reads what a sound device needs from a bank file: its name and the sound
// memory it takes.
//
// SoundFont 2 (.sf2): a RIFF "sfbk" form with the INFO (ifil 2.x, INAM),
// sdta and pdta lists, the latter with all nine hydra records; the name is the
// INAM text and the memory is the size of the sdta list's smpl data. Sound sets
// (.tts with the tag "TTPR", .94b with "PRIO"): the name is the NUL-terminated
// text 8 bytes after the tag's first occurrence in the first 512 bytes, cut to
// 8 characters, and the memory is the whole file. Every read is bounded by the
// file's real size; no length field is trusted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

namespace korvel::emu {

enum class BankKind { Unknown, SoundFont, TtsSoundSet, Ews94SoundSet };

// By the file name's extension, ignoring case.
BankKind BankKindOf(std::string_view path);

enum class InspectStatus { Ok, NotFound, BadFormat };

struct BankFileInfo {
  std::string name;
  std::uint64_t fileBytes = 0;
  std::uint64_t soundBytes = 0;  // sound memory the bank takes
};

constexpr std::size_t kSoundSetHeader = 512;
constexpr std::size_t kSoundSetNameMax = 8;
constexpr std::size_t kSoundFontNameMax = 255;

// Random access to the bytes of a file or of a block in memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Copies up to `count` bytes from `offset`; returns how many it copied.
  virtual std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t count) const = 0;
};

class MemorySource : public ByteSource {
 public:
  MemorySource(const void* data, std::size_t size)
      : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t count) const override;

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

class FileSource : public ByteSource {
 public:
  // Null when the file cannot be opened for reading.
  static std::unique_ptr<FileSource> Open(const std::string& hostPath);
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t count) const override;

 private:
  mutable std::ifstream in_;
  std::uint64_t size_ = 0;
};

InspectStatus InspectSoundFont(const ByteSource& bytes, BankFileInfo* info);
// `tag` is four characters ("TTPR" or "PRIO").
InspectStatus InspectSoundSet(const ByteSource& bytes, const char* tag, BankFileInfo* info);
// Opens the file and inspects it as `kind`; Unknown is a bad format.
InspectStatus InspectBankFile(BankKind kind, const std::string& hostPath, BankFileInfo* info);

}  // namespace korvel::emu
