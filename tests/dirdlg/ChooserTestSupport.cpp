#include "tests/dirdlg/ChooserTestSupport.h"

#include <winioctl.h>
#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "core/Strings.h"
#include "tests/cab/CabTestSupport.h"
#include "tests/TestRegistry.h"

namespace {
// The mount manager's request that defines (or, with DRIVE_NO_ROOT_DIR and
// no mount point, removes) a drive letter on a Unix folder, as Wine's own
// configuration tool sends it.
struct TMountManagerUnixDrive {
    ULONG Size;
    ULONG Type;
    ULONG FsType;
    DWORD Serial;
    ULONGLONG UnixDev;
    WCHAR Letter;
    USHORT MountPointOffset;
    USHORT DeviceOffset;
    USHORT LabelOffset;
};
constexpr DWORD kDefineUnixDrive = CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

bool DefineUnixDrive(char aLetter, UINT aKind, const std::string& aUnixFolder)
{
    FileHandle manager(CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!manager)
        return false;
    std::vector<char> request(sizeof(TMountManagerUnixDrive) + aUnixFolder.size() + 1, '\0');
    auto* drive = reinterpret_cast<TMountManagerUnixDrive*>(request.data());
    drive->Size = static_cast<ULONG>(request.size());
    drive->Type = aKind;
    drive->Letter = static_cast<WCHAR>(aLetter - 'A' + 'a');
    if (!aUnixFolder.empty()) {
        drive->MountPointOffset = sizeof(TMountManagerUnixDrive);
        memcpy(request.data() + sizeof(TMountManagerUnixDrive), aUnixFolder.c_str(), aUnixFolder.size() + 1);
    }
    DWORD got = 0;
    return DeviceIoControl(manager.get(), kDefineUnixDrive, request.data(), static_cast<DWORD>(request.size()), nullptr,
                           0, &got, nullptr) != FALSE;
}

const char* const kWineDrives = "Software\\Wine\\Drives";

const TDirSystem kReal;

char LetterOf(LPCSTR aPath)
{
    if (!aPath || !aPath[0] || aPath[1] != ':')
        return 0;
    char c = aPath[0];
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

bool Listed(const std::string& aLetters, char aLetter)
{
    return aLetter && aLetters.find(aLetter) != std::string::npos;
}

UINT WINAPI FakeSetErrorMode(UINT aMode)
{
    FakeDrives().Mode = aMode;
    return kReal.SetErrorMode(aMode);
}

UINT WINAPI FakeGetDriveType(LPCSTR aRoot)
{
    ++FakeDrives().DriveQueries;
    char letter = LetterOf(aRoot);
    if (Listed(FakeDrives().Unknown, letter))
        return DRIVE_UNKNOWN;
    if (Listed(FakeDrives().NoRoot, letter))
        return DRIVE_NO_ROOT_DIR;
    return kReal.GetDriveTypeA(aRoot);
}

BOOL WINAPI FakeGetVolumeInformation(LPCSTR aRoot, LPSTR aName, DWORD aNameSize, LPDWORD aSerial, LPDWORD aMaxLength,
                                     LPDWORD aFlags, LPSTR aFsName, DWORD aFsNameSize)
{
    TFakeDrives& fake = FakeDrives();
    ++fake.VolumeQueries;
    std::string root = aRoot ? aRoot : "";
    CharUpperBuffA(root.data(), static_cast<DWORD>(root.size()));
    fake.VolumeRoots.push_back(root);
    fake.ModesAtVolumeQuery.push_back(fake.Mode);
    if (Listed(fake.NotReady, LetterOf(aRoot))) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    return kReal.GetVolumeInformationA(aRoot, aName, aNameSize, aSerial, aMaxLength, aFlags, aFsName, aFsNameSize);
}

BOOL WINAPI FakeSetCurrentDirectory(LPCSTR aPath)
{
    ++FakeDrives().DirectoryChanges;
    if (Listed(FakeDrives().NotReady, LetterOf(aPath))) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    return kReal.SetCurrentDirectoryA(aPath);
}

// The directory a search pattern looks in, as a full path without a final
// backslash (a root keeps its own).
std::string SearchedDir(LPCSTR aPattern)
{
    char full[MAX_PATH * 2] = {};
    if (!GetFullPathNameA(aPattern, sizeof full, full, nullptr))
        return aPattern;
    return ExtractFileDir(full);
}

bool SameDir(const std::string& a, const std::string& b)
{
    auto trimmed = [](std::string s) {
        if (s.size() > 3 && s.back() == '\\')
            s.pop_back();
        return s;
    };
    return !a.empty() && !b.empty() && lstrcmpiA(trimmed(a).c_str(), trimmed(b).c_str()) == 0;
}

HANDLE WINAPI FakeFindFirstFile(LPCSTR aPattern, LPWIN32_FIND_DATAA aData)
{
    TFakeDrives& fake = FakeDrives();
    std::string dir = SearchedDir(aPattern);
    fake.SearchedDirs.push_back(dir);
    if (Listed(fake.NotReady, LetterOf(dir.c_str()))) {
        SetLastError(ERROR_NOT_READY);
        return INVALID_HANDLE_VALUE;
    }
    if (SameDir(dir, fake.Unlisted)) {
        SetLastError(fake.SearchError);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE search = kReal.FindFirstFileA(aPattern, aData);
    if (search != INVALID_HANDLE_VALUE && SameDir(dir, fake.BrokenList))
        fake.BrokenSearches.push_back(search);
    return search;
}

BOOL WINAPI FakeFindNextFile(HANDLE aSearch, LPWIN32_FIND_DATAA aData)
{
    std::vector<HANDLE>& broken = FakeDrives().BrokenSearches;
    auto found = std::find(broken.begin(), broken.end(), aSearch);
    if (found == broken.end())
        return kReal.FindNextFileA(aSearch, aData);
    // Once: the handle's number may come back for another search.
    broken.erase(found);
    SetLastError(FakeDrives().SearchError);
    return FALSE;
}

DWORD WINAPI FakeGetConnection(LPCSTR aLocal, LPSTR aRemote, LPDWORD aLength)
{
    TFakeDrives& fake = FakeDrives();
    ++fake.ConnectionQueries;
    char letter = LetterOf(aLocal);
    if (!letter || letter < 'A' || letter > 'Z' || fake.RemoteName[letter - 'A'].empty())
        return kReal.WNetGetConnectionA(aLocal, aRemote, aLength);
    const std::string& name = fake.RemoteName[letter - 'A'];
    if (*aLength < name.size() + 1) {
        *aLength = static_cast<DWORD>(name.size() + 1);
        return ERROR_MORE_DATA;
    }
    memcpy(aRemote, name.c_str(), name.size() + 1);
    return NO_ERROR;
}

DWORD WINAPI FakeConnectDialog(HWND anOwner, DWORD aType)
{
    FakeDrives().ConnectCalls.emplace_back(anOwner, aType);
    return FakeDrives().ConnectResult;
}

TNetConnectDialog FakeLoadConnectDialog()
{
    TNetConnectDialog dialog;
    if (FakeDrives().HasConnectDialog)
        dialog.Entry = &FakeConnectDialog;
    return dialog;
}

TModalDriver* gDriver = nullptr;
constexpr DWORD kDriverTimeoutMs = 20000;

BOOL CALLBACK FindCaption(HWND aWnd, LPARAM aParam) noexcept
{
    auto* search = reinterpret_cast<std::pair<const char*, HWND>*>(aParam);
    char caption[256] = {};
    GetWindowTextA(aWnd, caption, sizeof caption);
    char className[64] = {};
    GetClassNameA(aWnd, className, sizeof className);
    bool wanted = search->first ? strcmp(caption, search->first) == 0 : strcmp(className, "#32770") == 0;
    if (IsWindowVisible(aWnd) && wanted) {
        search->second = aWnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindOwn(const char* aCaption)
{
    std::pair<const char*, HWND> search{aCaption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &FindCaption, reinterpret_cast<LPARAM>(&search));
    return search.second;
}
} // namespace

char MissingDriveLetter()
{
    DWORD used = GetLogicalDrives();
    for (char c = 'Q'; c <= 'Y'; ++c)
        if (!(used & (1u << (c - 'A'))))
            return c;
    return 0;
}

TTestDrive::TTestDrive(UINT aKind, const std::string& aLabel)
{
    if (!aLabel.empty())
        WriteFile(Folder() + ".windows-label", aLabel + "\n");
    DWORD used = GetLogicalDrives();
    for (char letter = 'W'; letter >= 'L'; --letter) {
        if (used & (1u << (letter - 'A')))
            continue;
        if (DefineUnixDrive(letter, aKind, UnixPath(Folder())))
            FLetter = letter;
        break;
    }
}

TTestDrive::~TTestDrive()
{
    if (!FLetter)
        return;
    DefineUnixDrive(FLetter, DRIVE_NO_ROOT_DIR, "");
    DeleteRegValue(HKEY_LOCAL_MACHINE, kWineDrives, std::string(1, static_cast<char>(FLetter - 'A' + 'a')) + ":");
}

TTestShare::TTestShare(const std::string& aName) : FPath("\\\\klpserver\\" + aName)
{
    // Wine finds \\server\share under dosdevices\unc\server\share.
    std::string unc = UnixPath("C:\\") + "/../dosdevices/unc/klpserver";
    FLink = unc + "/" + aName;
    if (RunUnix("mkdir -p '" + unc + "' && ln -sfn '" + UnixPath(Folder()) + "' '" + FLink + "'") != 0)
        throw std::runtime_error("cannot make the share " + FPath);
}

TTestShare::~TTestShare()
{
    RunUnix("rm -f '" + FLink + "'");
}

TDirSystemScope::TDirSystemScope() : FSaved(DirSystem())
{
    char buffer[MAX_PATH + 1] = {};
    GetCurrentDirectoryA(sizeof buffer, buffer);
    FDirectory = buffer;
}

TDirSystemScope::~TDirSystemScope()
{
    DirSystem() = FSaved;
    SetCurrentDirectoryA(FDirectory.c_str());
}

int TFakeDrives::SearchesOf(const std::string& aDir) const
{
    return static_cast<int>(std::count_if(SearchedDirs.begin(), SearchedDirs.end(),
                                          [&](const std::string& d) { return SameDir(d, aDir); }));
}

TFakeDrives& FakeDrives()
{
    static TFakeDrives fake;
    return fake;
}

void InstallFakeDrives()
{
    FakeDrives().Reset();
    TDirSystem& table = DirSystem();
    table.SetErrorMode = &FakeSetErrorMode;
    table.GetDriveTypeA = &FakeGetDriveType;
    table.GetVolumeInformationA = &FakeGetVolumeInformation;
    table.SetCurrentDirectoryA = &FakeSetCurrentDirectory;
    table.FindFirstFileA = &FakeFindFirstFile;
    table.FindNextFileA = &FakeFindNextFile;
    table.WNetGetConnectionA = &FakeGetConnection;
    table.LoadNetConnectDialog = &FakeLoadConnectDialog;
}

TModalDriver::TModalDriver(std::vector<TStep> aSteps) : FSteps(std::move(aSteps)), FStarted(GetTickCount())
{
    gDriver = this;
    FTimer = SetTimer(nullptr, 0, 15, &TModalDriver::Tick);
}

TModalDriver::~TModalDriver()
{
    KillTimer(nullptr, FTimer);
    gDriver = nullptr;
}

void CALLBACK TModalDriver::Tick(HWND, UINT, UINT_PTR, DWORD) noexcept
{
    TModalDriver* self = gDriver;
    // A step that opens a box of its own gets ticks from that box's loop.
    if (!self || self->FBusy || self->Done())
        return;
    self->FBusy = true;
    try {
        if (GetTickCount() - self->FStarted > kDriverTimeoutMs)
            throw std::runtime_error("step " + std::to_string(self->FNext) + " did not finish in time");
        if (self->FSteps[self->FNext]())
            ++self->FNext;
    } catch (const std::exception& e) {
        self->FFailure = e.what();
        self->FNext = self->FSteps.size();
        // Get out of whatever modal loop is running.
        if (HWND box = FindOwnMessageBox())
            PostMessageA(box, WM_CLOSE, 0, 0);
        if (HWND dialog = FindOwnWindow("Select Directory"))
            PostMessageA(dialog, WM_CLOSE, 0, 0);
    }
    self->FBusy = false;
}

HWND FindOwnWindow(const char* aCaption)
{
    return FindOwn(aCaption);
}

HWND FindOwnMessageBox()
{
    return FindOwn(nullptr);
}

std::string MessageBoxText(HWND aBox)
{
    char text[512] = {};
    GetDlgItemTextA(aBox, 0xFFFF, text, sizeof text);
    return text;
}

void PostClick(HWND aWindow, int anId)
{
    HWND button = GetDlgItem(aWindow, anId);
    PostMessageA(aWindow, WM_COMMAND, MAKEWPARAM(anId, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}
