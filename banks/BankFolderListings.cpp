#include "banks/BankFolderListings.h"

#include <cstddef>
#include <iterator>
#include <optional>
#include <unordered_map>
#include <utility>

#include "banks/BankFolders.h"

namespace korvel {

namespace {

constexpr unsigned kListedNameSize = 260;  // MAX_PATH

// The files listed before, looked up by name: the one after the last found
// is tried first, and the index is built only when that fails.
class EarlierFiles {
 public:
  explicit EarlierFiles(std::vector<ListedBankFile>& files) : files_(files) {}

  ListedBankFile* Named(const std::string& name) {
    if (next_ < files_.size() && files_[next_].name == name) return &files_[next_++];
    if (index_.empty()) {
      for (std::size_t i = 0; i < files_.size(); ++i) index_.emplace(files_[i].name, i);
    }
    const auto found = index_.find(name);
    if (found == index_.end()) return nullptr;
    next_ = found->second + 1;
    return &files_[found->second];
  }

 private:
  std::vector<ListedBankFile>& files_;
  std::size_t next_ = 0;
  std::unordered_map<std::string, std::size_t> index_;
};

}  // namespace

// Listings come in the same order each time: while the files are those of
// the last listing, they stay in place and the index stays good.
void BankFolderListing::Relist(const char* pattern) {
  const bool endsInSlash = !folder.empty() && folder.back() == '\\';
  const std::string inFolder = folder + (endsInSlash ? "" : "\\");
  std::size_t unchanged = 0;
  std::vector<ListedBankFile> earlier;  // the rest of the last listing, once a file differs
  std::optional<EarlierFiles> before;

  char name[kListedNameSize] = {};
  platform::FileStamp stamp;
  platform::FindHandle find = platform::FindFirstFileA((inFolder + pattern).c_str(), name, sizeof name, &stamp);
  for (bool more = find != 0; more; more = platform::FindNextFileA(find, name, sizeof name, &stamp)) {
    name[sizeof name - 1] = '\0';
    if (!before) {
      if (unchanged < files.size() && files[unchanged].name == name && files[unchanged].stamp == stamp) {
        ++unchanged;
        continue;
      }
      earlier.assign(std::make_move_iterator(files.begin() + static_cast<std::ptrdiff_t>(unchanged)),
                     std::make_move_iterator(files.end()));
      files.resize(unchanged);
      before.emplace(earlier);
    }
    ListedBankFile* same = before->Named(name);
    if (same != nullptr && same->stamp == stamp) {
      files.push_back(std::move(*same));
      continue;
    }
    ListedBankFile file;
    file.name = name;
    file.path = inFolder + file.name;
    file.stamp = stamp;
    files.push_back(std::move(file));
  }
  if (find != 0) platform::FindClose(find);
  if (!before && unchanged == files.size()) return;
  files.resize(before ? files.size() : unchanged);
  firstWithKey_.clear();
  indexedLimit_ = 0;
}

void BankFolderListing::IndexBankNames(std::size_t nameLimit) {
  if (indexedLimit_ >= nameLimit) return;
  firstWithKey_.clear();
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (files[i].read) firstWithKey_.emplace(files[i].bankKey, i);
  }
  indexedLimit_ = nameLimit;
}

// Files not read when the index was made have names too long to be walked
// for a limit no larger than the index's.
std::size_t BankFolderListing::WalkStart(const std::string& bankKey, std::size_t nameLimit) const {
  if (indexedLimit_ == 0 || nameLimit > indexedLimit_) return 0;
  const auto found = firstWithKey_.find(bankKey);
  return found != firstWithKey_.end() ? found->second : files.size();
}

std::shared_ptr<BankFolderListing> BankFolderListings::Of(int kind, const std::string& folder) {
  for (const auto& listing : listings_) {
    if (listing->kind == kind && SameTextIgnoringCase(listing->folder.c_str(), folder.c_str(), folder.size() + 1))
      return listing;
  }
  if (listings_.size() >= kMostListings) listings_.clear();
  auto listing = std::make_shared<BankFolderListing>();
  listing->kind = kind;
  listing->folder = folder;
  listings_.push_back(listing);
  return listing;
}

}  // namespace korvel
