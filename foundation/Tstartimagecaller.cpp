#include "foundation/Tstartimagecaller.h"

#include "foundation/Tutilityglobal.h"
#include "platform/kernel/Library.h"

TStartImageCaller::TStartImageCaller(std::string libraryName) : fLibraryName(std::move(libraryName)) {}

TStartImageCaller::~TStartImageCaller() {
  Close();
  if (fLibrary) FreeLibrary(fLibrary);
}

bool TStartImageCaller::ShowFormStartImage() {
  if (!fLibrary) fLibrary = LoadLibraryA(fLibraryName.c_str());
  if (!fLibrary) return false;
  using TShow = int (*)(void*);
  auto show = reinterpret_cast<TShow>(GetProcAddress(fLibrary, "ShowFormStartImage"));
  fClose = reinterpret_cast<void (*)()>(GetProcAddress(fLibrary, "CloseFormStartImage"));
  if (!show || !fClose) {
    FreeLibrary(fLibrary);
    fLibrary = nullptr;
    fClose = nullptr;
    return false;
  }
  fShown = show(TUtilityGlobal::Current()) != 0;
  return fShown;
}

void TStartImageCaller::Close() {
  if (fLibrary && fShown && fClose) fClose();
  fShown = false;
}

void TStartImageCaller::CloseFormStartImage() {
  if (TStartImageCaller* caller = StartImageCaller()) caller->Close();
}

TStartImageCaller*& StartImageCaller() {
  static TStartImageCaller* caller = nullptr;
  return caller;
}
