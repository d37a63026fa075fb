#pragma once
// A link object that records what it is asked and fails where a test says, so
// that failures the shell's own object never gives can be provoked, and
// every reference handed out can be counted back.
#include <windows.h>
#include <shlobj.h>
#include <string>
#include <vector>

class FakeShellLink : public IShellLinkA, public IPersistFile {
public:
    // Which interfaces QueryInterface hands out.
    bool OffersShellLink = true;
    bool OffersPersistFile = true;
    // Results of the three calls CreateShortcut makes.
    HRESULT SetPathResult = S_OK;
    HRESULT SetWorkingDirectoryResult = S_OK;
    HRESULT SaveResult = S_OK;

    // What was asked, in order ("SetPath", "SetWorkingDirectory", "Save").
    std::vector<std::string> Calls;
    std::string Path, WorkingDirectory;
    std::wstring SavedName;
    BOOL Remember = -1;

    // References held; the test's own one counts.
    ULONG RefCount() const { return FRefs; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefs; }
    ULONG STDMETHODCALLTYPE Release() override { return --FRefs; }

    // IShellLinkA: only the two setters CreateShortcut uses do anything.
    HRESULT STDMETHODCALLTYPE GetPath(LPSTR, int, WIN32_FIND_DATAA*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDList(LPITEMIDLIST*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetIDList(LPCITEMIDLIST) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDescription(LPSTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDescription(LPCSTR) override { return Unexpected("SetDescription"); }
    HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPSTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCSTR dir) override;
    HRESULT STDMETHODCALLTYPE GetArguments(LPSTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetArguments(LPCSTR) override { return Unexpected("SetArguments"); }
    HRESULT STDMETHODCALLTYPE GetHotkey(WORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetHotkey(WORD) override { return Unexpected("SetHotkey"); }
    HRESULT STDMETHODCALLTYPE GetShowCmd(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetShowCmd(int) override { return Unexpected("SetShowCmd"); }
    HRESULT STDMETHODCALLTYPE GetIconLocation(LPSTR, int, int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetIconLocation(LPCSTR, int) override { return Unexpected("SetIconLocation"); }
    HRESULT STDMETHODCALLTYPE SetRelativePath(LPCSTR, DWORD) override { return Unexpected("SetRelativePath"); }
    HRESULT STDMETHODCALLTYPE Resolve(HWND, DWORD) override { return Unexpected("Resolve"); }
    HRESULT STDMETHODCALLTYPE SetPath(LPCSTR path) override;

    // IPersistFile: only Save does anything.
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR, DWORD) override { return Unexpected("Load"); }
    HRESULT STDMETHODCALLTYPE Save(LPCOLESTR name, BOOL remember) override;
    HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR) override { return Unexpected("SaveCompleted"); }
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR*) override { return E_NOTIMPL; }

    // A maker for CreateShortcut that hands out this object's IUnknown.
    HRESULT Make(IUnknown** object);

private:
    HRESULT Unexpected(const char* name)
    {
        Calls.push_back(name);
        return E_UNEXPECTED;
    }
    ULONG FRefs = 1;
};
