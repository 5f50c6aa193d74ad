#include "postoffice/Postofficedialogs.h"

TPostOfficeDialogs& PostOfficeDialogs() {
  static TPostOfficeDialogs dialogs;
  return dialogs;
}
