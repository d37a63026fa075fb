#pragma once
// The file helpers behind the cabinet library's file callbacks, which the
// reader also calls for the destination files it writes itself; the one
// routine that stamps a finished file; the path joiner.
#include <windows.h>
#include <cstdint>
#include <initializer_list>
#include <string>

// C run-time open flags as the library passes them.
enum : int {
    cabO_RDONLY = 0x0000,
    cabO_WRONLY = 0x0001,
    cabO_RDWR = 0x0002,
    cabO_APPEND = 0x0008,
    cabO_RANDOM = 0x0010,
    cabO_SEQUENTIAL = 0x0020,
    cabO_TEMPORARY = 0x0040,
    cabO_NOINHERIT = 0x0080,
    cabO_CREAT = 0x0100,
    cabO_TRUNC = 0x0200,
    cabO_EXCL = 0x0400,
    cabO_SHORT_LIVED = 0x1000,
    cabO_TEXT = 0x4000,
    cabO_BINARY = 0x8000,
};
enum : int { cabS_IWRITE = 0x0080, cabS_IREAD = 0x0100 };

// The attributes a stamp sets: read-only, hidden, system and archive.
constexpr DWORD CabStampedAttributes = 0x27;

// File helpers: each writes anError only on failure, with the system's code.
INT_PTR CabFileOpen(const char* aFileName, int anOpenFlags, int aPermission, int32_t& anError);
UINT CabFileRead(INT_PTR aHandle, void* aBuffer, UINT aCount, int32_t& anError);
UINT CabFileWrite(INT_PTR aHandle, const void* aBuffer, UINT aCount, int32_t& anError);
int CabFileClose(INT_PTR aHandle, int32_t& anError);
LONG CabFileSeek(INT_PTR aHandle, LONG aDistance, int anOrigin, int32_t& anError);

// The cabinet's local DOS date and time as a UTC file time.
bool CabDosToUtcFileTime(uint16_t aDate, uint16_t aTime, FILETIME& anUtc);

// The last date and time converted, kept by a caller that stamps many files:
// the files of one cabinet share few date and time pairs.
class TCabStampTimes {
public:
    // False when the pair names no time (the file's times are then left alone).
    bool Convert(uint16_t aDate, uint16_t aTime, FILETIME& anUtc);

private:
    bool FValid = false;
    uint16_t FDate = 0, FTime = 0;
    FILETIME FUtc{};
};

// How the attributes of a stamped file are set.
enum class TCabStampAttrs {
    csaAlways,
    // The file was just created, so it carries exactly the archive bit
    // already: the attributes are set only when they differ from that.
    csaNewFile,
};

// The one stamping routine: sets creation and last-write time of the open
// file aHandle from the cabinet's local DOS date and time (left alone when
// they name no time), closes aHandle, then sets aFileName's attributes to
// anAttrs masked with 0x27. The attributes come after the times, so that a
// file that becomes read-only has been stamped already. Failures of the
// conversion, the times and the attributes are silent.
void CabFileStampAndClose(INT_PTR aHandle, const char* aFileName, uint16_t aDate, uint16_t aTime, uint16_t anAttrs,
                          TCabStampAttrs aMode = TCabStampAttrs::csaAlways, TCabStampTimes* aTimes = nullptr);

// Opens the finished file by name for reading and writing and stamps it as
// above. False (and anError) only when the file cannot be opened; it is then
// left as it was.
bool CabFileSetDateTimeAttrs(const char* aFileName, uint16_t aDate, uint16_t aTime, uint16_t anAttrs, int32_t& anError);

// A file that is already there is never overwritten in place: its
// replacement is written to a new file beside it (made here with write access
// and the right to be renamed), stamped, and put in place by one rename once
// it is complete. Until then the old file stays as it was.
INT_PTR CabFileCreateReplacement(const char* aFileName, int32_t& anError);

// Stamps the complete replacement aHandle, open on aTempName, as
// CabFileStampAndClose does (times through the handle, attributes by name),
// then renames it over aTarget, whose read-only bit is cleared for that
// (aTargetAttrs are its attributes). The times are set again after the
// rename: NTFS hands a name's old creation time on to a file that takes the
// name soon after ("tunnelling"). Closes aHandle. False, with anError, when
// the rename failed: aTarget then has its attributes back and aTempName is
// still there.
bool CabFileStampAndReplace(INT_PTR aHandle, const char* aTempName, const char* aTarget, DWORD aTargetAttrs,
                            uint16_t aDate, uint16_t aTime, uint16_t anAttrs, TCabStampTimes* aTimes, int32_t& anError);

// True when another program holds aFileName so that it cannot be replaced:
// opening it the way replacing it needs (deleting it and writing its data),
// sharing everything, fails with a sharing or lock violation. A read-only
// file refuses write access on Windows: it is then asked for deleting alone.
// Asked after a rename failed, to tell a file in use from other refusals.
bool CabFileInUse(const char* aFileName);

// Removes a file this reader created and could not complete (attributes
// cleared first: a stamped file may be read-only). Failures are silent.
void CabFileDiscard(const char* aFileName) noexcept;

// Joins the parts with exactly one backslash at each seam, skipping empty parts.
std::string CabJoinPath(std::initializer_list<std::string> aParts);
