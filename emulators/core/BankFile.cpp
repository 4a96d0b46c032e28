#include "emulators/core/BankFile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "emulators/core/ByteOrder.h"

namespace korvel::emu {

BankKind BankKindOf(std::string_view path) {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t sep = path.find_last_of("\\/:");
  if (dot == std::string_view::npos || (sep != std::string_view::npos && sep > dot)) {
    return BankKind::Unknown;
  }
  std::string ext(path.substr(dot + 1));
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "sf2") return BankKind::SoundFont;
  if (ext == "tts") return BankKind::TtsSoundSet;
  if (ext == "94b") return BankKind::Ews94SoundSet;
  return BankKind::Unknown;
}

std::size_t MemorySource::ReadAt(std::uint64_t offset, void* out, std::size_t count) const {
  if (offset >= size_) return 0;
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset));
  std::memcpy(out, data_ + offset, n);
  return n;
}

std::unique_ptr<FileSource> FileSource::Open(const std::string& hostPath) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(hostPath, error)) return nullptr;
  std::unique_ptr<FileSource> source(new FileSource);
  source->in_.open(hostPath, std::ios::binary);
  if (!source->in_) return nullptr;
  source->in_.seekg(0, std::ios::end);
  const std::streamoff end = source->in_.tellg();
  if (end < 0) return nullptr;
  source->size_ = static_cast<std::uint64_t>(end);
  return source;
}

std::size_t FileSource::ReadAt(std::uint64_t offset, void* out, std::size_t count) const {
  if (offset >= size_) return 0;
  count = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset));
  in_.clear();
  in_.seekg(static_cast<std::streamoff>(offset));
  in_.read(static_cast<char*>(out), static_cast<std::streamsize>(count));
  return static_cast<std::size_t>(std::max<std::streamsize>(in_.gcount(), 0));
}

namespace {

struct Chunk {
  char id[5] = {};
  std::uint64_t data = 0;  // offset of the chunk's data
  std::uint32_t size = 0;
};

// The chunk whose header is at `at`, which must lie wholly before `end`.
bool ReadChunk(const ByteSource& bytes, std::uint64_t at, std::uint64_t end, Chunk* chunk) {
  std::uint8_t header[8];
  if (at > end || end - at < 8 || bytes.ReadAt(at, header, 8) != 8) return false;
  std::memcpy(chunk->id, header, 4);
  chunk->size = GetLe32(header + 4);
  chunk->data = at + 8;
  return chunk->size <= end - chunk->data;
}

// Where the chunk after `chunk` starts: data plus size, word-aligned (a
// missing pad byte at the very end is tolerated).
std::uint64_t NextChunk(const Chunk& chunk, std::uint64_t end) {
  const std::uint64_t next = chunk.data + chunk.size + (chunk.size & 1u);
  return std::min(next, end);
}

bool ListType(const ByteSource& bytes, const Chunk& chunk, char type[5]) {
  type[4] = '\0';
  return std::memcmp(chunk.id, "LIST", 4) == 0 && chunk.size >= 4 &&
         bytes.ReadAt(chunk.data, type, 4) == 4;
}

struct SoundFontParts {
  bool info = false, sdta = false, pdta = false, version = false, name = false;
};

bool WalkInfo(const ByteSource& bytes, const Chunk& list, SoundFontParts* parts,
              BankFileInfo* info) {
  const std::uint64_t end = list.data + list.size;
  for (std::uint64_t at = list.data + 4; at < end;) {
    Chunk sub;
    if (!ReadChunk(bytes, at, end, &sub)) return false;
    if (std::memcmp(sub.id, "ifil", 4) == 0 && !parts->version) {
      std::uint8_t v[4];
      if (sub.size < 4 || bytes.ReadAt(sub.data, v, 4) != 4) return false;
      if (GetLe16(v) != 2) return false;  // SoundFont 2.x only
      parts->version = true;
    } else if (std::memcmp(sub.id, "INAM", 4) == 0 && !parts->name) {
      char text[kSoundFontNameMax + 1] = {};
      const std::size_t n = std::min<std::size_t>(sub.size, kSoundFontNameMax);
      if (bytes.ReadAt(sub.data, text, n) != n) return false;
      info->name.assign(text, std::find(text, text + n, '\0'));
      parts->name = true;
    }
    at = NextChunk(sub, end);
  }
  return true;
}

bool WalkSdta(const ByteSource& bytes, const Chunk& list, BankFileInfo* info) {
  const std::uint64_t end = list.data + list.size;
  for (std::uint64_t at = list.data + 4; at < end;) {
    Chunk sub;
    if (!ReadChunk(bytes, at, end, &sub)) return false;
    if (std::memcmp(sub.id, "smpl", 4) == 0) info->soundBytes = sub.size;
    at = NextChunk(sub, end);
  }
  return true;
}

// The nine hydra records must all be there, each a whole number of records
// and at least the terminal one.
bool WalkPdta(const ByteSource& bytes, const Chunk& list) {
  struct Part { const char* id; std::uint32_t record; bool seen; };
  Part parts[] = {{"phdr", 38, false}, {"pbag", 4, false}, {"pmod", 10, false},
                  {"pgen", 4, false},  {"inst", 22, false}, {"ibag", 4, false},
                  {"imod", 10, false}, {"igen", 4, false}, {"shdr", 46, false}};
  const std::uint64_t end = list.data + list.size;
  for (std::uint64_t at = list.data + 4; at < end;) {
    Chunk sub;
    if (!ReadChunk(bytes, at, end, &sub)) return false;
    for (Part& part : parts) {
      if (std::memcmp(sub.id, part.id, 4) != 0 || part.seen) continue;
      if (sub.size < part.record || sub.size % part.record != 0) return false;
      part.seen = true;
    }
    at = NextChunk(sub, end);
  }
  for (const Part& part : parts) {
    if (!part.seen) return false;
  }
  return true;
}

}  // namespace

InspectStatus InspectSoundFont(const ByteSource& bytes, BankFileInfo* info) {
  *info = BankFileInfo{};
  info->fileBytes = bytes.Size();
  Chunk riff;
  char form[5] = {};
  if (!ReadChunk(bytes, 0, bytes.Size(), &riff) || std::memcmp(riff.id, "RIFF", 4) != 0 ||
      riff.size < 4 || bytes.ReadAt(8, form, 4) != 4 || std::memcmp(form, "sfbk", 4) != 0) {
    return InspectStatus::BadFormat;
  }
  SoundFontParts parts;
  const std::uint64_t end = riff.data + riff.size;
  for (std::uint64_t at = 12; at < end;) {
    Chunk chunk;
    if (!ReadChunk(bytes, at, end, &chunk)) return InspectStatus::BadFormat;
    char type[5];
    if (ListType(bytes, chunk, type)) {
      if (std::strcmp(type, "INFO") == 0 && !parts.info) {
        parts.info = true;
        if (!WalkInfo(bytes, chunk, &parts, info)) return InspectStatus::BadFormat;
      } else if (std::strcmp(type, "sdta") == 0 && !parts.sdta) {
        parts.sdta = true;
        if (!WalkSdta(bytes, chunk, info)) return InspectStatus::BadFormat;
      } else if (std::strcmp(type, "pdta") == 0 && !parts.pdta) {
        parts.pdta = true;
        if (!WalkPdta(bytes, chunk)) return InspectStatus::BadFormat;
      }
    }
    at = NextChunk(chunk, end);
  }
  if (!parts.info || !parts.version || !parts.name || !parts.sdta || !parts.pdta) {
    *info = BankFileInfo{};
    return InspectStatus::BadFormat;
  }
  return InspectStatus::Ok;
}

InspectStatus InspectSoundSet(const ByteSource& bytes, const char* tag, BankFileInfo* info) {
  *info = BankFileInfo{};
  info->fileBytes = bytes.Size();
  info->soundBytes = bytes.Size();
  std::uint8_t header[kSoundSetHeader];
  const std::size_t n = bytes.ReadAt(0, header, sizeof header);
  const std::size_t tagLength = std::strlen(tag);
  for (std::size_t p = 0; p + tagLength <= n; ++p) {
    if (std::memcmp(header + p, tag, tagLength) != 0) continue;
    for (std::size_t i = p + 8; i < n && header[i] != 0 && info->name.size() < kSoundSetNameMax;
         ++i) {
      info->name.push_back(static_cast<char>(header[i]));
    }
    // A set without a name cannot be told apart from an empty bank.
    return info->name.empty() ? InspectStatus::BadFormat : InspectStatus::Ok;
  }
  return InspectStatus::BadFormat;
}

InspectStatus InspectBankFile(BankKind kind, const std::string& hostPath, BankFileInfo* info) {
  *info = BankFileInfo{};
  std::unique_ptr<FileSource> file = FileSource::Open(hostPath);
  if (!file) return InspectStatus::NotFound;
  switch (kind) {
    case BankKind::SoundFont: return InspectSoundFont(*file, info);
    case BankKind::TtsSoundSet: return InspectSoundSet(*file, "TTPR", info);
    case BankKind::Ews94SoundSet: return InspectSoundSet(*file, "PRIO", info);
    case BankKind::Unknown: break;
  }
  return InspectStatus::BadFormat;
}

}  // namespace korvel::emu
