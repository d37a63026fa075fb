#include "cab/CabSTComps.h"

#include <shellapi.h>
#include <algorithm>
#include <cstring>
#include <utility>

#include "cab/CabChain.h"
#include "cab/CabDestination.h"
#include "cab/CabNames.h"
#include "cab/CabSetPlace.h"
#include "core/FileSystem.h"
#include "core/Handle.h"
#include "core/Strings.h"
#include "res/CabMessages.h"

namespace {

// Open flags and permission of a new destination file: write-only,
// sequential, created only when nothing of that name is there, binary.
constexpr int NewFileOpenFlags = cabO_WRONLY | cabO_SEQUENTIAL | cabO_CREAT | cabO_EXCL | cabO_BINARY;
constexpr int DestPermission = cabS_IREAD | cabS_IWRITE;
// A device, opened as it is.
constexpr int DeviceOpenFlags = cabO_WRONLY | cabO_SEQUENTIAL | cabO_BINARY;
// A file at least this large that replaces another is written only once the
// other is known not to be in use.
constexpr uint32_t AskInUseFrom = 1 << 20;
// The write path reports progress after at least this many bytes.
constexpr uint64_t ProgressStep = 1 << 20;

std::string Str(const char* s)
{
    return s ? std::string(s) : std::string();
}

[[noreturn]] void RaiseUnsafeName(const std::string& aName)
{
    throw ESTCabinet(Format(LoadResString(IDS_CAB_UNSAFE_NAME).c_str(), QuoteCabName(aName).c_str()),
                     FDIERROR_USER_ABORT, 0);
}

[[noreturn]] void RaiseNotFirst(const std::string& aCabName, const std::string& aFirstName)
{
    throw ESTCabinet(Format(LoadResString(IDS_CAB_NOT_FIRST).c_str(), QuoteCabName(aCabName).c_str(),
                            QuoteCabName(aFirstName).c_str()),
                     FDIERROR_USER_ABORT, 0);
}

[[noreturn]] void RaiseInUse(const std::string& aFileName)
{
    throw ESTCabinet(Format(LoadResString(IDS_CAB_IN_USE).c_str(), QuoteCabName(aFileName).c_str()),
                     FDIERROR_TARGET_FILE, ERROR_SHARING_VIOLATION);
}

bool AlreadyThere(int32_t anError)
{
    return anError == ERROR_FILE_EXISTS || anError == ERROR_ALREADY_EXISTS;
}

} // namespace

TSTCabReader::TSTCabReader(TComponent* anOwner) : TComponent(anOwner)
{
}

TSTCabReader::~TSTCabReader()
{
    DiscardLeftOpenFiles();
    // A destructor cannot raise, so a failed release of the context is not
    // reported; the context handle is gone either way.
    if (HFDI context = std::exchange(FContext, nullptr))
        FDIDestroy(context);
}

HFDI TSTCabReader::GetContext()
{
    CreateContext();
    return FContext;
}

void TSTCabReader::CreateContext()
{
    if (FContext)
        return;
    std::memset(&FError, 0, sizeof FError);
    CabCallbackException().Clear();
    FContext = FDICreate(CabAllocCallback, CabFreeCallback, CabOpenCallback, CabReadCallback, CabWriteCallback,
                         CabCloseCallback, CabSeekCallback, cpuUNKNOWN, &FError);
    CabCallbackException().Rethrow();
    Check(FContext != nullptr);
}

void TSTCabReader::Check(bool aSucceeded)
{
    if (aSucceeded)
        return;
    FError.erfType = LastFileError;
    throw ESTCabinet(FError, false);
}

void TSTCabReader::Extract(const std::string& aCabFileName, const std::string& aDestDir, TSTCabExtractFlags aFlags)
{
    FCabFileName = ExpandFileName(aCabFileName);
    FDestDir = IncludeTrailingBackslash(aDestDir);
    DiscardLeftOpenFiles();
    FReadCabNames.clear();
    FPassCabNames.clear();
    if (FCabFileName.empty())
        return;
    // The library first: its absence is reported before anything about the cabinet.
    GetContext();
    // A walk that begins in the middle of a set would unpack the later
    // members only and end as if everything had been unpacked; a set in which
    // no file crosses a boundary gives no other sign of it than the header.
    // An owner that handles partial files, or asks for one cabinet, decides
    // itself.
    if (!(aFlags & cefSingleCabinet) && !OnCopyPartialFile && StartsLaterInSet(FCabFileName))
        RaiseNotFirst(ExtractFileName(FCabFileName), FirstCabinetOfSet(FCabFileName));
    CheckBeforeWriting(aFlags);
    FKnownDir.clear();
    FDone = 0;
    FNextReport = ProgressStep;
    ReportProgress();

    std::string current = FCabFileName;
    while (!current.empty()) {
        FNextCabFileName.clear();
        FSwitchedCabFileName.clear();
        FCabSwitched = false;
        FStopped = false;
        FReadCabNames.push_back(current);
        FPassCabNames.push_back(current);

        std::string name = ExtractFileName(current), dir = ExtractFilePath(current);
        HFDI context = GetContext();
        FPending.Clear();
        CabCallbackException().Clear();
        BOOL ok;
        {
            TCabLibraryFilesScope libraryFiles;
            TCabWriteWatchScope watch(&WriteWatch, this);
            ok = FDICopy(context, name.data(), dir.data(), 0, CabNotify, nullptr, this);
        }
        if (!ok || FPending.Pending() || CabCallbackException().Pending())
            DiscardLeftOpenFiles();
        // An exception from an event handler, a refusal or heap exhaustion
        // stopped the walk: that, not the library's "aborted", is the cause.
        FPending.Rethrow();
        CabCallbackException().Rethrow();
        if (ok && FStopped) {
            // Stopped on the last notification, which the library ignored.
            FError = ERF{FDIERROR_USER_ABORT, 0, TRUE};
            ok = FALSE;
        }
        Check(ok);
        // The library reported success but never said that a file was
        // finished: the file may be incomplete, and it is still open.
        if (!FOpenFiles.empty()) {
            DiscardLeftOpenFiles();
            RaiseCabError(FDIERROR_CORRUPT_CABINET, 0);
        }

        std::string next;
        if (FCabSwitched)
            next = FSwitchedCabFileName;
        else if (!SameText(FNextCabFileName, current))
            next = FNextCabFileName;
        if (aFlags & cefSingleCabinet)
            next.clear();
        else if (!next.empty() && !FileExists(next))
            // Gone since the check before writing: the files of the missing
            // cabinet would silently be absent from an installation reported
            // as complete.
            RaiseCabError(FDIERROR_CABINET_NOT_FOUND, ERROR_FILE_NOT_FOUND);
        if (std::any_of(FPassCabNames.begin(), FPassCabNames.end(),
                        [&](const std::string& s) { return SameText(s, next); }))
            next.clear(); // a ring of names: every member has been read
        current = next;
    }
}

void TSTCabReader::CheckBeforeWriting(TSTCabExtractFlags aFlags)
{
    TCabChainReach reach = OnNextCabinet                 ? TCabChainReach::ccrFirstOnly
                           : (aFlags & cefSingleCabinet) ? TCabChainReach::ccrFirstCabinet
                                                         : TCabChainReach::ccrWholeSet;
    TCabChain chain = ReadCabChain(FCabFileName, reach);
    // A destination the owner chooses is the owner's business; without a
    // handler the name from the cabinet is not trusted.
    if (!OnCopyFile)
        for (const TCabChainFile& f : chain.Files)
            if (!IsSafeStoredName(f.Name))
                RaiseUnsafeName(f.Name);
    PrepareCabDestination(
        TCabDestinationPlan{FDestDir, &chain.Files, (Options & CabReaderOption(croDontOverwriteReadOnlyFiles)) != 0},
        FTempNames);
    FTotal = chain.Bytes;
}

void TSTCabReader::ReportProgress()
{
    if (OnProgress)
        OnProgress(this, std::min(FDone, FTotal), FTotal);
}

// Counts the bytes the library writes and reports every ProgressStep of
// them, so that a large file shows progress (and can be cancelled) while it
// is written. Refuses every write once the walk was stopped.
bool TSTCabReader::WriteWatch(void* aReader, UINT aCount) noexcept
{
    auto* reader = static_cast<TSTCabReader*>(aReader);
    if (reader->FStopped)
        return false;
    reader->FDone += aCount;
    if (reader->FDone < reader->FNextReport || !reader->OnProgress)
        return true;
    reader->FNextReport = reader->FDone + ProgressStep;
    if (reader->FPending.Guard(
            [&] {
                reader->ReportProgress();
                return true;
            },
            false))
        return true;
    reader->FStopped = true;
    return false;
}

INT_PTR TSTCabReader::Notify(TFDINOTIFICATIONTYPE aNotifyType, TFDINOTIFICATION& aNotification)
{
    // What the file callbacks met since the last notification: for a next
    // cabinet the library could not open, the reason the open failed.
    FErrorSinceNotify = LastFileError;
    LastFileError = 0;
    // Wine's library goes on after some -1 answers (fdintCLOSE_FILE_INFO among
    // them): once stopped, every later notification is refused as well.
    if (FStopped)
        return aNotifyType == fdintCLOSE_FILE_INFO ? CloseUnfinishedFile(aNotification) : -1;
    bool abort = false;
    INT_PTR result;
    // An exception leaving here stops the walk as well.
    FStopped = true;
    ReportProgress();
    switch (aNotifyType) {
    case fdintCABINET_INFO: result = NotifyCabinetInfo(aNotification, abort); break;
    case fdintPARTIAL_FILE: result = NotifyPartialFile(aNotification, abort); break;
    case fdintCOPY_FILE: result = NotifyCopyFile(aNotification, abort); break;
    case fdintCLOSE_FILE_INFO: result = NotifyCloseFile(aNotification, abort); break;
    case fdintNEXT_CABINET: result = NotifyNextCabinet(aNotification, abort); break;
    default: {
        int32_t value = 0;
        if (OnUnrecognizedNotify)
            OnUnrecognizedNotify(this, aNotifyType, aNotification, value);
        result = value;
        break;
    }
    }
    FStopped = result == -1;
    return result;
}

INT_PTR TSTCabReader::NotifyCabinetInfo(TFDINOTIFICATION& n, bool& anAbort)
{
    std::string next = Str(n.psz1), path = Str(n.psz3);
    // The library would open whatever the name points at, relative to this
    // cabinet's folder. Extract checked the set in the kit's folder already;
    // this catches a member that a handler found elsewhere.
    if (!IsBareCabinetName(next))
        RaiseUnsafeName(next);
    FNextCabFileName = next.empty() ? std::string() : CabJoinPath({path, next});
    if (OnCabinetInfo)
        OnCabinetInfo(this, next, Str(n.psz2), path, n.setID, n.iCabinet, anAbort);
    return anAbort ? -1 : 0;
}

INT_PTR TSTCabReader::NotifyPartialFile(TFDINOTIFICATION& n, bool& anAbort)
{
    std::string src = Str(n.psz1), startCab = Str(n.psz2);
    int index = FindOpenFile(src);
    std::string dst = index >= 0 ? FOpenFiles[index].DstName : std::string();
    if (OnCopyPartialFile) {
        OnCopyPartialFile(this, src, startCab, Str(n.psz3), dst, anAbort);
    } else if (!WasRead(startCab)) {
        // The beginning of this file lies in a cabinet this call never read:
        // going on would quietly leave it out.
        RaiseNotFirst(ExtractFileName(FCabFileName), startCab);
    }
    return anAbort ? -1 : 0;
}

INT_PTR TSTCabReader::NotifyCopyFile(TFDINOTIFICATION& n, bool& anAbort)
{
    std::string src = Str(n.psz1);
    // Some makers separate folders with "/": the folder is made, and a
    // replacement written, where the system puts the file.
    std::string stored = src;
    std::replace(stored.begin(), stored.end(), '/', '\\');
    const std::string proposed = CabJoinPath({FDestDir, stored});
    std::string dst = proposed;
    if (OnCopyFile)
        OnCopyFile(this, src, n.cb, n.date, n.time, n.attribs, n.iFolder, dst, anAbort);
    if (anAbort)
        return -1;
    // A skipped file counts as done for the progress.
    const uint64_t size = static_cast<uint32_t>(n.cb);
    if (dst.empty()) {
        FDone += size;
        return 0;
    }
    // A destination the owner chose is the owner's business; the name from
    // the cabinet is not trusted.
    if (dst == proposed && !IsSafeStoredName(src))
        RaiseUnsafeName(src);

    ForceDirectories(ExtractFilePath(dst));
    TOpenFile file{src, dst, dst, INVALID_HANDLE_VALUE, n.cb, false, 0};
    if (!OpenDestination(file)) {
        FDone += size;
        return 0;
    }
    FOpenFiles.push_back(file);
    LastWriteError = 0;
    return reinterpret_cast<INT_PTR>(file.Handle);
}

void TSTCabReader::ForceDirectories(const std::string& aDir)
{
    if (aDir.empty() || aDir == FKnownDir)
        return;
    // A failure is not reported here: opening the file fails and says why.
    if (TryCreateDirectories(aDir))
        FKnownDir = aDir;
}

// Opens the file to write for aFile.DstName: the destination itself when
// nothing is there, else a new temporary file beside it that replaces it once
// complete. False when the file is skipped (a read-only file the owner wants
// kept). Raises when neither can be opened, naming a file in use.
bool TSTCabReader::OpenDestination(TOpenFile& aFile)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        int32_t error = 0;
        INT_PTR handle = CabFileOpen(aFile.DstName.c_str(), NewFileOpenFlags, DestPermission, error);
        if (handle != -1) {
            aFile.Handle = reinterpret_cast<HANDLE>(handle);
            return true;
        }
        if (!AlreadyThere(error)) {
            if (OpenDevice(aFile))
                return true;
            RaiseCabError(FDIERROR_TARGET_FILE, error);
        }

        // Something is there: it stays untouched until its replacement is
        // complete. Whether another program holds it shows when the rename
        // fails; only before a large file is it asked first, since writing
        // megabytes in vain costs more than the open that asks.
        const DWORD attrs = GetFileAttributesA(aFile.DstName.c_str());
        if (attrs == INVALID_FILE_ATTRIBUTES) {
            error = static_cast<int32_t>(GetLastError());
            if (error == ERROR_FILE_NOT_FOUND)
                continue; // removed meanwhile: made anew
            if (OpenDevice(aFile))
                return true;
            RaiseCabError(FDIERROR_TARGET_FILE, error);
        }
        if (attrs & FILE_ATTRIBUTE_DIRECTORY)
            RaiseCabError(FDIERROR_TARGET_FILE, ERROR_ACCESS_DENIED);
        if ((attrs & FILE_ATTRIBUTE_READONLY) && (Options & CabReaderOption(croDontOverwriteReadOnlyFiles)))
            return false;
        if (static_cast<uint32_t>(aFile.Size) >= AskInUseFrom && CabFileInUse(aFile.DstName.c_str()))
            RaiseInUse(aFile.DstName);
        const std::string dir = ExtractFilePath(aFile.DstName);
        for (int tries = 0; tries < 16; ++tries) {
            std::string temp = dir + FTempNames.Next();
            error = 0;
            handle = CabFileCreateReplacement(temp.c_str(), error);
            if (handle != -1) {
                aFile.WriteName = temp;
                aFile.Handle = reinterpret_cast<HANDLE>(handle);
                aFile.Replaces = true;
                aFile.OldAttrs = attrs;
                return true;
            }
            if (!AlreadyThere(error))
                RaiseCabError(FDIERROR_TARGET_FILE, error);
        }
        RaiseCabError(FDIERROR_TARGET_FILE, ERROR_FILE_EXISTS);
    }
    RaiseCabError(FDIERROR_TARGET_FILE, ERROR_FILE_EXISTS);
}

// A device an owner chose as the destination has no content to protect: it
// is written straight, and never removed.
bool TSTCabReader::OpenDevice(TOpenFile& aFile)
{
    int32_t ignored = 0;
    INT_PTR handle = CabFileOpen(aFile.DstName.c_str(), DeviceOpenFlags, DestPermission, ignored);
    if (handle == -1)
        return false;
    if (GetFileType(reinterpret_cast<HANDLE>(handle)) != FILE_TYPE_CHAR) {
        CabFileClose(handle, ignored);
        return false;
    }
    aFile.Handle = reinterpret_cast<HANDLE>(handle);
    aFile.WriteName.clear();
    return true;
}

INT_PTR TSTCabReader::NotifyCloseFile(TFDINOTIFICATION& n, bool& anAbort)
{
    std::string src = Str(n.psz1), dst;
    int index = FindOpenFile(src);
    if (index >= 0) {
        TOpenFile file = FOpenFiles[index];
        FOpenFiles.erase(FOpenFiles.begin() + index);
        dst = file.DstName;
        FinishFile(file, n);
    } else {
        int32_t ignored = 0;
        CabFileClose(n.hf, ignored);
    }
    bool exec = n.cb & 1;
    if (OnCloseFile)
        OnCloseFile(this, src, n.date, n.time, n.attribs, n.iFolder, exec, dst, anAbort);
    if (anAbort)
        return -1;
    if (exec && (Options & CabReaderOption(croExecuteOnExtract)) && !dst.empty())
        ShellExecuteA(nullptr, "open", dst.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return 1;
}

// Checks that the file holds all it should, then stamps it and closes it: a
// new file in place (times through the open handle, attributes after), a
// replacement by one rename over the file it replaces. A file that could not
// be completed is discarded and reported: the library itself ignores failed
// writes and reports a file cut short by damaged data as closed.
void TSTCabReader::FinishFile(const TOpenFile& aFile, const TFDINOTIFICATION& n)
{
    const int32_t carried = LastWriteError;
    DWORD written = SetFilePointer(aFile.Handle, 0, nullptr, FILE_CURRENT);
    if (carried != 0 || written != static_cast<DWORD>(aFile.Size)) {
        DiscardFile(aFile);
        if (carried != 0)
            RaiseCabError(FDIERROR_TARGET_FILE, carried);
        RaiseCabError(FDIERROR_CORRUPT_CABINET, 0);
    }
    const INT_PTR handle = reinterpret_cast<INT_PTR>(aFile.Handle);
    if (!aFile.Replaces) {
        // A new file already carries exactly the archive bit.
        CabFileStampAndClose(handle, aFile.DstName.c_str(), n.date, n.time, n.attribs, TCabStampAttrs::csaNewFile,
                             &FStampTimes);
        return;
    }
    int32_t error = 0;
    if (CabFileStampAndReplace(handle, aFile.WriteName.c_str(), aFile.DstName.c_str(), aFile.OldAttrs, n.date, n.time,
                               n.attribs, &FStampTimes, error))
        return;
    CabFileDiscard(aFile.WriteName.c_str());
    // A program that holds the file (a running one among them) makes the
    // rename fail with a sharing violation or with access denied.
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_USER_MAPPED_FILE ||
        (error == ERROR_ACCESS_DENIED && CabFileInUse(aFile.DstName.c_str())))
        RaiseInUse(aFile.DstName);
    RaiseCabError(FDIERROR_TARGET_FILE, error);
}

INT_PTR TSTCabReader::NotifyNextCabinet(TFDINOTIFICATION& n, bool& anAbort)
{
    std::string cabName = Str(n.psz1);
    if (!IsBareCabinetName(cabName))
        RaiseUnsafeName(cabName);
    INT_PTR result;
    if (OnNextCabinet) {
        std::string path = Str(n.psz3);
        OnNextCabinet(this, cabName, Str(n.psz2), path, n.fdie, anAbort);
        if (anAbort) {
            result = -1;
        } else {
            path = IncludeTrailingBackslash(path);
            // The library's buffer holds 256 bytes: a longer path cannot be
            // handed over, and a cut one would name another folder.
            if (path.size() + 1 > CabPathBufferSize)
                RaiseCabError(FDIERROR_CABINET_NOT_FOUND, ERROR_FILENAME_EXCED_RANGE);
            std::memcpy(n.psz3, path.c_str(), path.size() + 1);
            result = 0;
        }
    } else if (n.fdie != FDIERROR_NONE) {
        // The library could not go on into the next cabinet by itself. The
        // files it holds would be missing: report that (a missing cabinet with
        // the system's code of the failed open), not a bare abort.
        RaiseCabError(n.fdie, FErrorSinceNotify != 0
                                  ? FErrorSinceNotify
                                  : (n.fdie == FDIERROR_CABINET_NOT_FOUND ? ERROR_FILE_NOT_FOUND : 0));
    } else {
        result = 0;
    }
    FSwitchedCabFileName = CabJoinPath({Str(n.psz3), cabName});
    FCabSwitched = true;
    if (result == 0)
        FReadCabNames.push_back(FSwitchedCabFileName);
    return result;
}

// After the walk was stopped the library still reports the file it was
// writing as closed, though it is incomplete: discard it and keep the cause
// that stopped the walk.
INT_PTR TSTCabReader::CloseUnfinishedFile(TFDINOTIFICATION& n)
{
    int index = FindOpenFile(Str(n.psz1));
    if (index >= 0) {
        DiscardFile(FOpenFiles[index]);
        FOpenFiles.erase(FOpenFiles.begin() + index);
    } else {
        int32_t ignored = 0;
        CabFileClose(n.hf, ignored);
    }
    return -1;
}

int TSTCabReader::FindOpenFile(const std::string& aSrcName) const
{
    for (size_t i = 0; i < FOpenFiles.size(); ++i)
        if (SameText(FOpenFiles[i].SrcName, aSrcName))
            return static_cast<int>(i);
    return -1;
}

bool TSTCabReader::WasRead(const std::string& aCabName) const
{
    return std::any_of(FReadCabNames.begin(), FReadCabNames.end(),
                       [&](const std::string& s) { return SameText(ExtractFileName(s), aCabName); });
}

// A file that could not be completed: closed and removed, so that neither a
// cut file nor a temporary one stays behind. The file it would have replaced
// is untouched.
void TSTCabReader::DiscardFile(const TOpenFile& aFile) noexcept
{
    CloseHandle(aFile.Handle);
    if (!aFile.WriteName.empty())
        CabFileDiscard(aFile.WriteName.c_str());
}

// Files the library left open when a walk stopped: discarded, so that they
// are neither locked nor left half-written.
void TSTCabReader::DiscardLeftOpenFiles() noexcept
{
    for (const TOpenFile& file : FOpenFiles)
        DiscardFile(file);
    FOpenFiles.clear();
}
