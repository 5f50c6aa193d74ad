#include "foundation/Filereplace.h"

#include "foundation/Terror.h"
#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Filemode.h"

#include <algorithm>

namespace {

bool Fail(std::string& failure, const std::string& what, const std::string& path) {
  failure = what + " " + path + ": " + platform::ErrorText(GetLastError());
  return false;
}

}  // namespace

bool ReplaceFileContents(const std::string& path, std::string_view data, bool ownerOnly, std::string_view who) {
  std::string failure;
  if (ReplaceFileContents(path, data, ownerOnly, failure)) return true;
  TError::Report(std::string(who) + " - " + failure);
  return false;
}

bool ReplaceFileContents(const std::string& path, std::string_view data, bool ownerOnly, std::string& failure) {
  const std::string temp = path + ".tmp";
  HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail(failure, "ошибка создания файла", temp);
  bool ok = !ownerOnly || platform::RestrictToOwner(file);
  size_t done = 0;
  while (ok && done < data.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 20));
    DWORD written = 0;
    ok = WriteFile(file, data.data() + done, chunk, &written, nullptr) && written == chunk;
    done += written;
  }
  ok = ok && FlushFileBuffers(file);
  const DWORD error = GetLastError();
  CloseHandle(file);
  if (!ok) {
    DeleteFileA(temp.c_str());
    SetLastError(error);
    return Fail(failure, "ошибка записи файла", temp);
  }
  if (!MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD moveError = GetLastError();
    DeleteFileA(temp.c_str());
    SetLastError(moveError);
    return Fail(failure, "ошибка замены файла", path);
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& data) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  data.clear();
  char buffer[65536];
  bool ok = true;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    data.append(buffer, got);
  }
  CloseHandle(file);
  return ok;
}
