#include "tests/TestRegistry.h"

#include <stdexcept>

#include "core/Handle.h"

ScopedRegValue::ScopedRegValue(HKEY root, const std::string& keyPath, const std::string& name, DWORD type,
                               const std::string& data, REGSAM view)
    : FRoot(root), FKeyPath(keyPath), FName(name), FView(view)
{
    RegKey key;
    DWORD disposition = 0;
    if (RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, key.put(), &disposition) !=
        ERROR_SUCCESS)
        throw std::runtime_error("cannot create key " + keyPath);
    FCreatedKey = disposition == REG_CREATED_NEW_KEY;
    SetRegValue(root, keyPath, name, type, data, view);
}

ScopedRegValue::~ScopedRegValue()
{
    DeleteRegValue(FRoot, FKeyPath, FName, FView);
    if (FCreatedKey)
        RegDeleteKeyExA(FRoot, FKeyPath.c_str(), FView, 0);
}

void DeleteRegValue(HKEY root, const std::string& keyPath, const std::string& name, REGSAM view)
{
    RegKey key;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_SET_VALUE | view, key.put()) == ERROR_SUCCESS)
        RegDeleteValueA(key.get(), name.c_str());
}

void SetRegValue(HKEY root, const std::string& keyPath, const std::string& name, DWORD type, const std::string& data,
                 REGSAM view)
{
    RegKey key;
    if (RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS)
        throw std::runtime_error("cannot create key " + keyPath);
    if (RegSetValueExA(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size())) != ERROR_SUCCESS)
        throw std::runtime_error("cannot set value " + name);
}

SavedRegValue::SavedRegValue(HKEY root, const std::string& keyPath, const std::string& name, REGSAM view)
    : FRoot(root), FKeyPath(keyPath), FName(name), FView(view)
{
    RegKey key;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_QUERY_VALUE | view, key.put()) != ERROR_SUCCESS)
        return;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &FType, nullptr, &size) != ERROR_SUCCESS)
        return;
    FData.resize(size);
    FExisted = RegQueryValueExA(key.get(), name.c_str(), nullptr, &FType, reinterpret_cast<BYTE*>(FData.data()),
                                &size) == ERROR_SUCCESS;
    FData.resize(size);
}

SavedRegValue::~SavedRegValue()
{
    try {
        if (FExisted)
            SetRegValue(FRoot, FKeyPath, FName, FType, FData, FView);
        else
            DeleteRegValue(FRoot, FKeyPath, FName, FView);
    } catch (...) {
        // Nothing more can be done from a destructor; the next run starts
        // from whatever is left.
    }
}
