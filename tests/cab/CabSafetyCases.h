#pragma once
// The cases that show an installation never leaves a broken file where a good
// one stood, and refuses before writing what cannot work. Shared by the
// reader's tests and the runs of the real executable: each sets up the kit and
// the destination, names the message the run must end with, and checks the
// destination afterwards.
#include <windows.h>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Handle.h"
#include "harness/CabFixtures.h"

// Where a run fails, in the middle of the product's third file.
enum class TFailurePoint {
    fpDamagedData, // its data in the cabinet is damaged
    fpFullVolume,  // the volume fills up while it is written
    fpHeldOpen,    // another program holds it without sharing
    fpCancelled,   // the progress handler cancels while it is written
};

struct TFailureRow {
    const char* Name;
    TFailurePoint Point;
    bool Existed; // the failing file (and those around it) was there before
};

// Every failure point, with the failing file there before and new; a held
// file is one that is there. The cancel rows only when asked (the owner
// cancels through the progress event).
std::vector<TFailureRow> FailureRows(bool aWithCancel);

// One run of the failure table. The cabinet Kelpa.cab is made in aKitDir; the
// destination aDest (ending in a backslash) gets the earlier installation the
// row asks for. For the full volume it must lie on a small volume holding
// nothing else: an old file there has a second link outside the destination,
// so that replacing it frees nothing, though the check before writing counts
// it as freed; the third file then no longer fits.
class TFailureRun {
public:
    TFailureRun(const TFailureRow& aRow, const std::string& aKitDir, const std::string& aDest);
    const std::string& Cabinet() const { return FCabinet; }
    // The message the run ends with.
    std::string ExpectedMessage() const;
    // For the cancel row: the progress that lies in the middle of the third file.
    uint64_t CancelAt() const;
    // Lets go of the held file, then checks every file: those before the
    // failing one installed with their stored content, times and attributes;
    // the failing one and those after exactly as they were, or absent; no
    // temporary file anywhere on the destination's drive.
    void ExpectOutcome();

private:
    struct TState {
        bool Exists = false;
        std::string Content;
        FILETIME Created{}, Written{};
        DWORD Attrs = 0;
    };
    static TState StateOf(const std::string& aName);

    TFailureRow FRow;
    std::string FDest, FCabinet;
    std::vector<TFixtureFile> FFiles;
    std::vector<TState> FBefore;
    FileHandle FHeld;
};

// What the run must refuse before anything is written.
struct TRefusalRow {
    const char* Name;
    // Needs a small volume: of this size, read-only when asked; 0 for none.
    uint64_t VolumeBytes;
    bool ReadOnlyVolume;
};
std::vector<TRefusalRow> RefusalRows();

// One run of the refusal table: the cabinets made in aKitDir, the
// destination aDest (without a trailing backslash) not yet there, its parent
// listed. On a read-only volume the caller makes it read-only after this.
class TRefusalRun {
public:
    TRefusalRun(const TRefusalRow& aRow, const std::string& aKitDir, const std::string& aDest);
    // The bare name of the cabinet to start with, in aKitDir.
    const std::string& Cabinet() const { return FCabinet; }
    const std::string& ExpectedMessage() const { return FMessage; }
    // The destination was not made and nothing beside it changed.
    void ExpectNothingWritten() const;

private:
    std::string FDest, FCabinet, FMessage;
    std::vector<std::string> FListing;
    FileHandle FHeld;
};

class TSmallVolume;

// Runs aRun for every failure row on a fresh folder aWork (ending in a
// backslash) on an 8 MiB small volume when one can be made, else in
// aScratch; without a volume the full-volume rows are skipped with a line
// saying why. The folder goes again after each row; a fatal failure stops
// the table.
void ForEachFailureRow(bool aWithCancel, const std::string& aScratch,
                       const std::function<void(const TFailureRow& aRow, const std::string& aWork)>& aRun);

// Runs aRun for every refusal row with the folder the destination is to be
// made in: a small volume of the row's size (passed along, so that the caller
// can make it read-only) when the row asks for one, else aScratch (volume
// null). Rows whose volume cannot be made are skipped with a line saying why.
void ForEachRefusalRow(
    const std::string& aScratch,
    const std::function<void(const TRefusalRow& aRow, const std::string& aParent, TSmallVolume* aVolume)>& aRun);

// The message as the installer's message box shows it: a full stop appended
// unless the text ends in a character that sorts before or at ".".
std::string BoxText(const std::string& aMessage);
