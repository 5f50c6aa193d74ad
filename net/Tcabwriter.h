#pragma once
// TCabWriter packs files into a cabinet file, or a set of cabinets when a
// size or file-count threshold is reached, through the cabinet library's
// compression interface. Every failure raises ECabinet.
#include "net/Ecabinet.h"
#include "platform/cab/Fci.h"
#include "platform/rtl/Tcomponent.h"

#include <cstdint>
#include <functional>
#include <string>

enum TCabCompressionType : uint8_t { cctNone = 0, cctMsZip = 1, cctLzx = 2 };
using TCabLzxLevel = int;  // LZX window exponent, 15 to 21

using TCabFilePlacedEvent = std::function<void(TObject* Sender, const CCAB& aCCab, const std::string& aFileName,
                                               int32_t aFileSize, bool aContinuation, bool& anAbort)>;
using TCabGetNextCabinetEvent = std::function<void(TObject* Sender, CCAB& aCCab, uint32_t aPrevCabSize, bool& anAbort)>;
using TCabFileStatusEvent = std::function<void(TObject* Sender, uint32_t aCompressedBlockSize,
                                               uint32_t anUncompressedBlockSize, bool& anAbort)>;
using TCabFolderStatusEvent = std::function<void(TObject* Sender, uint32_t aCopiedSize, uint32_t aTotalSize, bool& anAbort)>;
using TCabCabinetStatusEvent = std::function<void(TObject* Sender, uint32_t aPrevEstimatedSize, uint32_t anActualSize,
                                                  uint32_t& aDesiredSize, bool& anAbort)>;
using TCabProgressEvent = std::function<void(TObject* Sender, bool& anAbort)>;

class TCabWriter : public TComponent {
public:
    explicit TCabWriter(TComponent* AOwner);
    ~TCabWriter() override;

    // Starts a cabinet (closing an open one unflushed); further cabinets of
    // the set are named by the templates.
    void Open(const std::string& FileName);
    // Adds a file under Name (one leading '\' dropped); Execute marks it to run after extraction.
    void AddFile(const std::string& SrcFileName, const std::string& Name, bool Execute);
    void FlushCabinet(bool StartNext);
    void FlushFolder();
    // Finishes the cabinet (written only when Flush), and closes the writer.
    void Close(bool Flush);
    bool IsOpen() const { return FHandle != nullptr; }

    uint32_t CabinetSizeThreshold() const { return FCabinetSizeThreshold; }
    void SetCabinetSizeThreshold(uint32_t Value) { FCabinetSizeThreshold = Value; }
    uint32_t CabinetFileCountThreshold() const { return FCabinetFileCountThreshold; }
    void SetCabinetFileCountThreshold(uint32_t Value) { FCabinetFileCountThreshold = Value; }
    uint32_t FolderSizeThreshold() const { return FFolderSizeThreshold; }
    void SetFolderSizeThreshold(uint32_t Value) { FFolderSizeThreshold = Value; }
    uint32_t FolderFileCountThreshold() const { return FFolderFileCountThreshold; }
    void SetFolderFileCountThreshold(uint32_t Value) { FFolderFileCountThreshold = Value; }
    uint32_t ReservePerCabinetSize() const { return FReservePerCabinetSize; }
    void SetReservePerCabinetSize(uint32_t Value) { FReservePerCabinetSize = Value; }
    uint32_t ReservePerFolderSize() const { return FReservePerFolderSize; }
    void SetReservePerFolderSize(uint32_t Value) { FReservePerFolderSize = Value; }
    uint32_t ReservePerDataSize() const { return FReservePerDataSize; }
    void SetReservePerDataSize(uint32_t Value) { FReservePerDataSize = Value; }
    uint16_t SetID() const { return FSetID; }
    void SetSetID(uint16_t Value) { FSetID = Value; }
    const std::string& CabinetNameTemplate() const { return FCabinetNameTemplate; }
    void SetCabinetNameTemplate(const std::string& Value) { FCabinetNameTemplate = Value; }
    const std::string& CabinetPathTemplate() const { return FCabinetPathTemplate; }
    void SetCabinetPathTemplate(const std::string& Value) { FCabinetPathTemplate = Value; }
    const std::string& DiskLabelTemplate() const { return FDiskLabelTemplate; }
    void SetDiskLabelTemplate(const std::string& Value) { FDiskLabelTemplate = Value; }
    TCabCompressionType CompressionType() const { return FCompressionType; }
    void SetCompressionType(TCabCompressionType Value);
    TCabLzxLevel CompressionLzxLevel() const { return FCompressionLzxLevel; }
    void SetCompressionLzxLevel(TCabLzxLevel Value);
    // The compression code handed to the library (0 none, 1 MSZIP, level << 8 | 3 LZX, 15 unknown).
    TCOMP CompressionCode() const { return FCompressionCode; }

    TCabFilePlacedEvent OnFilePlaced;
    TCabGetNextCabinetEvent OnGetNextCabinet;
    TCabFileStatusEvent OnFileStatus;
    TCabFolderStatusEvent OnFolderStatus;
    TCabCabinetStatusEvent OnCabinetStatus;
    TCabProgressEvent OnProgress;

    // Names of the cabinet, its folder and its disk for number N, from the templates.
    std::string CabinetName(int N) const;
    std::string CabinetPath(int N) const;
    std::string DiskLabel(int N) const;

private:
    static int FilePlaced(PCCAB pccab, char* pszFile, long cbFile, BOOL fContinuation, void* pv);
    static BOOL GetNextCabinet(PCCAB pccab, ULONG cbPrevCab, void* pv);
    static long Status(UINT typeStatus, ULONG cb1, ULONG cb2, void* pv);
    void Check(BOOL Result);
    void PrepareCabinetFile(const CCAB& Cab);

    uint32_t FCabinetSizeThreshold = 0;
    uint32_t FCabinetFileCountThreshold = 0;
    uint32_t FFolderSizeThreshold = 0;
    uint32_t FFolderFileCountThreshold = 0;
    uint32_t FReservePerCabinetSize = 0;
    uint32_t FReservePerFolderSize = 0;
    uint32_t FReservePerDataSize = 0;
    uint16_t FSetID = 0;
    std::string FCabinetNameTemplate, FCabinetPathTemplate, FDiskLabelTemplate;
    TCabCompressionType FCompressionType = cctLzx;
    TCabLzxLevel FCompressionLzxLevel = 21;
    TCOMP FCompressionCode = 0;

    HFCI FHandle = nullptr;
    std::string FFileName;
    ERF FErf{};
    CCAB FCCab{};
    uint32_t FCabFileCount = 0;
    uint32_t FFolderFileCount = 0;
    int32_t FProgressCountdown = 0;
};
