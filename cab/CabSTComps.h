#pragma once
// TSTCabReader: a non-visual component that unpacks a cabinet, and the
// cabinets that continue it, into a directory through the system library.
#include <windows.h>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cab/CabCallbacks.h"
#include "cab/CabErrors.h"
#include "cab/CabFiles.h"
#include "cab/CabIntf.h"
#include "cab/CabTempNames.h"
#include "core/Component.h"
#include "core/ExceptionSlot.h"

class TSTCabReader;

enum TSTCabReaderOption : uint8_t { croExecuteOnExtract = 0, croDontOverwriteReadOnlyFiles = 1 };
// A set of TSTCabReaderOption: bit n is the option of value n.
using TSTCabReaderOptions = uint8_t;
constexpr TSTCabReaderOptions CabReaderOption(TSTCabReaderOption anOption)
{
    return static_cast<TSTCabReaderOptions>(1u << anOption);
}

// Flags of Extract: cefSingleCabinet reads the given cabinet only.
using TSTCabExtractFlags = uint8_t;
constexpr TSTCabExtractFlags cefSingleCabinet = 0x01;

using TSTCabReaderCabinetInfoEvent =
    std::function<void(TSTCabReader* Sender, const std::string& aNextCabName, const std::string& aNextDiskName,
                       const std::string& aCabPath, uint16_t aSetID, uint16_t aCabNo, bool& anAbort)>;
using TSTCabReaderCopyFileEvent = std::function<void(
    TSTCabReader* Sender, const std::string& aSrcFileName, int32_t anUncompressedSize, uint16_t aDate, uint16_t aTime,
    uint16_t anAttrs, uint16_t aFolderNo, std::string& aDstFullFileName, bool& anAbort)>;
using TSTCabReaderCopyPartialFileEvent =
    std::function<void(TSTCabReader* Sender, const std::string& aSrcFileName, const std::string& aStartCabName,
                       const std::string& aStartDiskName, const std::string& aDstFullFileName, bool& anAbort)>;
using TSTCabReaderCloseFileEvent = std::function<void(
    TSTCabReader* Sender, const std::string& aSrcFileName, uint16_t aDate, uint16_t aTime, uint16_t anAttrs,
    uint16_t aFolderNo, bool& anExec, const std::string& aDstFullFileName, bool& anAbort)>;
using TSTCabReaderNextCabinetEvent =
    std::function<void(TSTCabReader* Sender, const std::string& aCabName, const std::string& aDiskName,
                       std::string& aCabPath, TFDIERROR anError, bool& anAbort)>;
using TSTCabReaderUnrecognizedNotifyEvent = std::function<void(TSTCabReader* Sender, TFDINOTIFICATIONTYPE aNotifyType,
                                                               TFDINOTIFICATION& aNotify, int32_t& aResult)>;
// Bytes written so far of the total the check before writing found. Called on
// the thread that runs Extract: once with aDone 0 before the first file, and as
// data is written (at least at every notification). An exception the handler
// raises stops the run like any failure: the file being written is discarded.
using TSTCabReaderProgressEvent = std::function<void(TSTCabReader* Sender, uint64_t aDone, uint64_t aTotal)>;

class TSTCabReader : public TComponent {
public:
    explicit TSTCabReader(TComponent* anOwner);
    // Releases the decompression context. A destructor cannot raise, so a
    // failed release is not reported.
    ~TSTCabReader() override;

    // Unpacks aCabFileName (absolute, or relative to the current directory)
    // and the cabinets that continue it into aDestDir. Before anything is
    // written it reads the headers of the whole chain (of the first cabinet
    // alone when OnNextCabinet is set) and checks the destination: folder
    // access, free space. A file that is already there is replaced only by a
    // complete new one: written beside it under a temporary name, stamped,
    // then renamed over it; on a failure the old file stays as it was, and a
    // new file that could not be completed is removed. Raises ESTCabinet for
    // a failure of the library, a refused cabinet or destination, or a file
    // in use; EOSError when the library cannot be loaded; and any exception
    // an event handler raised.
    void Extract(const std::string& aCabFileName, const std::string& aDestDir, TSTCabExtractFlags aFlags = 0);

    TSTCabReaderOptions Options = 0;
    TSTCabReaderCabinetInfoEvent OnCabinetInfo;
    TSTCabReaderCopyFileEvent OnCopyFile;
    TSTCabReaderCopyPartialFileEvent OnCopyPartialFile;
    TSTCabReaderCloseFileEvent OnCloseFile;
    TSTCabReaderNextCabinetEvent OnNextCabinet;
    TSTCabReaderUnrecognizedNotifyEvent OnUnrecognizedNotify;
    TSTCabReaderProgressEvent OnProgress;

private:
    friend INT_PTR __cdecl CabNotify(TFDINOTIFICATIONTYPE, TFDINOTIFICATION*) noexcept;

    // A destination file opened for writing and not yet closed.
    struct TOpenFile {
        std::string SrcName;   // as the library gave it
        std::string DstName;   // full destination name
        std::string WriteName; // the file written: DstName, a temporary file beside it, or empty for a device
        HANDLE Handle = INVALID_HANDLE_VALUE;
        int32_t Size = 0;      // announced at fdintCOPY_FILE
        bool Replaces = false; // WriteName takes the place of the file at DstName once complete
        DWORD OldAttrs = 0;    // the attributes of the file it replaces
    };

    HFDI GetContext();
    void CreateContext();
    void Check(bool aSucceeded);
    INT_PTR Notify(TFDINOTIFICATIONTYPE aNotifyType, TFDINOTIFICATION& aNotification);

    void CheckBeforeWriting(TSTCabExtractFlags aFlags);
    INT_PTR NotifyCabinetInfo(TFDINOTIFICATION& n, bool& anAbort);
    INT_PTR NotifyPartialFile(TFDINOTIFICATION& n, bool& anAbort);
    INT_PTR NotifyCopyFile(TFDINOTIFICATION& n, bool& anAbort);
    INT_PTR NotifyCloseFile(TFDINOTIFICATION& n, bool& anAbort);
    INT_PTR NotifyNextCabinet(TFDINOTIFICATION& n, bool& anAbort);
    void ForceDirectories(const std::string& aDir);
    bool OpenDestination(TOpenFile& aFile);
    bool OpenDevice(TOpenFile& aFile);
    void FinishFile(const TOpenFile& aFile, const TFDINOTIFICATION& n);
    INT_PTR CloseUnfinishedFile(TFDINOTIFICATION& n);
    int FindOpenFile(const std::string& aSrcName) const;
    static void DiscardFile(const TOpenFile& aFile) noexcept;
    void DiscardLeftOpenFiles() noexcept;
    bool WasRead(const std::string& aCabName) const;
    void ReportProgress();
    static bool WriteWatch(void* aReader, UINT aCount) noexcept;

    HFDI FContext = nullptr;
    std::string FCabFileName;
    std::string FDestDir;
    std::string FNextCabFileName;
    std::string FSwitchedCabFileName;
    bool FCabSwitched = false;
    // A notification of the current pass answered -1 (or raised): the walk ends.
    bool FStopped = false;
    // LastFileError as the current notification found it.
    int32_t FErrorSinceNotify = 0;
    ERF FError{};
    std::vector<TOpenFile> FOpenFiles;
    // Cabinets this Extract call has opened, to tell the start of a set.
    std::vector<std::string> FReadCabNames;
    // Cabinets a pass of this call started with, so that a set whose names
    // form a ring ends instead of going round for ever.
    std::vector<std::string> FPassCabNames;
    // The last directory known to exist, so that files of one folder cost no check.
    std::string FKnownDir;
    // The last converted stamp: files of one cabinet share few date/time pairs.
    TCabStampTimes FStampTimes;
    TCabTempNames FTempNames;
    // Progress: the bytes the check before writing counted, those written
    // (or skipped) so far, and where the write path reports next.
    uint64_t FTotal = 0, FDone = 0, FNextReport = 0;
    ExceptionSlot FPending;
};
