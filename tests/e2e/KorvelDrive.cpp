// korvel_drive: drives a running Korvel for demonstrations and screenshots.
//
//   korvel_drive.exe wait  [seconds]   waits until Korvel's start-up is over,
//                                      answering its message boxes with OK
//   korvel_drive.exe close [seconds]   the same, then presses "&Close" and
//                                      waits until Korvel has ended
//
// Korvel must run in the same Wine prefix. Every answered box is printed.
// Exit code 0 on success, 1 on time-out or failure, 2 on bad usage.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/KorvelSession.h"

using testing_support::KorvelSession;
using testing_support::MessageBoxSeen;

namespace {

int Answer(const MessageBoxSeen& box) {
  std::printf("answered: [%s] %s\n", box.caption.c_str(), box.text.c_str());
  std::fflush(stdout);
  return KorvelSession::DefaultAnswer(box);
}

}  // namespace

int main(int argc, char** argv) {
  const char* mode = argc > 1 ? argv[1] : "";
  const bool close = std::strcmp(mode, "close") == 0;
  if (!close && std::strcmp(mode, "wait") != 0) {
    std::fprintf(stderr, "usage: korvel_drive.exe wait|close [seconds]\n");
    return 2;
  }
  const int timeoutMs = (argc > 2 ? std::atoi(argv[2]) : 120) * 1000;

  KorvelSession korvel;
  if (!korvel.Attach(timeoutMs)) {
    std::fprintf(stderr, "korvel_drive: no Korvel main window appeared\n");
    return 1;
  }
  if (!korvel.WaitForStartUp(timeoutMs, Answer)) {
    std::fprintf(stderr, "korvel_drive: Korvel did not finish starting\n");
    return 1;
  }
  std::printf("started\n");
  std::fflush(stdout);
  if (!close) return 0;

  DWORD exitCode = 0;
  if (!korvel.CloseWithButton(timeoutMs, &exitCode, Answer)) {
    std::fprintf(stderr, "korvel_drive: Korvel did not end\n");
    return 1;
  }
  std::printf("ended with exit code %lu\n", static_cast<unsigned long>(exitCode));
  return exitCode == 0 ? 0 : 1;
}
