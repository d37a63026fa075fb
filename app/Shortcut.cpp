#include "app/Shortcut.h"

#include <shlobj.h>
#include <wrl/client.h>

#include "core/FileSystem.h"
#include "core/Strings.h"

using Microsoft::WRL::ComPtr;

std::string ShortcutFileIn(const std::string& folder, const char* missingMessage)
{
    if (folder.empty())
        throw Exception(missingMessage);
    return IncludeTrailingBackslash(folder) + ShortcutFileName;
}

std::string ShortcutTarget(const std::string& installDir)
{
    return IncludeTrailingBackslash(installDir) + ProductExeName;
}

std::string ShortcutWorkingDirectory(const std::string& installDir)
{
    return ExtractFileDir(installDir);
}

HRESULT CreateShellLinkObject(IUnknown** object)
{
    return CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                            reinterpret_cast<void**>(object));
}

// Asks object for interface T; a refusal, or a success without a pointer,
// means the object does not offer it.
template <typename T, typename U>
static ComPtr<T> Require(const ComPtr<U>& object)
{
    ComPtr<T> result;
    if (FAILED(object.As(&result)) || !result)
        throw EInterfaceNotSupported();
    return result;
}

void CreateShortcut(const std::string& LinkFile, const std::string& InstallDir, const LinkObjectMaker& makeObject)
{
    // Any file of that name, whatever its date, is the user's: Save must not
    // overwrite it.
    if (FileExists(LinkFile))
        return;

    // Every interface below sits in a ComPtr, so each one is released when
    // this function leaves, also through an exception.
    ComPtr<IUnknown> object;
    OleCheck(makeObject(object.GetAddressOf()));
    if (!object)
        throw EInterfaceNotSupported();
    ComPtr<IShellLinkA> link = Require<IShellLinkA>(object);
    ComPtr<IPersistFile> file = Require<IPersistFile>(link);

    OleCheck(link->SetPath(ShortcutTarget(InstallDir).c_str()));
    OleCheck(link->SetWorkingDirectory(ShortcutWorkingDirectory(InstallDir).c_str()));
    // FALSE: the object does not take the new name as its current file.
    OleCheck(file->Save(AnsiToWide(LinkFile).c_str(), FALSE));
}
