#include "net/Tcabwriter.h"

#include "net/Cabfilecalls.h"
#include "platform/cab/Cabfiles.h"
#include "platform/cab/Cabmembername.h"
#include "platform/kernel/Datafolders.h"
#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Strutil.h"

#include <cerrno>
#include <cstring>

namespace {

std::string ReplaceStars(const std::string& Template, int N) {
    std::string out;
    for (char c : Template) {
        if (c == '*')
            out += std::to_string(N);
        else
            out += c;
    }
    return out;
}

// Copies a name into one of the record's fixed buffers; false when it does not fit.
template <std::size_t N>
bool Store(char (&Buffer)[N], const std::string& Text)
{
    if (Text.size() >= sizeof Buffer) return false;
    std::memcpy(Buffer, Text.c_str(), Text.size() + 1);
    return true;
}

}  // namespace

TCabWriter::TCabWriter(TComponent* AOwner) : TComponent(AOwner) {
    FCompressionType = cctLzx;
    FCompressionLzxLevel = 21;
    SetCompressionType(cctLzx);
}

TCabWriter::~TCabWriter() {
    try {
        Close(false);
    } catch (...) {
        // A destructor never throws; the context is gone either way.
    }
    if (FHandle) FCIDestroy(FHandle);
}

void TCabWriter::SetCompressionType(TCabCompressionType Value) {
    FCompressionType = Value;
    switch (FCompressionType) {
        case cctNone: FCompressionCode = tcompTYPE_NONE; break;
        case cctMsZip: FCompressionCode = tcompTYPE_MSZIP; break;
        case cctLzx:
            FCompressionCode = TCOMPfromLZXWindow(FCompressionLzxLevel);
            break;
        default: FCompressionCode = tcompBAD; break;
    }
}

void TCabWriter::SetCompressionLzxLevel(TCabLzxLevel Value) {
    FCompressionLzxLevel = Value;
    SetCompressionType(FCompressionType);
}

std::string TCabWriter::CabinetName(int N) const {
    std::string name = FCabinetNameTemplate;
    if (name.empty()) {
        name = ExtractFileName(FFileName);
        size_t dot = name.rfind('.');
        name.insert(dot == std::string::npos ? name.size() : dot, "*");
    }
    return ReplaceStars(name, N);
}

std::string TCabWriter::CabinetPath(int N) const {
    std::string path = FCabinetPathTemplate.empty() ? ExtractFilePath(FFileName) : FCabinetPathTemplate;
    return cabcalls::WithSlash(ReplaceStars(path, N));
}

std::string TCabWriter::DiskLabel(int N) const {
    return ReplaceStars(FDiskLabelTemplate.empty() ? std::string("Disk*") : FDiskLabelTemplate, N);
}

void TCabWriter::Check(BOOL Result) {
    if (!Result) throw ECabinet(FErf, true);
}

// Makes the cabinet's folder and removes an older file of the cabinet's name.
void TCabWriter::PrepareCabinetFile(const CCAB& Cab) {
    platform::MakeFolders(platform::SystemPath(Cab.szCabPath));
    std::string full = cabcalls::JoinPath(Cab.szCabPath, Cab.szCab);
    int err = 0;
    platform::CabFileDelete(full.c_str(), &err);
}

void TCabWriter::Open(const std::string& FileName) {
    Close(false);
    FFileName = cabcalls::ExpandName(FileName);
    FErf = ERF{};
    FCCab = CCAB{};
    FCCab.cb = FCabinetSizeThreshold ? FCabinetSizeThreshold : 0x7FFFFFFF;
    FCCab.cbFolderThresh = FFolderSizeThreshold ? FFolderSizeThreshold : 0x7FFFFFFF;
    FCCab.cbReserveCFHeader = FReservePerCabinetSize;
    FCCab.cbReserveCFFolder = FReservePerFolderSize;
    FCCab.cbReserveCFData = FReservePerDataSize;
    FCCab.iDisk = 1;
    FCCab.setID = FSetID;
    if (!Store(FCCab.szDisk, DiskLabel(FCCab.iDisk)) || !Store(FCCab.szCab, ExtractFileName(FFileName)) ||
        !Store(FCCab.szCabPath, ExtractFilePath(FFileName))) {
        FErf = ERF{FCIERR_CAB_FILE, static_cast<int>(ERROR_FILENAME_EXCED_RANGE), TRUE};
        throw ECabinet(FErf, true);
    }
    if (OnGetNextCabinet) {
        bool abort = false;
        OnGetNextCabinet(this, FCCab, 0, abort);
        if (abort) return;
    }
    std::string folder = cabcalls::WithSlash(FCCab.szCabPath);
    if (!Store(FCCab.szCabPath, folder)) {
        FErf = ERF{FCIERR_CAB_FILE, static_cast<int>(ERROR_FILENAME_EXCED_RANGE), TRUE};
        throw ECabinet(FErf, true);
    }
    PrepareCabinetFile(FCCab);
    FCabFileCount = FFolderFileCount = 0;
    FProgressCountdown = 0;
    FHandle = FCICreate(&FErf, FilePlaced, cabcalls::Alloc, cabcalls::Free, cabcalls::FciOpen, cabcalls::FciRead,
                        cabcalls::FciWrite, cabcalls::FciClose, cabcalls::FciSeek, cabcalls::FciDelete,
                        cabcalls::FciTempFile, &FCCab, this);
    if (!FHandle) throw ECabinet(FErf, true);
}

void TCabWriter::AddFile(const std::string& SrcFileName, const std::string& Name, bool Execute) {
    if (!FHandle) throw ECabinet(ERF{}, true);
    if (FCabinetFileCountThreshold != 0 && FCabFileCount >= FCabinetFileCountThreshold)
        FlushCabinet(true);
    else if (FFolderFileCountThreshold != 0 && FFolderFileCount >= FFolderFileCountThreshold)
        FlushFolder();
    // Inside a cabinet '\' separates folders.
    std::string stored = Name;
    for (char& c : stored)
        if (c == '/') c = '\\';
    if (!stored.empty() && stored.front() == '\\') stored.erase(0, 1);
    // The library sees the name only up to a zero byte; the whole name is judged here.
    if (!platform::CabMemberNameIsSafe(stored)) {
        FErf = ERF{FCIERR_UNSAFE_NAME, 0, TRUE};
        throw ECabinet(FErf, true, stored);
    }
    Check(FCIAddFile(FHandle, const_cast<char*>(SrcFileName.c_str()), stored.data(), Execute ? TRUE : FALSE,
                     GetNextCabinet, Status, cabcalls::FciOpenInfo, FCompressionCode));
    ++FCabFileCount;
    ++FFolderFileCount;
}

void TCabWriter::FlushCabinet(bool StartNext) {
    if (!FHandle) throw ECabinet(ERF{}, true);
    Check(FCIFlushCabinet(FHandle, StartNext ? TRUE : FALSE, GetNextCabinet, Status));
    FCabFileCount = FFolderFileCount = 0;
}

void TCabWriter::FlushFolder() {
    if (!FHandle) throw ECabinet(ERF{}, true);
    Check(FCIFlushFolder(FHandle, GetNextCabinet, Status));
    FFolderFileCount = 0;
}

void TCabWriter::Close(bool Flush) {
    if (!FHandle) return;
    if (Flush) FlushCabinet(false);
    BOOL ok = FCIDestroy(FHandle);
    FHandle = nullptr;
    Check(ok);
}

int TCabWriter::FilePlaced(PCCAB pccab, char* pszFile, long cbFile, BOOL fContinuation, void* pv) {
    auto* self = static_cast<TCabWriter*>(pv);
    bool abort = false;
    if (self->OnFilePlaced)
        self->OnFilePlaced(self, *pccab, pszFile, static_cast<int32_t>(cbFile), fContinuation != FALSE, abort);
    return abort ? -1 : 0;
}

BOOL TCabWriter::GetNextCabinet(PCCAB pccab, ULONG cbPrevCab, void* pv) {
    auto* self = static_cast<TCabWriter*>(pv);
    pccab->iDisk++;
    if (!Store(pccab->szDisk, self->DiskLabel(pccab->iDisk)) || !Store(pccab->szCab, self->CabinetName(pccab->iCab)) ||
        !Store(pccab->szCabPath, self->CabinetPath(pccab->iDisk)))
        return FALSE;
    bool abort = false;
    if (self->OnGetNextCabinet) self->OnGetNextCabinet(self, *pccab, cbPrevCab, abort);
    if (abort) return FALSE;
    self->PrepareCabinetFile(*pccab);
    self->FCabFileCount = self->FFolderFileCount = 0;
    return TRUE;
}

long TCabWriter::Status(UINT typeStatus, ULONG cb1, ULONG cb2, void* pv) {
    auto* self = static_cast<TCabWriter*>(pv);
    bool abort = false;
    switch (typeStatus) {
        case statusFile:
            if (self->OnFileStatus) self->OnFileStatus(self, cb1, cb2, abort);
            if (self->FProgressCountdown < 0 && self->OnProgress && !abort) {
                self->OnProgress(self, abort);
                self->FProgressCountdown = 8;
            }
            --self->FProgressCountdown;
            return abort ? -1 : 0;
        case statusFolder:
            if (self->OnFolderStatus) self->OnFolderStatus(self, cb1, cb2, abort);
            self->FFolderFileCount = 0;
            return abort ? -1 : 0;
        case statusCabinet: {
            uint32_t desired = 0;
            if (self->OnCabinetStatus) self->OnCabinetStatus(self, cb1, cb2, desired, abort);
            self->FCabFileCount = self->FFolderFileCount = 0;
            return abort ? -1 : static_cast<long>(desired);
        }
        default: return 0;
    }
}
