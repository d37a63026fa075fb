#include "harness/ShellLinkReader.h"

#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>
#include <stdexcept>

#include "core/Strings.h"

TShellLinkContents ReadShellLink(const std::string& file)
{
    using Microsoft::WRL::ComPtr;
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> persist;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(link.GetAddressOf()))) ||
        FAILED(link.As(&persist)))
        throw std::runtime_error("no shell link object");
    if (FAILED(persist->Load(AnsiToWide(file).c_str(), STGM_READ)))
        throw std::runtime_error("cannot load the shortcut " + file);
    TShellLinkContents out;
    char buffer[MAX_PATH * 2] = "";
    WIN32_FIND_DATAA data{};
    link->GetPath(buffer, MAX_PATH, &data, SLGP_RAWPATH);
    out.Path = buffer;
    buffer[0] = 0;
    link->GetWorkingDirectory(buffer, MAX_PATH);
    out.WorkingDirectory = buffer;
    buffer[0] = 0;
    link->GetArguments(buffer, MAX_PATH);
    out.Arguments = buffer;
    buffer[0] = 0;
    link->GetDescription(buffer, MAX_PATH);
    out.Description = buffer;
    return out;
}
