#include "app/ShellFolders.h"

#include <algorithm>
#include <vector>

#include "core/Handle.h"

namespace {

// Holds the shell's allocator for one call and releases it on every path out.
class ShellAllocator {
public:
    ShellAllocator() noexcept
    {
        if (FAILED(SHGetMalloc(&FMalloc)))
            FMalloc = nullptr;
    }
    ShellAllocator(const ShellAllocator&) = delete;
    ShellAllocator& operator=(const ShellAllocator&) = delete;
    ~ShellAllocator()
    {
        if (FMalloc)
            FMalloc->Release();
    }
    IMalloc* get() const noexcept { return FMalloc; }

private:
    IMalloc* FMalloc = nullptr;
};

// An item list handed out by the shell, given back through FreeItemIdList
// when the owner goes.
class ItemIdList {
public:
    ItemIdList() noexcept = default;
    ItemIdList(const ItemIdList&) = delete;
    ItemIdList& operator=(const ItemIdList&) = delete;
    ~ItemIdList() { FreeItemIdList(FList); }
    LPITEMIDLIST* put() noexcept { return &FList; }
    LPCITEMIDLIST get() const noexcept { return FList; }

private:
    LPITEMIDLIST FList = nullptr;
};

} // namespace

std::string ReadRegistryString(HKEY root, const std::string& keyPath, const std::string& valueName,
                               const std::string& defaultValue, REGSAM aView)
{
    // The platform's key paths are relative to the root; a leading backslash
    // only says that the path starts there.
    std::string path = !keyPath.empty() && keyPath[0] == '\\' ? keyPath.substr(1) : keyPath;
    RegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | aView, key.put()) != ERROR_SUCCESS)
        return defaultValue;

    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return defaultValue;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return defaultValue;

    // Exactly the reported size: the stored data need not end in a NUL, so
    // the text is cut at the first NUL inside the data, not by the C string.
    std::vector<char> buffer(size);
    if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) != ERROR_SUCCESS)
        return defaultValue;
    std::string text(buffer.data(), std::min<size_t>(size, buffer.size()));
    return text.substr(0, text.find('\0'));
}

std::string ProgramFilesDirectory()
{
    // Through the 32-bit view on both builds: the product is a 32-bit editor,
    // and its home on a 64-bit Windows is the 32-bit program-files folder.
    return ReadRegistryString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                              "", KEY_WOW64_32KEY);
}

std::string SpecialFolderPath(int folder)
{
    ItemIdList list;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, folder, list.put())))
        return {};
    return ItemIdListToPath(list.get());
}

std::string DesktopDirectory()
{
    return SpecialFolderPath(CSIDL_DESKTOP);
}

std::string StartMenuDirectory()
{
    return SpecialFolderPath(CSIDL_STARTMENU);
}

std::string ItemIdListToPath(LPCITEMIDLIST list)
{
    char buffer[MAX_PATH + 1] = {};
    if (!SHGetPathFromIDListA(list, buffer))
        return {};
    buffer[MAX_PATH] = '\0';
    return buffer;
}

bool FreeItemIdList(LPITEMIDLIST& list)
{
    if (!list)
        return true;
    ShellAllocator allocator;
    if (!allocator.get())
        return false;
    // Only a list this allocator handed out may go back to it; -1 means it
    // cannot tell, which is treated as "not mine".
    if (allocator.get()->DidAlloc(list) <= 0)
        return false;
    allocator.get()->Free(list);
    list = nullptr;
    return true;
}
