#include "harness/SearchCounter.h"

#include <windows.h>

#include "core/FileSystem.h"
#include "core/Strings.h"
#include "dirdlg/DirSystem.h"

namespace {
// The seam's entries are plain function pointers: the counter's state is
// the file's own.
std::string gDir;
int gCount = 0;
decltype(TDirSystem::FindFirstFileA) gNext = nullptr;

HANDLE WINAPI CountingFindFirstFile(LPCSTR aPattern, LPWIN32_FIND_DATAA aData)
{
    if (lstrcmpiA(ExtractFileDir(ExpandFileName(aPattern)).c_str(), gDir.c_str()) == 0)
        ++gCount;
    return gNext(aPattern, aData);
}
} // namespace

TSearchCounter::TSearchCounter(const std::string& aDir)
{
    gDir = aDir;
    gCount = 0;
    gNext = DirSystem().FindFirstFileA;
    DirSystem().FindFirstFileA = &CountingFindFirstFile;
}

TSearchCounter::~TSearchCounter()
{
    DirSystem().FindFirstFileA = gNext;
}

int TSearchCounter::Count() const noexcept
{
    return gCount;
}

void TSearchCounter::Reset() noexcept
{
    gCount = 0;
}
