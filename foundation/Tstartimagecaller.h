#pragma once
// The suite's optional start picture. Its library is loaded when present; without it
// the program starts without a picture. The first browse window to be activated closes
// the picture.

#include <string>

class TStartImageCaller {
 public:
  // The library's file; "Leafsplash.dll" (beside the program) by default.
  explicit TStartImageCaller(std::string libraryName = "Leafsplash.dll");
  ~TStartImageCaller();  // closes the picture and unloads the library
  TStartImageCaller(const TStartImageCaller&) = delete;
  TStartImageCaller& operator=(const TStartImageCaller&) = delete;

  // Loads the library and shows the picture; false (nothing reported) when the library
  // or its entry points are missing.
  bool ShowFormStartImage();
  bool IsLoaded() const { return fLibrary != nullptr; }
  bool IsShown() const { return fShown; }
  // Closes the picture of the process-wide caller when the library is loaded; nothing
  // otherwise.
  static void CloseFormStartImage();
  void Close();

 private:
  std::string fLibraryName;
  void* fLibrary = nullptr;
  void (*fClose)() = nullptr;
  bool fShown = false;
};

// The process-wide caller, made by the start-up driver; null before.
TStartImageCaller*& StartImageCaller();

// Entry points of the start-image library (C linkage):
//   int ShowFormStartImage(void* utilityGlobal)  shows the picture, 1 when shown
//   void CloseFormStartImage()                   closes it
