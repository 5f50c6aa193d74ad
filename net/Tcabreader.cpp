#include "net/Tcabreader.h"

#include "net/Cabfilecalls.h"
#include "platform/cab/Cabfiles.h"
#include "platform/cab/Cabmembername.h"
#include "platform/kernel/Codepage.h"
#include "platform/kernel/Datafolders.h"
#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Strutil.h"

#include <cstring>
#include <filesystem>
#include <set>

TCabReader::TCabReader(TComponent* AOwner)
    : TComponent(AOwner), FOpenNames(std::make_unique<TStringList>()), FOpenTargets(std::make_unique<TStringList>()) {
    FOptions.Clear();
}

TCabReader::~TCabReader() {
    if (FContext) FDIDestroy(FContext);
}

HFDI TCabReader::Context() {
    if (!FContext) {
        FErf = ERF{};
        FContext = FDICreate(cabcalls::Alloc, cabcalls::Free, cabcalls::FdiOpen, cabcalls::FdiRead, cabcalls::FdiWrite,
                             cabcalls::FdiClose, cabcalls::FdiSeek, cpuUNKNOWN, &FErf);
        if (!FContext) Check(FALSE);
    }
    return FContext;
}

void TCabReader::Check(BOOL Result) {
    if (Result) return;
    FErf.erfType = cabcalls::LastSystemError();
    throw ECabinet(FErf, false, FErf.erfOper == FDIERROR_UNSAFE_NAME ? FDIUnsafeName(FContext) : "");
}

void TCabReader::Refuse(int Code) {
    FErf = ERF{Code, 0, TRUE};
    throw ECabinet(FErf, false);
}

// Files that were being written when the extraction failed are incomplete.
void TCabReader::RemoveUnfinished() {
    for (int i = 0; i < FOpenTargets->Count(); ++i) {
        int err = 0;
        platform::CabFileDelete(FOpenTargets->Strings(i).c_str(), &err);
    }
    FOpenNames->Clear();
    FOpenTargets->Clear();
}

void TCabReader::Extract(const std::string& CabinetFileName, const std::string& DestFolder) {
    FFileName = cabcalls::ExpandName(CabinetFileName);
    FDestFolder = cabcalls::WithSlash(cabcalls::ExpandName(DestFolder));
    FOpenNames->Clear();
    FOpenTargets->Clear();
    FMadeFolders.clear();
    HFDI context = Context();
    FDISetOutputLimit(context, FOutputLimit ? FOutputLimit : ~uint64_t(0));
    FDISetOutputObserver(context, OnOutput);

    // Each cabinet is read once: a set that names an earlier cabinet again is refused.
    std::set<std::string> seen;
    for (std::string current = FFileName; !current.empty();) {
        std::error_code ec;
        std::string identity = std::filesystem::weakly_canonical(platform::SystemPath(current), ec).string();
        if (!seen.insert(ec ? current : identity).second) Refuse(FDIERROR_WRONG_CABINET);

        FNextCabinet.clear();
        FNextDisk.clear();
        FSettledNextCabinet.clear();
        FNextCabinetNotified = false;
        FCurrentCabinet = current;
        std::string name = ExtractFileName(current), path = ExtractFilePath(current);
        FErf = ERF{};
        cabcalls::ResetLastSystemError();
        BOOL ok = FDICopy(context, name.data(), path.data(), 0, Notify, nullptr, this);
        if (!ok) RemoveUnfinished();
        Check(ok);
        std::string next = FNextCabinetNotified ? FSettledNextCabinet : FNextCabinet;
        if (!next.empty() && !std::filesystem::exists(platform::SystemPath(next), ec)) next.clear();
        current = next;
    }
}

// Each folder is made once per extraction, not once per file.
void TCabReader::MakeFolderOnce(const std::string& Folder) {
    if (FMadeFolders.insert(Folder).second) platform::MakeFolders(platform::SystemPath(Folder));
}

INT_PTR TCabReader::Notify(FDINOTIFICATIONTYPE fdint, PFDINOTIFICATION pfdin) {
    auto* self = static_cast<TCabReader*>(pfdin->pv);
    cabcalls::ResetLastSystemError();
    switch (fdint) {
        case fdintCABINET_INFO: return self->CabinetInfo(*pfdin);
        case fdintPARTIAL_FILE: return self->PartialFile(*pfdin);
        case fdintCOPY_FILE: return self->CopyFile(*pfdin);
        case fdintCLOSE_FILE_INFO: return self->CloseFile(*pfdin);
        case fdintNEXT_CABINET: return self->NextCabinet(*pfdin);
        default: {
            INT_PTR result = 0;
            if (self->OnUnrecognizedNotify) self->OnUnrecognizedNotify(self, fdint, *pfdin, result);
            return result;
        }
    }
}

INT_PTR TCabReader::CabinetInfo(FDINOTIFICATION& N) {
    if (FNextCabinetNotified && !FSettledNextCabinet.empty()) FCurrentCabinet = FSettledNextCabinet;
    std::string next = N.psz1 ? N.psz1 : "", disk = N.psz2 ? N.psz2 : "", path = N.psz3 ? N.psz3 : "";
    FNextCabinet = next.empty() ? std::string() : cabcalls::JoinPath(path, next);
    FNextDisk = disk;
    bool abort = false;
    if (OnCabinetInfo) OnCabinetInfo(this, next, disk, path, N.setID, N.iCabinet, abort);
    return abort ? -1 : 0;
}

INT_PTR TCabReader::PartialFile(FDINOTIFICATION& N) {
    std::string name = N.psz1;
    int index = FOpenNames->IndexOf(name);
    std::string target = index >= 0 ? FOpenTargets->Strings(index) : std::string();
    bool abort = false;
    if (OnCopyPartialFile) OnCopyPartialFile(this, name, N.psz2 ? N.psz2 : "", N.psz3 ? N.psz3 : "", target, abort);
    return abort ? -1 : 0;
}

INT_PTR TCabReader::CopyFile(FDINOTIFICATION& N) {
    std::string name = N.psz1;
    std::string relative = platform::CabMemberPath(name);
    if (N.attribs & CAB_A_NAME_IS_UTF) relative = platform::Utf8ToAnsi(relative);
    std::string target = FDestFolder + relative;
    bool abort = false;
    if (OnCopyFile) OnCopyFile(this, name, static_cast<int32_t>(N.cb), N.date, N.time, N.attribs, N.iFolder, target, abort);
    if (abort) return -1;
    if (target.empty()) return 0;
    if (platform::CabFileIsReadOnly(target)) {
        if (FOptions.Contains(croDontOverwriteReadOnlyFiles)) return 0;
        platform::CabMakeWritable(target);
    }
    int err = 0;
    INT_PTR hf;
    if (target.compare(0, FDestFolder.size(), FDestFolder) == 0) {
        // Below the destination every folder on the way is made and checked, no link followed.
        MakeFolderOnce(FDestFolder);
        hf = platform::CabCreateTarget(FDestFolder, target.substr(FDestFolder.size()), &err);
    } else {
        MakeFolderOnce(ExtractFileDir(target));
        hf = platform::CabFileOpen(target.c_str(), CAB_O_BINARY | CAB_O_CREAT | CAB_O_TRUNC | CAB_O_SEQUENTIAL | CAB_O_WRONLY,
                                   CAB_S_IREAD | CAB_S_IWRITE, &err);
    }
    if (hf == -1) {
        cabcalls::RecordSystemError(err);
        return -1;
    }
    FOpenNames->Add(name);
    FOpenTargets->Add(target);
    return hf;
}

INT_PTR TCabReader::CloseFile(FDINOTIFICATION& N) {
    std::string name = N.psz1;
    USHORT attribs = N.attribs & (CAB_A_RDONLY | CAB_A_HIDDEN | CAB_A_SYSTEM | CAB_A_ARCH);
    int err = 0;
    platform::CabSetFileDosInfo(N.hf, N.date, N.time, attribs, &err);
    platform::CabFileClose(N.hf, &err);
    std::string target;
    int index = FOpenNames->IndexOf(name);
    if (index >= 0) {
        target = FOpenTargets->Strings(index);
        FOpenNames->Delete(index);
        FOpenTargets->Delete(index);
    }
    bool execute = N.cb != 0, abort = false;
    if (OnCloseFile) OnCloseFile(this, name, N.date, N.time, attribs, N.iFolder, execute, target, abort);
    // Files that arrive in cabinets are never started, whatever the options say.
    return abort ? -1 : TRUE;
}

INT_PTR TCabReader::NextCabinet(FDINOTIFICATION& N) {
    INT_PTR result;
    if (OnNextCabinet) {
        std::string path = N.psz3;
        bool abort = false;
        OnNextCabinet(this, N.psz1 ? N.psz1 : "", N.psz2 ? N.psz2 : "", path, N.fdie, abort);
        path = cabcalls::WithSlash(path);
        if (!abort && path.size() < CB_MAX_CAB_PATH) std::memcpy(N.psz3, path.c_str(), path.size() + 1);
        result = abort || path.size() >= CB_MAX_CAB_PATH ? -1 : 0;
    } else {
        result = N.fdie != FDIERROR_NONE ? -1 : 0;
    }
    FSettledNextCabinet = cabcalls::JoinPath(N.psz3, N.psz1 ? N.psz1 : "");
    FNextCabinetNotified = true;
    return result;
}
