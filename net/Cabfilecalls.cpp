#include "net/Cabfilecalls.h"

#include "platform/cab/Cabfiles.h"
#include "platform/kernel/Fileapi.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace cabcalls {
namespace {

std::atomic<int> gLastSystemError{0};

int SystemCode(int errnoValue) { return static_cast<int>(platform::ErrorFromErrno(errnoValue)); }

template <typename T>
T Recorded(T result, int e) {
    if (e) RecordSystemError(e);
    return result;
}

}  // namespace

void* Alloc(ULONG cb) { return std::malloc(cb); }
void Free(void* memory) { std::free(memory); }

INT_PTR FciOpen(char* pszFile, int oflag, int pmode, int* err, void*) {
    INT_PTR hf = platform::CabFileOpen(pszFile, oflag, pmode, err);
    if (hf == -1) *err = SystemCode(*err);
    return hf;
}

UINT FciRead(INT_PTR hf, void* memory, UINT cb, int* err, void*) {
    UINT n = platform::CabFileRead(hf, memory, cb, err);
    if (n == static_cast<UINT>(-1)) *err = SystemCode(*err);
    return n;
}

UINT FciWrite(INT_PTR hf, void* memory, UINT cb, int* err, void*) {
    UINT n = platform::CabFileWrite(hf, memory, cb, err);
    if (n == static_cast<UINT>(-1)) *err = SystemCode(*err);
    return n;
}

int FciClose(INT_PTR hf, int* err, void*) {
    int r = platform::CabFileClose(hf, err);
    if (r != 0) *err = SystemCode(*err);
    return r;
}

long FciSeek(INT_PTR hf, long dist, int seektype, int* err, void*) {
    long r = platform::CabFileSeek(hf, dist, seektype, err);
    if (r < 0) *err = SystemCode(*err);
    return r;
}

int FciDelete(char* pszFile, int* err, void*) {
    int r = platform::CabFileDelete(pszFile, err);
    if (r != 0) *err = SystemCode(*err);
    return r;
}

BOOL FciTempFile(char* pszTempName, int cbTempName, void*) {
    return platform::CabTempFileName(pszTempName, cbTempName) ? TRUE : FALSE;
}

INT_PTR FciOpenInfo(char* pszName, USHORT* pdate, USHORT* ptime, USHORT* pattribs, int* err, void* pv) {
    INT_PTR hf = FciOpen(pszName, CAB_O_RDONLY | CAB_O_BINARY | CAB_O_SEQUENTIAL, 0, err, pv);
    if (hf == -1) return -1;
    if (!platform::CabFileDosInfo(hf, pdate, ptime, pattribs, err)) {
        *err = SystemCode(*err);
        int ignored = 0;
        platform::CabFileClose(hf, &ignored);
        return -1;
    }
    *pattribs &= CAB_A_RDONLY | CAB_A_HIDDEN | CAB_A_SYSTEM | CAB_A_ARCH;
    return hf;
}

INT_PTR FdiOpen(char* pszFile, int oflag, int pmode) {
    int e = 0;
    INT_PTR hf = platform::CabFileOpen(pszFile, oflag, pmode, &e);
    return hf == -1 ? Recorded<INT_PTR>(-1, e) : hf;
}

UINT FdiRead(INT_PTR hf, void* memory, UINT cb) {
    int e = 0;
    UINT n = platform::CabFileRead(hf, memory, cb, &e);
    return n == static_cast<UINT>(-1) ? Recorded(n, e) : n;
}

UINT FdiWrite(INT_PTR hf, void* memory, UINT cb) {
    int e = 0;
    UINT n = platform::CabFileWrite(hf, memory, cb, &e);
    return n == static_cast<UINT>(-1) ? Recorded(n, e) : n;
}

int FdiClose(INT_PTR hf) {
    int e = 0;
    int r = platform::CabFileClose(hf, &e);
    return r != 0 ? Recorded(r, e) : r;
}

long FdiSeek(INT_PTR hf, long dist, int seektype) {
    int e = 0;
    long r = platform::CabFileSeek(hf, dist, seektype, &e);
    return r < 0 ? Recorded(r, e) : r;
}

int LastSystemError() { return gLastSystemError.load(); }
void ResetLastSystemError() { gLastSystemError = 0; }
void RecordSystemError(int errnoValue) {
    if (errnoValue) gLastSystemError = SystemCode(errnoValue);
}

std::string JoinPath(const std::string& A, const std::string& B) {
    if (A.empty()) return B;
    if (B.empty()) return A;
    bool left = A.back() == '/', right = B.front() == '/';
    if (left && right) return A + B.substr(1);
    if (!left && !right) return A + "/" + B;
    return A + B;
}

std::string WithSlash(const std::string& Path) {
    return Path.empty() || Path.back() == '/' ? Path : Path + "/";
}

std::string ExpandName(const std::string& FileName) {
    std::string path = FileName;
    if (path.empty() || path.front() != '/') {
        std::error_code ec;
        std::string cwd = platform::ProgramPath(std::filesystem::current_path(ec).string());
        path = JoinPath(cwd, path);
    }
    return platform::ProgramPath(std::filesystem::path(platform::SystemPath(path)).lexically_normal().string());
}

}  // namespace cabcalls
