#include "net/Netsystem.h"

#include "platform/kernel/Codepage.h"
#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Filemode.h"
#include "platform/kernel/Findfile.h"
#include "platform/kernel/Tempfiles.h"

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string_view>
#include <thread>
#include <vector>

std::string TempFolder;

namespace {

std::thread::id MainThreadId = std::this_thread::get_id();
std::mutex PrivateFolderLock;
std::string PrivateFolder;

std::string BaseFolder() { return TempFolder.empty() ? SystemTempFolder() : TempFolder; }

// The folders that processes no longer running left are looked for once in a process's
// life (in each temporary folder it is given), before it makes its own.
void ClearStaleMailFoldersOnce(const std::string& Base)
{
    static std::set<std::string> cleared;
    if (cleared.insert(Base).second)
        ClearStaleMailFolders(Base, StaleMailFolderAge);
}

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

const char* const MailFolderPrefix = "quillaran-mail-";

const std::string& PrivateTempFolder()
{
    std::lock_guard<std::mutex> guard(PrivateFolderLock);
    // Made again when it went (removed by hand), and by a forked child for itself.
    if (!PrivateFolder.empty() &&
        (GetFileAttributesA(PrivateFolder.c_str()) == INVALID_FILE_ATTRIBUTES ||
         !platform::IsOwnProcessFolder(PrivateFolder.substr(0, PrivateFolder.size() - 1),
                                       BaseFolder() + MailFolderPrefix)))
        PrivateFolder.clear();
    if (PrivateFolder.empty()) {
        const std::string base = BaseFolder();
        ClearStaleMailFoldersOnce(base);
        const std::string folder = platform::MakeProcessFolder(base + MailFolderPrefix);
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
    name = FitFileName(name, MaxSafeNameBytes);
    return name.empty() ? "attachment" : name;
}

std::string FitFileName(const std::string& Name, size_t Bytes)
{
    if (platform::Utf8Prefix(Name, Bytes).size() == Name.size())
        return Name;
    // Keep the extension, which tells what the file is (a post part's number and count).
    const size_t dot = Name.rfind('.');
    std::string ext = dot != std::string::npos && dot > 0 && Name.size() - dot <= 16 ? Name.substr(dot) : "";
    size_t extBytes = platform::AnsiToUtf8(ext).size();
    if (extBytes >= Bytes)
        ext.clear(), extBytes = 0;
    return std::string(platform::Utf8Prefix(Name.substr(0, Name.size() - ext.size()), Bytes - extBytes)) + ext;
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

namespace {

// Only the attachment files this library makes there, then the folder; false when the
// folder stays.
bool RemoveMailFolder(const std::string& Folder)
{
    for (const std::string& file : EntriesNamed(WithTrailingBackslash(Folder), "Mail"))
        DeleteFileA(file.c_str());
    return RemoveDirectoryA(Folder.c_str()) != 0;
}

} // namespace

void ClearStaleMailFolders(const std::string& Base, std::chrono::seconds Age)
{
    const std::string base = WithTrailingBackslash(Base);
    const auto now = std::chrono::system_clock::now();
    // A process that died while it made its folder left it under its hidden name.
    for (const std::string& folder : EntriesNamed(base, std::string(".") + MailFolderPrefix))
        if (platform::IsLeftProcessFolder(folder, base + MailFolderPrefix))
            RemoveMailFolder(folder);
    for (const std::string& folder : EntriesNamed(base, MailFolderPrefix)) {
        // A folder named for its process goes as soon as that process is gone.
        if (platform::IsLeftProcessFolder(folder, base + MailFolderPrefix)) {
            RemoveMailFolder(folder);
            continue;
        }
        WIN32_FIND_DATAA info;
        // Another user's folder, or a link planted in its place, is not ours to clear;
        // neither is a folder of a running process.
        if (!platform::GetEntryInfo(folder, info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !platform::OwnedByUser(folder) ||
            platform::IsProcessFolder(folder, base + MailFolderPrefix))
            continue;
        // One of an older name, which tells no process: gone when empty (a process still
        // using it makes it again), else by its age.
        const auto changed = std::chrono::system_clock::from_time_t(platform::UnixFromFileTime(info.ftLastWriteTime));
        if (now - changed > Age)
            RemoveMailFolder(folder);
        else
            RemoveDirectoryA(folder.c_str());
    }
}

bool MakePrivateTempFolder() { return !PrivateTempFolder().empty(); }

void RemovePrivateTempFolder()
{
    std::lock_guard<std::mutex> guard(PrivateFolderLock);
    // A forked child leaves its parent's folder alone.
    if (!PrivateFolder.empty() &&
        platform::IsOwnProcessFolder(PrivateFolder.substr(0, PrivateFolder.size() - 1),
                                     BaseFolder() + MailFolderPrefix) &&
        RemoveMailFolder(PrivateFolder.substr(0, PrivateFolder.size() - 1))) {
        PrivateFolder.clear();
        platform::LetGoOfRemovedProcessFolders();
    }
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
