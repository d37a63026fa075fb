#pragma once
// Registry values that tests write and remove again, and values of the
// machine that a test changes for a moment and puts back.
#include <windows.h>
#include <string>

// A value under a key of HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE, written with
// raw data and a type of the test's choosing. The value is deleted when the
// object goes, and so is the key if this object created it.
class ScopedRegValue {
public:
    ScopedRegValue(HKEY root, const std::string& keyPath, const std::string& name, DWORD type, const std::string& data,
                   REGSAM view = 0);
    ScopedRegValue(const ScopedRegValue&) = delete;
    ScopedRegValue& operator=(const ScopedRegValue&) = delete;
    ~ScopedRegValue();

private:
    HKEY FRoot;
    std::string FKeyPath, FName;
    REGSAM FView;
    bool FCreatedKey = false;
};

// A REG_SZ's bytes with the terminating NUL the platform stores.
inline std::string Sz(const std::string& text)
{
    return text + '\0';
}

// Deletes a value (and nothing else) if it is there; for a clean start.
void DeleteRegValue(HKEY root, const std::string& keyPath, const std::string& name, REGSAM view = 0);

// Writes a value, creating the key if needed; raises when it cannot.
void SetRegValue(HKEY root, const std::string& keyPath, const std::string& name, DWORD type, const std::string& data,
                 REGSAM view = 0);

// Remembers a value (or its absence) and puts it back when the object goes,
// for tests that must change a value of the machine for a moment.
class SavedRegValue {
public:
    SavedRegValue(HKEY root, const std::string& keyPath, const std::string& name, REGSAM view = 0);
    SavedRegValue(const SavedRegValue&) = delete;
    SavedRegValue& operator=(const SavedRegValue&) = delete;
    ~SavedRegValue();
    bool Existed() const noexcept { return FExisted; }

private:
    HKEY FRoot;
    std::string FKeyPath, FName;
    REGSAM FView;
    bool FExisted = false;
    DWORD FType = 0;
    std::string FData;
};
