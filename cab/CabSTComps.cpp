#include "cab/CabSTComps.h"

#include <shellapi.h>
#include <algorithm>
#include <cstring>
#include <utility>

#include "cab/CabNames.h"
#include "cab/CabSetPlace.h"
#include "core/FileSystem.h"
#include "core/Handle.h"
#include "core/Strings.h"
#include "res/CabMessages.h"

namespace {

// Open flags and permission of a destination file: write-only, sequential,
// created when missing, binary.
constexpr int DestOpenFlags = cabO_WRONLY | cabO_SEQUENTIAL | cabO_CREAT | cabO_BINARY;
constexpr int DestPermission = cabS_IREAD | cabS_IWRITE;

std::string Str(const char* s)
{
    return s ? std::string(s) : std::string();
}

[[noreturn]] void RaiseUnsafeName(const std::string& aName)
{
    throw ESTCabinet(Format(LoadResString(IDS_CAB_UNSAFE_NAME).c_str(), aName.c_str()), FDIERROR_USER_ABORT, 0);
}

[[noreturn]] void RaiseError(TFDIERROR aCode, int32_t aSystemError)
{
    ERF erf{aCode, aSystemError, TRUE};
    throw ESTCabinet(erf, false);
}

// The directory without its trailing backslash; empty for a root ("C:\", "\")
// that needs no creating.
std::string DirectoryToCreate(const std::string& aDirWithBackslash)
{
    std::string dir = aDirWithBackslash;
    if (!dir.empty() && dir.back() == '\\')
        dir.pop_back();
    if (dir.empty() || dir.back() == ':' || dir.back() == '\\')
        return std::string();
    return dir;
}

// True when the cabinet's header names a previous member of its set.
bool StartsLaterInSet(const std::string& aCabFile)
{
    std::optional<TCabSetPlace> place = ReadCabSetPlace(aCabFile);
    return place && place->HasPrevious;
}

// The bytes the files in aCabFile's file table hold, those continued from an
// earlier cabinet left out; 0 when the table cannot be read.
uint64_t StoredBytes(const std::string& aCabFile)
{
    FileHandle file(CreateFileA(aCabFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::vector<unsigned char> bytes(36);
    DWORD got = 0;
    if (!file || !ReadFile(file.get(), bytes.data(), 36, &got, nullptr) || got != 36)
        return 0;
    auto u16 = [&](size_t at) { return static_cast<uint32_t>(bytes[at] | bytes[at + 1] << 8); };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    uint32_t count = u16(28);
    SetFilePointer(file.get(), static_cast<LONG>(u32(16)), nullptr, FILE_BEGIN);
    bytes.assign(count * 272u, 0);
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
        return 0;
    uint64_t total = 0;
    for (size_t at = 0; count > 0 && at + 16 < got; --count) {
        if (u16(at + 8) < 0xFFFD || u16(at + 8) == 0xFFFE)
            total += u32(at);
        at += 16;
        while (at < got && bytes[at] != 0)
            ++at;
        ++at;
    }
    return total;
}

} // namespace

TSTCabReader::TSTCabReader(TComponent* anOwner) : TComponent(anOwner)
{
}

TSTCabReader::~TSTCabReader()
{
    CloseLeftOpenFiles();
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
    CloseLeftOpenFiles();
    FReadCabNames.clear();
    FPassCabNames.clear();
    // A walk that begins in the middle of a set would unpack the later
    // members only and end as if everything had been unpacked; a set in which
    // no file crosses a boundary gives no other sign of it than the header.
    // An owner that handles partial files, or asks for one cabinet, decides
    // itself. Checked before the library opens the cabinet: a walk the
    // library aborts at its first notification leaves the cabinet open.
    if (!(aFlags & cefSingleCabinet) && !OnCopyPartialFile && StartsLaterInSet(FCabFileName))
        throw ESTCabinet(Format(LoadResString(IDS_CAB_NOT_FIRST).c_str(), ExtractFileName(FCabFileName).c_str(),
                                FirstCabinetOfSet(FCabFileName).c_str()),
                         FDIERROR_USER_ABORT, 0);
    if (std::optional<std::string> unsafe = UnsafeNextCabinetName(FCabFileName, !(aFlags & cefSingleCabinet)))
        RaiseUnsafeName(*unsafe);
    FKnownDir.clear();
    FProgressDone = 0;
    FProgressTotal = OnProgress ? StoredBytes(FCabFileName) : 0;
    if (OnProgress)
        OnProgress(this, 0, FProgressTotal);

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
            ok = FDICopy(context, name.data(), dir.data(), 0, CabNotify, nullptr, this);
        }
        if (!ok || FPending.Pending() || CabCallbackException().Pending())
            CloseLeftOpenFiles();
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

        std::string next;
        if (FCabSwitched)
            next = FSwitchedCabFileName;
        else if (!SameText(FNextCabFileName, current))
            next = FNextCabFileName;
        if (aFlags & cefSingleCabinet)
            next.clear();
        else if (!next.empty() && !FileExists(next))
            // The files of the missing cabinet would silently be absent from
            // an installation reported as complete.
            RaiseError(FDIERROR_CABINET_NOT_FOUND, ERROR_FILE_NOT_FOUND);
        if (std::any_of(FPassCabNames.begin(), FPassCabNames.end(),
                        [&](const std::string& s) { return SameText(s, next); }))
            next.clear(); // a ring of names: every member has been read
        current = next;
    }
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
        throw ESTCabinet(
            Format(LoadResString(IDS_CAB_NOT_FIRST).c_str(), ExtractFileName(FCabFileName).c_str(), startCab.c_str()),
            FDIERROR_USER_ABORT, 0);
    }
    return anAbort ? -1 : 0;
}

INT_PTR TSTCabReader::NotifyCopyFile(TFDINOTIFICATION& n, bool& anAbort)
{
    std::string src = Str(n.psz1);
    const std::string proposed = CabJoinPath({FDestDir, src});
    std::string dst = proposed;
    if (OnCopyFile)
        OnCopyFile(this, src, n.cb, n.date, n.time, n.attribs, n.iFolder, dst, anAbort);
    if (anAbort)
        return -1;
    if (dst.empty())
        return 0;
    // A destination the owner chose is the owner's business; the name from
    // the cabinet is not trusted.
    if (dst == proposed && !IsSafeStoredName(src))
        RaiseUnsafeName(src);

    ForceDirectories(ExtractFilePath(dst));
    bool existed = false;
    INT_PTR handle = OpenDestination(dst, existed);
    // Wine's library reports a refused open as an abort: name the real cause.
    if (handle == -1)
        RaiseError(FDIERROR_TARGET_FILE, LastFileError);
    if (handle == 0)
        return 0;
    FOpenFiles.push_back(TOpenFile{src, dst, reinterpret_cast<HANDLE>(handle), n.cb, existed});
    LastWriteError = 0;
    return handle;
}

void TSTCabReader::ForceDirectories(const std::string& aDir)
{
    if (aDir.empty() || aDir == FKnownDir)
        return;
    // Innermost first: one call when the parent exists, which is the usual case.
    std::vector<std::string> missing;
    for (std::string dir = DirectoryToCreate(aDir); !dir.empty();) {
        if (CreateDirectoryA(dir.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
            break;
        if (GetLastError() != ERROR_PATH_NOT_FOUND)
            return; // not reported here: opening the file fails and says why
        missing.push_back(dir);
        std::string parent = DirectoryToCreate(ExtractFilePath(dir));
        if (parent.size() >= dir.size())
            return;
        dir = parent;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
        if (!CreateDirectoryA(it->c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return;
    FKnownDir = aDir;
}

// Opens the destination for writing, creating it when missing. 0 means the
// file is skipped (a read-only file that must not be overwritten), -1 failure.
INT_PTR TSTCabReader::OpenDestination(const std::string& aDstName, bool& anExisted)
{
    const bool keepReadOnly = Options & CabReaderOption(croDontOverwriteReadOnlyFiles);
    for (int attempt = 0;; ++attempt) {
        int32_t error = 0;
        INT_PTR handle = CabFileOpen(aDstName.c_str(), DestOpenFlags, DestPermission, error);
        // CreateFileA is the last call CabFileOpen makes for these flags.
        anExisted = GetLastError() == ERROR_ALREADY_EXISTS;
        if (handle != -1) {
            if (anExisted && keepReadOnly) {
                BY_HANDLE_FILE_INFORMATION info;
                if (GetFileInformationByHandle(reinterpret_cast<HANDLE>(handle), &info) &&
                    (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
                    CloseHandle(reinterpret_cast<HANDLE>(handle));
                    return 0;
                }
            }
            return handle;
        }
        // A read-only file refuses to be opened for writing: clear the bit and
        // try once more, unless the owner wants such files kept.
        DWORD attrs = GetFileAttributesA(aDstName.c_str());
        if (attempt == 0 && attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY) &&
            !(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
            if (keepReadOnly)
                return 0;
            if (SetFileAttributesA(aDstName.c_str(), attrs & ~FILE_ATTRIBUTE_READONLY))
                continue;
        }
        if (error != 0)
            LastFileError = error;
        return -1;
    }
}

INT_PTR TSTCabReader::NotifyCloseFile(TFDINOTIFICATION& n, bool& anAbort)
{
    std::string src = Str(n.psz1), dst;
    int index = FindOpenFile(src);
    if (index >= 0) {
        TOpenFile file = FOpenFiles[index];
        FOpenFiles.erase(FOpenFiles.begin() + index);
        dst = file.DstName;
        FinishFile(file, n.hf, LastWriteError, n);
        FProgressDone += static_cast<uint32_t>(file.Size);
        if (OnProgress)
            OnProgress(this, FProgressDone, FProgressTotal);
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

// Checks that the file holds all it should, cuts an old longer content, then
// stamps and closes it (times through the open handle, attributes after). A file
// that could not be completed is closed without a stamp and reported: the
// library itself ignores failed writes.
void TSTCabReader::FinishFile(const TOpenFile& aFile, INT_PTR aHandle, int32_t aCarriedError, const TFDINOTIFICATION& n)
{
    HANDLE h = reinterpret_cast<HANDLE>(aHandle);
    int32_t ignored = 0;
    DWORD written = SetFilePointer(h, 0, nullptr, FILE_CURRENT);
    if (aCarriedError != 0 || written != static_cast<DWORD>(aFile.Size)) {
        CabFileClose(aHandle, ignored);
        if (aCarriedError != 0)
            RaiseError(FDIERROR_TARGET_FILE, aCarriedError);
        RaiseError(FDIERROR_CORRUPT_CABINET, 0);
    }
    if (aFile.Existed && !SetEndOfFile(h)) {
        int32_t error = static_cast<int32_t>(GetLastError());
        CabFileClose(aHandle, ignored);
        RaiseError(FDIERROR_TARGET_FILE, error);
    }
    // A new file already carries exactly the archive bit.
    CabFileStampAndClose(aHandle, aFile.DstName.c_str(), n.date, n.time, n.attribs,
                         aFile.Existed ? TCabStampAttrs::csaAlways : TCabStampAttrs::csaNewFile, &FStampTimes);
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
                RaiseError(FDIERROR_CABINET_NOT_FOUND, ERROR_FILENAME_EXCED_RANGE);
            std::memcpy(n.psz3, path.c_str(), path.size() + 1);
            result = 0;
        }
    } else if (n.fdie != FDIERROR_NONE) {
        // The library could not go on into the next cabinet by itself. The
        // files it holds would be missing: report that (a missing cabinet with
        // the system's code of the failed open), not a bare abort.
        RaiseError(n.fdie, FErrorSinceNotify != 0 ? FErrorSinceNotify
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
// writing as closed, though it is incomplete: close it without a stamp and
// keep the cause that stopped the walk.
INT_PTR TSTCabReader::CloseUnfinishedFile(TFDINOTIFICATION& n)
{
    int index = FindOpenFile(Str(n.psz1));
    if (index >= 0)
        FOpenFiles.erase(FOpenFiles.begin() + index);
    int32_t ignored = 0;
    CabFileClose(n.hf, ignored);
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

// Files the library left open when a walk stopped: close them so that they
// are neither locked nor leaked until the next call.
void TSTCabReader::CloseLeftOpenFiles() noexcept
{
    for (const TOpenFile& file : FOpenFiles)
        CloseHandle(file.Handle);
    FOpenFiles.clear();
}
