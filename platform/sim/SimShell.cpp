// COM, message boxes and the sandbox of the simulated platform.
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/OwnedWindowHook.h"
#include "platform/Platform.h"
#include "platform/sim/Sim.h"
#include "platform/sim/SimInternal.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

constexpr unsigned kMbTypeMask = 0xF;
constexpr unsigned kMbOkCancel = 0x1;
constexpr unsigned kMbAbortRetryIgnore = 0x2;
constexpr unsigned kMbRetryCancel = 0x5;
constexpr int kIdAbort = 3;

// What CoCreateInstance gives before CoInitialize: CO_E_NOTINITIALIZED.
constexpr std::int32_t kComNotInitialised = static_cast<std::int32_t>(0x800401F0u);

struct ShellState {
  int comDepth = 0;
  std::int32_t shellLinkFailure = 0;
  std::deque<int> answers;
  std::vector<sim::ShownBox> shown;
  std::function<void(const sim::ShownBox&)> whileShown;
};

// Box windows are numbered from here, in the order the boxes were shown.
constexpr Window kFirstBoxWindow = 0xB0C5000;

ShellState& State() {
  static ShellState state;
  return state;
}

// What pressing Escape gives; a Yes/No box has no Cancel, so it says No.
int DefaultAnswer(unsigned type) {
  switch (type & kMbTypeMask) {
    case kMbOk:
      return kIdOk;
    case kMbOkCancel:
    case kMbYesNoCancel:
    case kMbRetryCancel:
      return kIdCancel;
    case kMbYesNo:
      return kIdNo;
    case kMbAbortRetryIgnore:
      return kIdAbort;
    default:
      return kIdCancel;
  }
}

}  // namespace

namespace sim {
namespace detail {

void ResetShell() { State() = ShellState(); }

}  // namespace detail

void Reset(const std::string& sandboxRoot) {
  detail::ResetFiles(sandboxRoot);
  detail::ResetRegistry();
  detail::ResetShell();
  detail::ResetDrivers();
  detail::ResetMidi();
  detail::ResetUserInterface();
}

Sandbox::Sandbox() {
  static unsigned counter = 0;
  const fs::path root = fs::temp_directory_path() / ("korvel-sandbox-" + std::to_string(getpid()) +
                                                     "-" + std::to_string(++counter));
  std::error_code error;
  fs::remove_all(root, error);
  fs::create_directories(root, error);
  root_ = root.string();
  Reset(root_);
}

Sandbox::~Sandbox() {
  std::error_code error;
  fs::remove_all(root_, error);
}

int ComInitDepth() { return State().comDepth; }

bool ReadShellLink(const char* linkPath, ShellLink* link) {
  std::ifstream in(HostPath(linkPath), std::ios::binary);
  return in && std::getline(in, link->target) && std::getline(in, link->description);
}

void FailShellLinks(std::int32_t result) { State().shellLinkFailure = result; }

void QueueMessageBoxAnswer(int id) { State().answers.push_back(id); }

const std::vector<ShownBox>& ShownMessageBoxes() { return State().shown; }

void ClearShownMessageBoxes() { State().shown.clear(); }

void SetMessageBoxHook(std::function<void(const ShownBox& box)> whileShown) {
  State().whileShown = std::move(whileShown);
}

}  // namespace sim

void CoInitialize() { ++State().comDepth; }

void CoUninitialize() {
  if (State().comDepth > 0) --State().comDepth;
}

std::int32_t SaveShellLink(const char* description, const char* linkPath, const char* target) {
  const ShellState& state = State();
  if (state.comDepth == 0) return kComNotInitialised;
  if (state.shellLinkFailure != 0) return state.shellLinkFailure;
  std::ofstream out(sim::HostPath(linkPath), std::ios::binary | std::ios::trunc);
  out << target << '\n' << description << '\n';
  // STG_E_ACCESSDENIED, as a link in a folder that cannot be written gives.
  return out ? 0 : static_cast<std::int32_t>(0x80030005u);
}

int MessageBoxA(Window owner, const char* text, const char* caption, unsigned type) {
  ShellState& state = State();
  int answer = DefaultAnswer(type);
  if (!state.answers.empty()) {
    answer = state.answers.front();
    state.answers.pop_front();
  }
  // Each box is a window of its own, as the system's boxes are.
  const Window window = kFirstBoxWindow + state.shown.size();
  const sim::ShownBox box{owner, window, text == nullptr ? "" : text, caption == nullptr ? "" : caption,
                         type, answer};
  state.shown.push_back(box);
  OwnedWindowWatch::WindowMade(window, owner);
  // A copy: the hook may show boxes of its own, or replace itself.
  if (const auto whileShown = state.whileShown) whileShown(box);
  return answer;
}

void* StartOwnedWindowHook() { return nullptr; }

void StopOwnedWindowHook(void*) {}

}  // namespace platform
