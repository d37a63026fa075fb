#include "app/ShellFolders.h"

#include "core/Registry.h"

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

std::string ProgramFilesDirectory()
{
    // Through the 32-bit view on both builds: the product is a 32-bit editor,
    // and its home on a 64-bit Windows is the 32-bit program-files folder.
    return ReadRegistryString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", "",
                              KEY_WOW64_32KEY);
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
