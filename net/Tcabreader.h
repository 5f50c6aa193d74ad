#pragma once
// TCabReader unpacks every file of a cabinet, and of the cabinets that follow
// it in its set, into a folder through the cabinet library's decompression
// interface. Cabinets come from other participants: member names that could
// leave the folder, inconsistent structures, loops of next cabinets and
// output beyond OutputLimit are refused; every failure raises ECabinet, and a
// file left incomplete by a failure is removed.
#include "net/Ecabinet.h"
#include "platform/cab/Fdi.h"
#include "platform/rtl/Tcomponent.h"
#include "platform/rtl/Tset.h"
#include "platform/rtl/Tstringlist.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

enum TCabReaderOption { croExecuteOnExtract, croDontOverwriteReadOnlyFiles };
using TCabReaderOptions = TSet<TCabReaderOption>;

using TCabCabinetInfoEvent =
    std::function<void(TObject* Sender, const std::string& aNextCabName, const std::string& aNextDiskName,
                       const std::string& aCabPath, uint16_t aSetID, uint16_t aCabNo, bool& anAbort)>;
using TCabCopyFileEvent =
    std::function<void(TObject* Sender, const std::string& aSrcFileName, int32_t anUncompressedSize, uint16_t aDate,
                       uint16_t aTime, uint16_t anAttrs, uint16_t aFolderNo, std::string& aDstFullFileName,
                       bool& anAbort)>;
using TCabCopyPartialFileEvent =
    std::function<void(TObject* Sender, const std::string& aSrcFileName, const std::string& aStartCabName,
                       const std::string& aStartDiskName, const std::string& aDstFullFileName, bool& anAbort)>;
using TCabCloseFileEvent =
    std::function<void(TObject* Sender, const std::string& aSrcFileName, uint16_t aDate, uint16_t aTime,
                       uint16_t anAttrs, uint16_t aFolderNo, bool& anExec, const std::string& aDstFullFileName,
                       bool& anAbort)>;
using TCabNextCabinetEvent =
    std::function<void(TObject* Sender, const std::string& aCabName, const std::string& aDiskName,
                       std::string& aCabPath, FDIERROR anError, bool& anAbort)>;
using TCabUnrecognizedNotifyEvent =
    std::function<void(TObject* Sender, FDINOTIFICATIONTYPE aNotifyType, FDINOTIFICATION& aNotify, INT_PTR& aResult)>;

class TCabReader : public TComponent {
public:
    explicit TCabReader(TComponent* AOwner);
    ~TCabReader() override;

    // Unpacks the cabinet (and the rest of its set) into DestFolder,
    // creating the folders of the stored names below it.
    void Extract(const std::string& CabinetFileName, const std::string& DestFolder);

    TCabReaderOptions Options() const { return FOptions; }
    void SetOptions(TCabReaderOptions Value) { FOptions = Value; }
    // Most bytes one cabinet may unpack to; a larger one is refused (1 GiB by default).
    uint64_t OutputLimit() const { return FOutputLimit; }
    void SetOutputLimit(uint64_t Value) { FOutputLimit = Value; }

    TCabCabinetInfoEvent OnCabinetInfo;
    // Sees each decompressed piece before it is written; false refuses the cabinet there.
    std::function<bool(const uint8_t* Data, size_t Size)> OnOutput;
    TCabCopyFileEvent OnCopyFile;
    TCabCopyPartialFileEvent OnCopyPartialFile;
    TCabCloseFileEvent OnCloseFile;
    TCabNextCabinetEvent OnNextCabinet;
    TCabUnrecognizedNotifyEvent OnUnrecognizedNotify;

private:
    static INT_PTR Notify(FDINOTIFICATIONTYPE fdint, PFDINOTIFICATION pfdin);
    INT_PTR CabinetInfo(FDINOTIFICATION& N);
    INT_PTR PartialFile(FDINOTIFICATION& N);
    INT_PTR CopyFile(FDINOTIFICATION& N);
    INT_PTR CloseFile(FDINOTIFICATION& N);
    INT_PTR NextCabinet(FDINOTIFICATION& N);
    HFDI Context();
    void Check(BOOL Result);
    void Refuse(int Code);
    void RemoveUnfinished();
    void MakeFolderOnce(const std::string& Folder);

    TCabReaderOptions FOptions;
    uint64_t FOutputLimit = uint64_t(1) << 30;
    HFDI FContext = nullptr;
    std::string FFileName;
    std::string FDestFolder;
    std::string FNextCabinet, FNextDisk;
    std::string FCurrentCabinet;
    std::string FSettledNextCabinet;
    bool FNextCabinetNotified = false;
    ERF FErf{};
    std::unique_ptr<TStringList> FOpenNames;    // names inside the cabinet of the files being written
    std::unique_ptr<TStringList> FOpenTargets;  // their target paths, at the same indices
    std::set<std::string> FMadeFolders;         // folders made during this extraction
};
