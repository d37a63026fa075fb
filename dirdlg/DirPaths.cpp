#include "dirdlg/DirPaths.h"

#include <algorithm>

#include "core/Strings.h"
#include "core/TextScan.h"
#include "dirdlg/DirFiles.h"

size_t NextBackslash(const std::string& Path, size_t aFrom, UINT CodePage)
{
    return FindChar(Path, '\\', aFrom, CodePage);
}

bool EndsWithBackslash(const std::string& Path, UINT CodePage)
{
    return EndsWithChar(Path, '\\', CodePage);
}

bool HasWildcard(const std::string& Text, UINT CodePage)
{
    return FindChar(Text, '*', 0, CodePage) != std::string::npos ||
           FindChar(Text, '?', 0, CodePage) != std::string::npos;
}

std::string JoinPath(const std::string& Dir, const std::string& Name, UINT CodePage)
{
    if (EndsWithChar(Dir, '\\', CodePage))
        return Dir + Name;
    return Dir + '\\' + Name;
}

int PathLevel(const std::string& Path, UINT CodePage)
{
    int level = 0;
    for (size_t i = FindChar(Path, '\\', 0, CodePage); i != std::string::npos;
         i = FindChar(Path, '\\', i + 1, CodePage))
        ++level;
    return level;
}

void DropFirstDirectory(std::string& S, UINT CodePage)
{
    if (S == "\\") {
        S.clear();
        return;
    }
    bool rooted = !S.empty() && S[0] == '\\';
    if (rooted)
        S.erase(0, 1);
    // Only the marker of an earlier step goes here, not a name that happens
    // to begin with a dot.
    if (S.compare(0, 4, "...\\") == 0)
        S.erase(0, 4);
    size_t p = FindChar(S, '\\', 0, CodePage);
    if (p != std::string::npos)
        S = "...\\" + S.substr(p + 1);
    else
        S.clear();
    if (rooted)
        S.insert(0, 1, '\\');
}

std::string DrivePart(const std::string& Path, UINT CodePage)
{
    if (PathDriveLetter(Path))
        return Path.substr(0, 2);
    if (Path.compare(0, 2, "\\\\") != 0)
        return {};
    // \\server\share: up to the backslash after the share name.
    size_t server = FindChar(Path, '\\', 2, CodePage);
    if (server == std::string::npos)
        return Path;
    size_t share = FindChar(Path, '\\', server + 1, CodePage);
    return Path.substr(0, share);
}

bool IsFullPath(const std::string& Path)
{
    return (PathDriveLetter(Path) && Path.size() >= 3 && Path[2] == '\\') || Path.compare(0, 2, "\\\\") == 0;
}

namespace {
// True for a full path whose names are all plain: none empty (a doubled
// backslash) but a last one after a final backslash, none "." or "..", and
// no slash or wildcard anywhere; a UNC path has its server and share.
bool IsPlainFullPath(const std::string& Text, UINT CodePage)
{
    if (!IsFullPath(Text) || HasWildcard(Text, CodePage) || FindChar(Text, '/', 0, CodePage) != std::string::npos)
        return false;
    std::string root = DrivePart(Text, CodePage);
    size_t start = root.size();
    if (!PathDriveLetter(Text)) {
        // "\\server\share" with both names, then a backslash.
        size_t server = FindChar(Text, '\\', 2, CodePage);
        if (server == std::string::npos || server == 2 || server + 1 >= root.size() || start >= Text.size())
            return false;
    }
    std::vector<std::string> names = SplitText(Text.substr(start + 1), '\\', CodePage);
    // The last name is empty after a final backslash.
    auto empty = [](const std::string& aName) { return aName.empty(); };
    auto dots = [](const std::string& aName) { return aName == "." || aName == ".."; };
    return std::none_of(names.begin(), names.end() - 1, empty) && std::none_of(names.begin(), names.end(), dots);
}

// The parts of a plain full path of an existing directory, as the walk would
// give them: the directory without its final backslash (a root keeps it).
TEditPath SplitFullDirectory(const std::string& Text, UINT CodePage)
{
    TEditPath result;
    std::string root = DrivePart(Text, CodePage);
    result.Drive = PathDriveLetter(root);
    result.DirPart = Text.substr(root.size());
    if (result.DirPart.size() > 1 && EndsWithChar(result.DirPart, '\\', CodePage))
        result.DirPart.pop_back();
    if (!result.Drive)
        result.DirPart.insert(0, root);
    return result;
}
} // namespace

TEditPath SplitEditPath(const std::string& Text, UINT CodePage)
{
    if (IsPlainFullPath(Text, CodePage) && IsDirectory(Text))
        return SplitFullDirectory(Text, CodePage);
    TEditPath result;
    std::string saveDir = CurrentDirectory();
    result.Drive = PathDriveLetter(saveDir);
    std::string dirPart = Text;
    std::string root;
    if (Text.size() >= 2 && Text[0] == '[' && EndsWithChar(Text, ']', CodePage)) {
        // A directory entry of a file list, relative to the current directory.
        dirPart = Text.substr(1, Text.size() - 2);
    } else {
        root = DrivePart(dirPart, CodePage);
        if (root.empty())
            root = DrivePart(saveDir, CodePage);
        else
            dirPart.erase(0, root.size());
        result.Drive = PathDriveLetter(root);
    }

    // Back to where the walk began on every path out, with the critical-error
    // box still off while going back.
    TCriticalErrorsOff quiet;
    TCurrentDirectoryRestore restore(saveDir, DirSystem().SetCurrentDirectoryA);
    // A root that cannot be entered fails here rather than letting the
    // directory be looked for on whatever drive is current.
    if (!root.empty())
        ChangeDirectory(root);
    std::string filePart = dirPart.substr(LastDelimiter("\\:", dirPart, CodePage));
    // The directory is named together with the drive or UNC root it belongs to.
    std::string prefix = root;
    if (dirPart.size() == filePart.size() + 1) {
        dirPart.assign(1, '\\');
    } else if (dirPart.size() > filePart.size()) {
        dirPart.resize(dirPart.size() - filePart.size() - 1);
    } else {
        std::string current = CurrentDirectory();
        prefix = DrivePart(current, CodePage);
        dirPart = current.substr(prefix.size());
        if (dirPart.empty())
            dirPart.assign(1, '\\');
    }
    if (!dirPart.empty())
        ChangeDirectory(prefix + dirPart);
    if (!filePart.empty() && !HasWildcard(filePart, CodePage) && !IsFile(filePart)) {
        ChangeDirectory(filePart);
        dirPart = JoinPath(dirPart, filePart, CodePage);
        filePart.clear();
    }
    if (!result.Drive)
        dirPart = prefix + dirPart;
    result.DirPart = dirPart;
    result.FilePart = filePart;
    return result;
}
