#pragma once
// The file-system calls of the directory chooser. Each runs with the
// system's critical-error box suppressed (a drive without a medium fails the
// call instead of asking the user) and checks its result: a failure raises
// EInOutError with the system's code.
#include <windows.h>
#include <string>

#include "core/FileSystem.h"
#include "dirdlg/DirSystem.h"

// The process's current directory, fetched again at the reported size when
// it is longer than the buffer.
std::string CurrentDirectory();

// The full path of Name against the current directory ("" gives ""),
// fetched again at the reported size; a name the system cannot expand (one
// longer than it takes, say) raises instead of coming back unchanged.
std::string FullPath(const std::string& Name);

// Makes Dir the process's current directory.
void ChangeDirectory(const std::string& Dir);

// Our text for a drive that has no medium or is not ready.
std::string DriveNotReadyText(char aLetter);
// Raises EInOutError for a call on aPath that failed with aCode. A drive
// that is not ready is named in our own text: aPath's drive, or the current
// directory's for a relative path.
[[noreturn]] void RaiseInOutError(DWORD aCode, const std::string& aPath);

// True when Name is an existing directory, or an existing non-directory.
bool IsDirectory(const std::string& Name);
bool IsFile(const std::string& Name);

// The file-system flags of the volume whose root is Root ("C:\",
// "\\server\share\"); false when the volume cannot be asked.
bool VolumeFlags(const std::string& Root, DWORD& Flags);

// The find calls of the chooser's seam.
TFindCalls ChooserFindCalls() noexcept;

// Calls OnEntry(const WIN32_FIND_DATAA&) for every entry that a search for
// Pattern returns and AttrWord admits: entries with the hidden, system,
// volume or directory attribute are skipped unless AttrWord has that bit too.
// The search goes through the chooser's seam with the critical-error box
// suppressed throughout; one that ends for a reason other than "no entries"
// raises EInOutError.
template <typename F>
void SearchDirectory(const std::string& Pattern, DWORD AttrWord, F&& OnEntry)
{
    TCriticalErrorsOff quiet;
    TDirectorySearch search(Pattern, AttrWord, ChooserFindCalls());
    while (search.Next())
        OnEntry(search.Current().FindData);
    if (search.Failed())
        RaiseInOutError(search.LastError(), Pattern);
}
