#include "foundation/Terror.h"

#include "foundation/Guihooks.h"
#include "platform/kernel/Codepage.h"
#include "platform/kernel/Datafolders.h"
#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Strutil.h"

#include <cstdio>

namespace {
TErrorCapture* gCapture = nullptr;
thread_local TErrorHold* tHold = nullptr;

// The system's last error names a fault of this computer, not of what was read.
bool IsLocalFault(DWORD code) {
  switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_WRITE_PROTECT:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_TOO_MANY_OPEN_FILES:
    case ERROR_ACCESS_DENIED:
    case ERROR_FILE_TOO_LARGE:
    case ERROR_GEN_FAILURE: return true;
    default: return false;
  }
}
}  // namespace

TErrorCapture::TErrorCapture(TKind kind)
    : fOuter(gCapture), fWasReported(TError::Instance().fReported), fOwnWork(kind == OwnWork) {
  TError::Instance().fReported = false;
  gCapture = this;
  SetLastError(ERROR_SUCCESS);  // only a failure inside counts
}

TErrorCapture::~TErrorCapture() {
  gCapture = fOuter;
  TError::Instance().fReported = fWasReported;
}

TErrorHold::TErrorHold() : fOuter(tHold) { tHold = this; }

TErrorHold::~TErrorHold() { tHold = fOuter; }

void TErrorHold::ReportHeld(const std::vector<THeld>& held) {
  for (const THeld& report : held) {
    SetLastError(report.LastError);
    TError::Report(report.Text);
  }
}

TError& TError::Instance() {
  static TError state;
  return state;
}

std::string TError::LogPath() { return platform::DataRoot() + "/errors.log"; }

void TError::AppendToLog(std::string_view line) {
  std::string path = LogPath();
  FILE* f = std::fopen(path.c_str(), "a");
  if (!f) {
    platform::MakeFolders(platform::DataRoot());
    f = std::fopen(path.c_str(), "a");
  }
  if (!f) return;
  // One entry, one line, whatever the texts it quotes hold.
  std::string utf8 = platform::AnsiToUtf8(EscapeControlChars(line));
  std::fprintf(f, "%s\n", utf8.c_str());
  std::fclose(f);
}

void TError::Report(std::string_view text) {
  if (tHold) {
    tHold->fHeld.push_back({std::string(text), GetLastError()});
    return;
  }
  TError& state = Instance();
  state.fReported = true;
  if (gCapture) {
    const bool local = IsLocalFault(GetLastError());
    if (!gCapture->fCaught) gCapture->fFirst = std::string(text);
    gCapture->fCaught = true;
    gCapture->fLocal = gCapture->fLocal || local;
    AppendToLog(std::string(local || gCapture->fOwnWork ? "ERROR MESSAGE: " : "REFUSED INPUT: ") + std::string(text));
    return;
  }
  ++state.fCount;
  AppendToLog(std::string("ERROR MESSAGE: ") + std::string(text));
  if (state.fShowing) return;
  state.fShowing = true;
  if (GuiHooks().ShowErrorWindow) GuiHooks().ShowErrorWindow(std::string(text));
  else std::fprintf(stderr, "ERROR MESSAGE: %s\n", platform::AnsiToUtf8(EscapeControlChars(text)).c_str());
  state.fShowing = false;
}

void TError::RequestTerminate(bool reload) {
  fTerminate = true;
  fReload = fReload || reload;
}

void TError::Reset() {
  fReported = fTerminate = fReload = fShowing = false;
  fCount = 0;
}

bool IsErrorReported() { return TError::Instance().IsReported(); }
