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

class TSTCabReader : public TComponent {
public:
    explicit TSTCabReader(TComponent* anOwner);
    // Releases the decompression context. A destructor cannot raise, so a
    // failed release is not reported.
    ~TSTCabReader() override;

    // Unpacks aCabFileName (absolute, or relative to the current directory)
    // and the cabinets that continue it into aDestDir. Raises ESTCabinet for a
    // failure of the library or an unsafe cabinet, EOSError when the library
    // cannot be loaded, and any exception an event handler raised.
    void Extract(const std::string& aCabFileName, const std::string& aDestDir, TSTCabExtractFlags aFlags = 0);

    TSTCabReaderOptions Options = 0;
    TSTCabReaderCabinetInfoEvent OnCabinetInfo;
    TSTCabReaderCopyFileEvent OnCopyFile;
    TSTCabReaderCopyPartialFileEvent OnCopyPartialFile;
    TSTCabReaderCloseFileEvent OnCloseFile;
    TSTCabReaderNextCabinetEvent OnNextCabinet;
    TSTCabReaderUnrecognizedNotifyEvent OnUnrecognizedNotify;
    // Bytes written so far of the total the check before writing found. Called on
    // the thread that runs Extract: once with aDone 0 before the first file, and as
    // data is written (at least at every notification). An exception the handler
    // raises stops the run like any failure: the file being written is discarded.
    using TSTCabReaderProgressEvent = std::function<void(TSTCabReader* Sender, uint64_t aDone, uint64_t aTotal)>;
    TSTCabReaderProgressEvent OnProgress;

private:
    friend INT_PTR __cdecl CabNotify(TFDINOTIFICATIONTYPE, TFDINOTIFICATION*) noexcept;

    // A destination file opened for writing and not yet closed.
    struct TOpenFile {
        std::string SrcName; // as the library gave it
        std::string DstName; // full destination name
        HANDLE Handle;
        int32_t Size; // announced at fdintCOPY_FILE
        bool Existed; // it was there before: cut its old tail at the end
    };

    HFDI GetContext();
    void CreateContext();
    void Check(bool aSucceeded);
    INT_PTR Notify(TFDINOTIFICATIONTYPE aNotifyType, TFDINOTIFICATION& aNotification);

    INT_PTR NotifyCabinetInfo(TFDINOTIFICATION& n, bool& anAbort);
    INT_PTR NotifyPartialFile(TFDINOTIFICATION& n, bool& anAbort);
    INT_PTR NotifyCopyFile(TFDINOTIFICATION& n, bool& anAbort);
    INT_PTR NotifyCloseFile(TFDINOTIFICATION& n, bool& anAbort);
    INT_PTR NotifyNextCabinet(TFDINOTIFICATION& n, bool& anAbort);
    void ForceDirectories(const std::string& aDir);
    INT_PTR OpenDestination(const std::string& aDstName, bool& anExisted);
    void FinishFile(const TOpenFile& aFile, INT_PTR aHandle, int32_t aCarriedError, const TFDINOTIFICATION& n);
    INT_PTR CloseUnfinishedFile(TFDINOTIFICATION& n);
    int FindOpenFile(const std::string& aSrcName) const;
    void CloseLeftOpenFiles() noexcept;
    bool WasRead(const std::string& aCabName) const;

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
    ExceptionSlot FPending;
    // Bytes of the files finished so far, and of all the first cabinet holds.
    uint64_t FProgressDone = 0;
    uint64_t FProgressTotal = 0;
};
