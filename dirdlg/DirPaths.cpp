#include "dirdlg/DirPaths.h"

#include "core/Strings.h"
#include "dirdlg/DirFiles.h"
#include "core/Handle.h"

namespace {
bool IsLead(const std::string& s, size_t i, UINT aCodePage)
{
    return i + 1 < s.size() && IsDBCSLeadByteEx(aCodePage, static_cast<BYTE>(s[i]));
}

// Position of the first byte at or after aFrom that is aChar and not a trail
// byte; npos when there is none. aFrom must be a character boundary.
size_t FindDelimiter(const std::string& s, char aChar, size_t aFrom, UINT aCodePage)
{
    for (size_t i = aFrom; i < s.size(); ++i) {
        if (IsLead(s, i, aCodePage))
            ++i;
        else if (s[i] == aChar)
            return i;
    }
    return std::string::npos;
}

// True when the last character of s is aChar (and not a double-byte
// character whose trail byte happens to be aChar).
bool EndsWithChar(const std::string& s, char aChar, UINT aCodePage)
{
    return !s.empty() && s.back() == aChar && !IsTrailByte(s, s.size() - 1, aCodePage);
}

// Changes back to a directory on every path out of SplitEditPath, provided it
// still exists; a failure there must not hide the one that is unwinding.
class TRestoreDirectory {
public:
    explicit TRestoreDirectory(std::string aDir) : FDir(std::move(aDir)) {}
    TRestoreDirectory(const TRestoreDirectory&) = delete;
    TRestoreDirectory& operator=(const TRestoreDirectory&) = delete;
    ~TRestoreDirectory()
    {
        try {
            if (IsDirectory(FDir))
                ChangeDirectory(FDir);
        } catch (...) {
        }
    }

private:
    std::string FDir;
};
} // namespace

size_t NextBackslash(const std::string& Path, size_t aFrom, UINT CodePage)
{
    return FindDelimiter(Path, '\\', aFrom, CodePage);
}

bool EndsWithBackslash(const std::string& Path, UINT CodePage)
{
    return EndsWithChar(Path, '\\', CodePage);
}

bool HasWildcard(const std::string& Text, UINT CodePage)
{
    return FindDelimiter(Text, '*', 0, CodePage) != std::string::npos ||
           FindDelimiter(Text, '?', 0, CodePage) != std::string::npos;
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
    for (size_t i = FindDelimiter(Path, '\\', 0, CodePage); i != std::string::npos;
         i = FindDelimiter(Path, '\\', i + 1, CodePage))
        ++level;
    return level;
}

int FontLineHeight(HFONT Font)
{
    WindowDc screen(nullptr);
    if (!screen)
        return 0;
    SelectObjectScope font(screen.get(), Font ? static_cast<HGDIOBJ>(Font) : GetStockObject(SYSTEM_FONT));
    TEXTMETRICA metrics{};
    if (!GetTextMetricsA(screen.get(), &metrics))
        return 0;
    return metrics.tmHeight;
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
    size_t p = FindDelimiter(S, '\\', 0, CodePage);
    if (p != std::string::npos)
        S = "...\\" + S.substr(p + 1);
    else
        S.clear();
    if (rooted)
        S.insert(0, 1, '\\');
}

std::string FitPathToWidth(const std::string& Path, const TTextWidth& Width, int MaxWidth, UINT CodePage)
{
    std::string result = Path;
    size_t cut = LastDelimiter("\\:", Path, CodePage);
    std::string dirPart = Path.substr(0, cut);
    std::string name = Path.substr(cut);
    std::string drivePart;
    if (dirPart.size() >= 2 && dirPart[1] == ':' && !IsLead(dirPart, 0, CodePage)) {
        drivePart = dirPart.substr(0, 2);
        dirPart.erase(0, 2);
    }
    while ((!dirPart.empty() || !drivePart.empty()) && Width(result) > MaxWidth) {
        std::string before = drivePart + dirPart;
        if (dirPart == "\\...\\") {
            drivePart.clear();
            dirPart = "...\\";
        } else if (dirPart.empty()) {
            drivePart.clear();
        } else {
            DropFirstDirectory(dirPart, CodePage);
        }
        // Every step must cut something; a form the steps do not know stops here.
        if (drivePart + dirPart == before)
            break;
        result = drivePart + dirPart + name;
    }
    return result;
}

std::string FitPathToWidth(const std::string& Path, HDC Canvas, int MaxWidth, UINT CodePage)
{
    auto width = [Canvas](const std::string& aText) {
        SIZE extent{0, 0};
        GetTextExtentPoint32A(Canvas, aText.c_str(), static_cast<int>(aText.size()), &extent);
        return static_cast<int>(extent.cx);
    };
    return FitPathToWidth(Path, width, MaxWidth, CodePage);
}

std::string DrivePart(const std::string& Path, UINT CodePage)
{
    if (PathDriveLetter(Path))
        return Path.substr(0, 2);
    if (Path.compare(0, 2, "\\\\") != 0)
        return {};
    // \\server\share: up to the backslash after the share name.
    size_t server = FindDelimiter(Path, '\\', 2, CodePage);
    if (server == std::string::npos)
        return Path;
    size_t share = FindDelimiter(Path, '\\', server + 1, CodePage);
    return Path.substr(0, share);
}

char PathDriveLetter(const std::string& Path)
{
    if (Path.size() < 2 || Path[1] != ':')
        return 0;
    char c = Path[0];
    return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) ? c : 0;
}

TEditPath SplitEditPath(const std::string& Text, UINT CodePage)
{
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

    TRestoreDirectory restore(saveDir);
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
