#include "net/Netsystem.h"

#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Filemode.h"
#include "platform/kernel/Findfile.h"
#include "platform/kernel/Tempfiles.h"

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

std::string TempFolder;

namespace {

std::thread::id MainThreadId = std::this_thread::get_id();
std::mutex PrivateFolderLock;
std::string PrivateFolder;

// Language of the user's locale as the C library reports it ("ja_JP.UTF-8" -> "ja_JP").
std::string LocaleName()
{
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v)
            return v;
    }
    return "C";
}

const std::string& PrivateTempFolder()
{
    std::lock_guard<std::mutex> guard(PrivateFolderLock);
    // Made again when it went (cleared as stale by another process).
    if (!PrivateFolder.empty() && GetFileAttributesA(PrivateFolder.c_str()) == INVALID_FILE_ATTRIBUTES)
        PrivateFolder.clear();
    if (PrivateFolder.empty()) {
        std::string base = TempFolder.empty() ? SystemTempFolder() : TempFolder;
        static const bool cleared = (ClearStaleMailFolders(base, StaleMailFolderAge), true);
        (void)cleared;
        const std::string folder = platform::MakeUniqueFolder(base + "quillaran-mail-");
        if (!folder.empty()) {
            PrivateFolder = folder + "/";
            static const bool cleanup = std::atexit(RemovePrivateTempFolder) == 0;
            (void)cleanup;
        }
    }
    return PrivateFolder;
}

} // namespace

TNetMailCharSet SystemMailCharSet()
{
    const std::string name = LocaleName();
    const std::string lang = name.substr(0, name.find_first_of("_.@"));
    if (lang == "zh") {
        const std::string region = name.size() >= 5 ? name.substr(3, 2) : std::string();
        return region == "CN" || region == "SG" ? mcsGB2312 : mcsBig5;
    }
    if (lang == "ja")
        return mcsIso2022Jp;
    if (lang == "ko")
        return mcsEucKr;
    return mcsIso88591;
}

std::string SystemTempFolder()
{
    return WithTrailingBackslash(platform::TempRoot());
}

std::string CreateTempFile(const std::string& Folder)
{
    const std::string dir = Folder.empty() ? PrivateTempFolder() : WithTrailingBackslash(Folder);
    if (dir.empty())
        return std::string();
    return platform::MakeUniqueFile(dir + "Mail");
}

bool CopyFileNoOverwrite(const std::string& Source, const std::string& Dest)
{
    return CopyFileA(Source.c_str(), Dest.c_str(), 1) != 0;
}

std::string SafeBaseName(const std::string& Name)
{
    const size_t slash = Name.find_last_of("/\\");
    std::string name;
    for (char c : slash == std::string::npos ? Name : Name.substr(slash + 1)) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 32 || b == 127)
            continue;
        if (c == '.' && (name.empty() || name.back() == '.'))
            continue; // no leading dots, no ".."
        name += c;
    }
    while (!name.empty() && (name.back() == ' ' || name.back() == '.'))
        name.pop_back();
    constexpr size_t MaxLength = 200;
    if (name.size() > MaxLength) {
        // Keep the extension, which tells what the file is.
        const size_t dot = name.rfind('.');
        const std::string ext = dot != std::string::npos && name.size() - dot <= 16 ? name.substr(dot) : "";
        name = name.substr(0, MaxLength - ext.size()) + ext;
    }
    return name.empty() ? "attachment" : name;
}

std::string WithTrailingBackslash(const std::string& Path)
{
    if (!Path.empty() && Path.back() == '/')
        return Path;
    return Path + "/";
}

namespace {

// The entries of a folder whose names begin with `prefix` (exactly: the search itself
// ignores case), as program paths.
std::vector<std::string> EntriesNamed(const std::string& folder, const std::string& prefix)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + prefix + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (std::string_view(entry.cFileName).starts_with(prefix))
            names.push_back(folder + entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

} // namespace

void ClearStaleMailFolders(const std::string& Base, std::chrono::seconds Age)
{
    const auto now = std::chrono::system_clock::now();
    for (const std::string& folder : EntriesNamed(WithTrailingBackslash(Base), "quillaran-mail-")) {
        WIN32_FIND_DATAA info;
        // Another user's folder, or a link planted in its place, is not ours to clear.
        if (!platform::GetEntryInfo(folder, info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !platform::OwnedByUser(folder))
            continue;
        const auto changed = std::chrono::system_clock::from_time_t(platform::UnixFromFileTime(info.ftLastWriteTime));
        if (now - changed <= Age)
            continue;
        // Only the attachment files this library makes there, then the folder.
        for (const std::string& file : EntriesNamed(folder + "/", "Mail"))
            DeleteFileA(file.c_str());
        RemoveDirectoryA(folder.c_str());
    }
}

void RemovePrivateTempFolder()
{
    std::lock_guard<std::mutex> guard(PrivateFolderLock);
    if (!PrivateFolder.empty() && RemoveDirectoryA(PrivateFolder.c_str()))
        PrivateFolder.clear();
}

int32_t SmallerInt(int32_t A, int32_t B) { return B < A ? B : A; }

void SleepFor(uint32_t Milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

uint32_t RotateLeft32(uint32_t Value, uint8_t Count)
{
    const unsigned n = Count & 31u;
    return n == 0 ? Value : (Value << n) | (Value >> (32 - n));
}

bool IsMainThread() { return std::this_thread::get_id() == MainThreadId; }

void RecordMainThread() { MainThreadId = std::this_thread::get_id(); }
