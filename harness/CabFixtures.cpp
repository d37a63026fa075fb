#include "harness/CabFixtures.h"

#include <windows.h>
#include <fci.h>
#include <algorithm>
#include <cstdio>
#include <map>
#include <stdexcept>

namespace {

struct TMakerState {
    std::map<std::string, const TFixtureFile*> BySource;
    std::string TempDir;
    std::string Pattern;
    int TempCount = 0;
    std::vector<std::string> Written;
};

HANDLE H(INT_PTR h)
{
    return reinterpret_cast<HANDLE>(h);
}

void* DIAMONDAPI Alloc(ULONG cb)
{
    return malloc(cb);
}
void DIAMONDAPI Free(void* p)
{
    free(p);
}

INT_PTR DIAMONDAPI Open(char* name, int oflag, int, int* err, void*)
{
    DWORD access = (oflag & 3) == 0 ? GENERIC_READ : (oflag & 3) == 1 ? GENERIC_WRITE : GENERIC_READ | GENERIC_WRITE;
    DWORD disposition = (oflag & 0x0100) ? ((oflag & 0x0200) ? CREATE_ALWAYS : OPEN_ALWAYS) : OPEN_EXISTING;
    HANDLE h = CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *err = static_cast<int>(GetLastError());
        return -1;
    }
    return reinterpret_cast<INT_PTR>(h);
}
UINT DIAMONDAPI Read(INT_PTR hf, void* buf, UINT cb, int* err, void*)
{
    DWORD n = 0;
    if (!ReadFile(H(hf), buf, cb, &n, nullptr)) {
        *err = static_cast<int>(GetLastError());
        return static_cast<UINT>(-1);
    }
    return n;
}
UINT DIAMONDAPI Write(INT_PTR hf, void* buf, UINT cb, int* err, void*)
{
    DWORD n = 0;
    if (!WriteFile(H(hf), buf, cb, &n, nullptr)) {
        *err = static_cast<int>(GetLastError());
        return static_cast<UINT>(-1);
    }
    return n;
}
int DIAMONDAPI Close(INT_PTR hf, int*, void*)
{
    return CloseHandle(H(hf)) ? 0 : -1;
}
LONG DIAMONDAPI Seek(INT_PTR hf, LONG dist, int origin, int* err, void*)
{
    DWORD pos = SetFilePointer(H(hf), dist, nullptr, origin);
    if (pos == INVALID_SET_FILE_POINTER) {
        *err = static_cast<int>(GetLastError());
        return -1;
    }
    return static_cast<LONG>(pos);
}
int DIAMONDAPI Delete(char* name, int*, void*)
{
    DeleteFileA(name);
    return 0;
}
BOOL DIAMONDAPI GetTempFile(char* name, int cb, void* pv)
{
    auto* s = static_cast<TMakerState*>(pv);
    std::snprintf(name, cb, "%stmp%d", s->TempDir.c_str(), ++s->TempCount);
    DeleteFileA(name);
    return TRUE;
}
int DIAMONDAPI FilePlaced(PCCAB, char*, LONG, BOOL, void*)
{
    return 0;
}
BOOL DIAMONDAPI GetNextCabinet(PCCAB ccab, ULONG, void* pv)
{
    auto* s = static_cast<TMakerState*>(pv);
    std::snprintf(ccab->szCab, sizeof ccab->szCab, s->Pattern.c_str(), ccab->iCab);
    return TRUE;
}
LONG DIAMONDAPI Status(UINT typeStatus, ULONG cb1, ULONG, void* pv)
{
    (void)cb1;
    (void)pv;
    return typeStatus == statusCabinet ? static_cast<LONG>(cb1) : 0;
}
INT_PTR DIAMONDAPI GetOpenInfo(char* name, USHORT* date, USHORT* time, USHORT* attribs, int* err, void* pv)
{
    auto* s = static_cast<TMakerState*>(pv);
    const TFixtureFile* f = s->BySource.at(name);
    *date = f->Date;
    *time = f->Time;
    *attribs = f->Attrs;
    return Open(name, 0x8000, 0, err, pv);
}

void WriteWhole(const std::string& name, const std::string& content)
{
    HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create fixture source " + name);
    DWORD n = 0;
    BOOL ok = content.empty() || WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &n, nullptr);
    CloseHandle(h);
    if (!ok)
        throw std::runtime_error("cannot write fixture source " + name);
}

} // namespace

std::vector<std::string> MakeCabinets(const std::string& dir, const std::vector<TFixtureFile>& files,
                                      const TFixtureSet& options)
{
    TMakerState state;
    state.Pattern = options.NamePattern;
    state.TempDir = dir + "fixture-src\\";
    CreateDirectoryA(state.TempDir.c_str(), nullptr);
    std::vector<std::string> sources;
    for (size_t i = 0; i < files.size(); ++i) {
        std::string source = state.TempDir + "src" + std::to_string(i);
        WriteWhole(source, files[i].Content);
        state.BySource[source] = &files[i];
        sources.push_back(source);
    }

    CCAB ccab{};
    ccab.cb = options.MaxCabinetSize;
    ccab.cbFolderThresh = 0x7FFFFFFF;
    ccab.iCab = 1;
    ccab.setID = options.SetID;
    std::snprintf(ccab.szCab, sizeof ccab.szCab, options.NamePattern.c_str(), 1);
    std::snprintf(ccab.szCabPath, sizeof ccab.szCabPath, "%s", dir.c_str());
    ERF erf{};
    HFCI fci =
        FCICreate(&erf, FilePlaced, Alloc, Free, Open, Read, Write, Close, Seek, Delete, GetTempFile, &ccab, &state);
    if (!fci)
        throw std::runtime_error("FCICreate failed: " + std::to_string(erf.erfOper));
    TCOMP type = options.Compress ? tcompTYPE_MSZIP : tcompTYPE_NONE;
    bool ok = true;
    for (size_t i = 0; i < files.size() && ok; ++i) {
        if (options.CabinetPerFile && i > 0)
            ok = FCIFlushCabinet(fci, TRUE, GetNextCabinet, Status);
        ok = ok && FCIAddFile(fci, sources[i].data(), const_cast<char*>(files[i].StoredName.c_str()), files[i].Exec,
                              GetNextCabinet, Status, GetOpenInfo, type);
    }
    ok = ok && FCIFlushCabinet(fci, FALSE, GetNextCabinet, Status);
    int oper = erf.erfOper;
    FCIDestroy(fci);
    for (const std::string& source : sources)
        DeleteFileA(source.c_str());
    RemoveDirectoryA(state.TempDir.c_str());
    if (!ok)
        throw std::runtime_error("FCI failed: " + std::to_string(oper));

    std::vector<std::string> cabinets;
    for (int n = 1; n < 1000; ++n) {
        char name[512];
        std::snprintf(name, sizeof name, options.NamePattern.c_str(), n);
        std::string full = dir + name;
        if (GetFileAttributesA(full.c_str()) == INVALID_FILE_ATTRIBUTES)
            break;
        cabinets.push_back(full);
    }
    // Every caller takes the first cabinet: none must end the test early.
    if (cabinets.empty())
        throw std::runtime_error("no cabinet was written for " + dir + options.NamePattern);
    return cabinets;
}

namespace {
void Put16(std::string& out, uint32_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}
void Put32(std::string& out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}
} // namespace

void MakeStoredCabinet(const std::string& path, const std::vector<TFixtureFile>& files, uint16_t setID)
{
    constexpr uint32_t HeaderSize = 36, FolderSize = 8, BlockSize = 32768, BlockHeaderSize = 8;
    std::string data, table;
    for (const TFixtureFile& f : files) {
        Put32(table, static_cast<uint32_t>(f.Content.size()));
        Put32(table, static_cast<uint32_t>(data.size())); // offset in the one folder
        Put16(table, 0);
        Put16(table, f.Date);
        Put16(table, f.Time);
        Put16(table, f.Attrs | (f.Exec ? 0x40 : 0));
        table += f.StoredName + '\0';
        data += f.Content;
    }
    uint32_t blocks = static_cast<uint32_t>((data.size() + BlockSize - 1) / BlockSize);
    uint32_t firstBlock = HeaderSize + FolderSize + static_cast<uint32_t>(table.size());
    std::string cab = "MSCF";
    Put32(cab, 0);
    Put32(cab, firstBlock + blocks * BlockHeaderSize + static_cast<uint32_t>(data.size()));
    Put32(cab, 0);
    Put32(cab, HeaderSize + FolderSize); // the file table
    Put32(cab, 0);
    cab += "\x03\x01"; // format 1.3
    Put16(cab, 1);     // folders
    Put16(cab, static_cast<uint32_t>(files.size()));
    Put16(cab, 0); // no flags: no set neighbours, no reserve
    Put16(cab, setID);
    Put16(cab, 0);
    Put32(cab, firstBlock);
    Put16(cab, blocks);
    Put16(cab, 0); // stored
    cab += table;
    for (size_t at = 0; at < data.size(); at += BlockSize) {
        uint32_t size = static_cast<uint32_t>(std::min<size_t>(BlockSize, data.size() - at));
        Put32(cab, 0); // no checksum
        Put16(cab, size);
        Put16(cab, size);
        cab.append(data, at, size);
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE &&
              WriteFile(file, cab.data(), static_cast<DWORD>(cab.size()), &written, nullptr) && written == cab.size();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (!ok)
        throw std::runtime_error("cannot write " + path);
}

std::string NoiseBytes(size_t count, uint32_t seed)
{
    std::string s(count, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

namespace {

void PutWord(std::string& out, uint16_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}
void PutLong(std::string& out, uint32_t v)
{
    PutWord(out, static_cast<uint16_t>(v & 0xFFFF));
    PutWord(out, static_cast<uint16_t>(v >> 16));
}
void SetLong(std::string& out, size_t at, uint32_t v)
{
    std::string bytes;
    PutLong(bytes, v);
    out.replace(at, 4, bytes);
}

} // namespace

std::string RawCabinetBytes(const TRawCabinet& c)
{
    constexpr size_t BlockSize = 32768;
    const uint16_t folders = c.FolderCount.value_or(1);
    std::string data;
    for (const TFixtureFile& f : c.Files)
        data += f.Content;
    const uint16_t blocks = static_cast<uint16_t>((data.size() + BlockSize - 1) / BlockSize);

    std::string out = "MSCF";
    PutLong(out, 0);
    const size_t cabinetSizeAt = out.size();
    PutLong(out, 0); // cbCabinet, set at the end
    PutLong(out, 0);
    const size_t tableAt = out.size();
    PutLong(out, 0); // coffFiles, set below
    PutLong(out, 0);
    out += '\x03';
    out += '\x01';
    PutWord(out, folders);
    PutWord(out, c.FileCount.value_or(static_cast<uint16_t>(c.Files.size())));
    PutWord(out, static_cast<uint16_t>((c.Previous.empty() ? 0 : 1) | (c.Next.empty() ? 0 : 2)));
    PutWord(out, c.SetID);
    PutWord(out, c.Index);
    if (!c.Previous.empty()) {
        out += c.Previous + '\0';
        out += "disk" + std::string(1, '\0');
    }
    if (!c.Next.empty()) {
        out += c.Next + '\0';
        out += "disk" + std::string(1, '\0');
    }
    std::vector<size_t> folderStarts;
    for (uint16_t i = 0; i < folders; ++i) {
        folderStarts.push_back(out.size());
        PutLong(out, 0); // coffCabStart, set below
        PutWord(out, i == 0 ? blocks : 0);
        PutWord(out, 0); // stored
    }
    SetLong(out, tableAt, c.FileTableOffset.value_or(static_cast<uint32_t>(out.size())));
    uint32_t offset = 0;
    for (size_t i = 0; i < c.Files.size(); ++i) {
        const TFixtureFile& f = c.Files[i];
        uint16_t folder = 0;
        for (const auto& [index, value] : c.FolderOf)
            if (index == i)
                folder = value;
        PutLong(out, static_cast<uint32_t>(f.Content.size()));
        PutLong(out, offset);
        PutWord(out, folder);
        PutWord(out, f.Date);
        PutWord(out, f.Time);
        PutWord(out, static_cast<uint16_t>(f.Attrs | (f.Exec ? 0x40 : 0)));
        out += f.StoredName + '\0';
        offset += static_cast<uint32_t>(f.Content.size());
    }
    for (size_t at : folderStarts)
        SetLong(out, at, static_cast<uint32_t>(out.size()));
    for (size_t at = 0; at < data.size(); at += BlockSize) {
        const std::string block = data.substr(at, BlockSize);
        PutLong(out, 0); // no checksum
        PutWord(out, static_cast<uint16_t>(block.size()));
        PutWord(out, static_cast<uint16_t>(block.size()));
        out += block;
    }
    SetLong(out, cabinetSizeAt, static_cast<uint32_t>(out.size()));
    return out;
}
