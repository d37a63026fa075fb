#pragma once
// Helpers shared by the cabinet tests: Linux tools run from the Windows test,
// tree comparison, and catching the exception a call raises.
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "harness/TestFiles.h"

// The Linux path of a Windows path (Wine's own mapping).
std::string UnixPath(const std::string& aWindowsPath);
// Runs a shell command on the Linux side and waits; returns its exit code.
int RunUnix(const std::string& aCommand);
// Relative names of the files under dir (ending in a backslash), sorted.
std::vector<std::string> ListTree(const std::string& aDir);
// Empty when both trees hold the same names with the same bytes; else what differs.
std::string CompareTrees(const std::string& aLeft, const std::string& aRight);
// Extracts the cabinet with cabextract into dir; its exit code.
int CabExtract(const std::string& aCabinet, const std::string& aDir);

// Every file and folder below aDir (ending in a backslash): files with size,
// attributes, creation and write time, folders by name. Equal listings mean
// nothing was written there.
std::vector<std::string> TreeListing(const std::string& aDir);
// Relative names of the reader's temporary files below aDir.
std::vector<std::string> TemporaryFilesIn(const std::string& aDir);

// A drive letter that names a folder for the life of the object. Wine takes
// DefineDosDevice into its name table but not to its files, so the letter is
// a link in the prefix's dosdevices folder, made from the Linux side.
class TDriveLink {
public:
    explicit TDriveLink(const std::string& aFolder);
    TDriveLink(const TDriveLink&) = delete;
    TDriveLink& operator=(const TDriveLink&) = delete;
    ~TDriveLink();
    // "K:", or empty when no letter could be made.
    const std::string& Drive() const { return FDrive; }

private:
    std::string FDrive, FLink;
};

// A real small volume: as root, a tmpfs of aBytes mounted in a scratch folder
// and given a drive letter; unmounted when it goes. Elsewhere (not root, no
// mount) it is not ready and says why, and the tests that need it skip.
class TSmallVolume {
public:
    explicit TSmallVolume(uint64_t aBytes);
    TSmallVolume(const TSmallVolume&) = delete;
    TSmallVolume& operator=(const TSmallVolume&) = delete;
    ~TSmallVolume();
    bool Ready() const { return FReason.empty(); }
    const std::string& NotReadyReason() const { return FReason; }
    // "K:\".
    std::string Root() const { return FLink ? FLink->Drive() + "\\" : std::string(); }
    // Mounts the volume again read-only: it keeps what it holds and refuses
    // every new entry.
    void MakeReadOnly();

private:
    TempDir FScratch;
    std::string FMountPoint; // Linux path
    bool FMounted = false;
    std::unique_ptr<TDriveLink> FLink;
    std::string FReason;
};

// Runs f and returns the exception of type E it raised; fails the test (by
// throwing) when it raised none or another kind.
template <typename E, typename F>
E Raised(F&& f)
{
    try {
        f();
    } catch (const E& e) {
        return e;
    }
    throw std::runtime_error("expected exception was not raised");
}
