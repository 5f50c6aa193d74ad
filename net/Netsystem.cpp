#include "net/Netsystem.h"

#include "platform/kernel/Fileapi.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
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
    if (!PrivateFolder.empty() && ::access(platform::SystemPath(PrivateFolder).c_str(), F_OK) != 0)
        PrivateFolder.clear();
    if (PrivateFolder.empty()) {
        std::string base = TempFolder.empty() ? SystemTempFolder() : TempFolder;
        static const bool cleared = (ClearStaleMailFolders(base, StaleMailFolderAge), true);
        (void)cleared;
        std::string pattern = platform::SystemPath(base) + "quillaran-mail-XXXXXX";
        if (mkdtemp(pattern.data())) { // mode 0700
            PrivateFolder = platform::ProgramPath(pattern) + "/";
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
    const char* dir = std::getenv("TMPDIR");
    return WithTrailingBackslash(dir && *dir ? platform::ProgramPath(dir) : std::string("/tmp"));
}

std::string CreateTempFile(const std::string& Folder)
{
    const std::string dir = Folder.empty() ? PrivateTempFolder() : WithTrailingBackslash(Folder);
    if (dir.empty())
        return std::string();
    std::string pattern = platform::SystemPath(dir) + "MailXXXXXX";
    const int fd = mkstemp(pattern.data()); // mode 0600
    if (fd < 0)
        return std::string();
    close(fd);
    return platform::ProgramPath(pattern);
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

void ClearStaleMailFolders(const std::string& Base, std::chrono::seconds Age)
{
    const std::string base = platform::SystemPath(WithTrailingBackslash(Base));
    DIR* dir = ::opendir(base.c_str());
    if (!dir)
        return;
    const auto now = std::chrono::system_clock::now();
    std::vector<std::string> stale;
    while (dirent* e = ::readdir(dir)) {
        if (std::strncmp(e->d_name, "quillaran-mail-", 15) != 0)
            continue;
        struct stat st;
        const std::string path = base + e->d_name;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
            continue;
        if (now - std::chrono::system_clock::from_time_t(st.st_mtime) > Age)
            stale.push_back(path);
    }
    ::closedir(dir);
    // Only the attachment files this library makes there, then the folder.
    for (const std::string& folder : stale) {
        if (DIR* d = ::opendir(folder.c_str())) {
            while (dirent* e = ::readdir(d))
                if (std::strncmp(e->d_name, "Mail", 4) == 0)
                    ::unlink((folder + "/" + e->d_name).c_str());
            ::closedir(d);
        }
        ::rmdir(folder.c_str());
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
