#include "tests/shortcut/FakeShellLink.h"

HRESULT FakeShellLink::QueryInterface(REFIID riid, void** ppv)
{
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || (OffersShellLink && IsEqualIID(riid, IID_IShellLinkA)))
        *ppv = static_cast<IShellLinkA*>(this);
    else if (OffersPersistFile && IsEqualIID(riid, IID_IPersistFile))
        *ppv = static_cast<IPersistFile*>(this);
    if (!*ppv)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT FakeShellLink::SetPath(LPCSTR path)
{
    Calls.push_back("SetPath");
    Path = path;
    return SetPathResult;
}

HRESULT FakeShellLink::SetWorkingDirectory(LPCSTR dir)
{
    Calls.push_back("SetWorkingDirectory");
    WorkingDirectory = dir;
    return SetWorkingDirectoryResult;
}

HRESULT FakeShellLink::Save(LPCOLESTR name, BOOL remember)
{
    Calls.push_back("Save");
    SavedName = name ? name : L"";
    Remember = remember;
    return SaveResult;
}

HRESULT FakeShellLink::Make(IUnknown** object)
{
    AddRef();
    *object = static_cast<IShellLinkA*>(this);
    return S_OK;
}
