#pragma once
// Names of the reader's temporary files: a replacement being written beside
// the file it replaces, and the probe that tries whether a folder takes new
// entries. "~klp" + 8 hexadecimal digits + ".tmp", in the folder of the file
// they stand for. A run that is killed can leave one behind; the next run
// removes every file of this pattern from the folders it writes to.
#include <cstdint>
#include <string>

class TCabTempNames {
public:
    // Starts from a number of this process and moment, so that two runs
    // rarely try the same names.
    TCabTempNames();
    // The next bare name to try; the caller creates it exclusively and asks
    // again when it exists.
    std::string Next();

private:
    uint32_t FSerial;
};

// True when aFileName (a bare name) has the pattern of a temporary file.
bool IsCabTempName(const std::string& aFileName);
