#include "net/Netsystem.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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
    if (PrivateFolder.empty()) {
        std::string base = TempFolder.empty() ? SystemTempFolder() : TempFolder;
        std::string pattern = base + "quillaran-mail-XXXXXX";
        if (mkdtemp(pattern.data()))
            PrivateFolder = pattern + "/";
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
    return WithTrailingBackslash(dir && *dir ? dir : "/tmp");
}

std::string CreateTempFile(const std::string& Folder)
{
    const std::string dir = Folder.empty() ? PrivateTempFolder() : WithTrailingBackslash(Folder);
    if (dir.empty())
        return std::string();
    std::string pattern = dir + "MailXXXXXX";
    const int fd = mkstemp(pattern.data()); // mode 0600
    if (fd < 0)
        return std::string();
    close(fd);
    return pattern;
}

bool CopyFileNoOverwrite(const std::string& Source, const std::string& Dest)
{
    const int in = open(Source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    const int out = open(Dest.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) {
        close(in);
        return false;
    }
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = read(in, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            ok = false;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = write(out, buffer + done, static_cast<size_t>(n - done));
            if (w <= 0) {
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok)
            break;
    }
    close(in);
    if (close(out) != 0)
        ok = false;
    if (!ok)
        unlink(Dest.c_str());
    return ok;
}

std::string WithTrailingBackslash(const std::string& Path)
{
    if (!Path.empty() && Path.back() == '/')
        return Path;
    return Path + "/";
}

void RemovePrivateTempFolder()
{
    std::lock_guard<std::mutex> guard(PrivateFolderLock);
    if (!PrivateFolder.empty() && rmdir(PrivateFolder.c_str()) == 0)
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
