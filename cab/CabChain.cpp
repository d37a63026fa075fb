#include "cab/CabChain.h"

#include "cab/CabErrors.h"
#include "cab/CabHeader.h"
#include "cab/CabNames.h"
#include "core/Strings.h"
#include "res/CabMessages.h"

namespace {

[[noreturn]] void RaiseDamaged(std::string aMessage)
{
    throw ESTCabinet(std::move(aMessage), FDIERROR_CORRUPT_CABINET, 0);
}

// The header of aCabFile with its files, or the error that refuses it.
TCabHeader ReadChecked(const std::string& aCabFile)
{
    using S = TCabHeaderStatus;
    TCabHeader header;
    TCabHeaderResult result = ReadCabHeader(aCabFile, header, true);
    const std::string name = QuoteCabName(ExtractFileName(aCabFile));
    switch (result.Status) {
    case S::chsOk: return header;
    case S::chsCannotOpen: RaiseCabError(FDIERROR_CABINET_NOT_FOUND, static_cast<int32_t>(result.SystemError));
    case S::chsNotACabinet: RaiseCabError(FDIERROR_NOT_A_CABINET, 0);
    case S::chsUnknownVersion: RaiseCabError(FDIERROR_UNKNOWN_CABINET_VERSION, 0);
    case S::chsCutShort: RaiseCabError(FDIERROR_CORRUPT_CABINET, 0);
    case S::chsNoFolders: RaiseDamaged(Format(LoadResString(IDS_CAB_NO_FOLDERS).c_str(), name.c_str()));
    case S::chsNoFiles:
        throw ESTCabinet(Format(LoadResString(IDS_CAB_NO_FILES).c_str(), name.c_str()), FDIERROR_CORRUPT_CABINET, 0);
    case S::chsFileTablePastEnd: RaiseDamaged(Format(LoadResString(IDS_CAB_TABLE_PAST_END).c_str(), name.c_str()));
    case S::chsBadFolderIndex: {
        const TCabHeaderFile& file = header.Files[result.BadFile];
        RaiseDamaged(Format(LoadResString(IDS_CAB_BAD_FOLDER).c_str(), name.c_str(), QuoteCabName(file.Name).c_str(),
                            static_cast<unsigned>(file.Folder), static_cast<unsigned>(header.FolderCount)));
    }
    }
    RaiseCabError(FDIERROR_CORRUPT_CABINET, 0);
}

bool AnyFileGoesOn(const TCabHeader& aHeader)
{
    for (const TCabHeaderFile& f : aHeader.Files)
        if (CabFileGoesOn(f.Folder))
            return true;
    return false;
}

} // namespace

TCabChain ReadCabChain(const std::string& aFirstCabinet, TCabChainReach aReach)
{
    TCabChain chain;
    const std::string dir = ExtractFilePath(aFirstCabinet);
    std::vector<std::string> seen{ExtractFileName(aFirstCabinet)};
    std::string current = aFirstCabinet;
    for (bool first = true;; first = false) {
        TCabHeader header = ReadChecked(current);
        if (first || aReach == TCabChainReach::ccrWholeSet) {
            for (TCabHeaderFile& f : header.Files) {
                if (CabFileStartsEarlier(f.Folder))
                    continue;
                chain.Bytes += f.Size;
                chain.Files.push_back(TCabChainFile{std::move(f.Name), f.Size});
            }
        }
        if (!header.HasNext || header.Next.empty())
            break;
        // The library would open whatever the name points at, relative to
        // this cabinet's folder.
        if (!IsBareCabinetName(header.Next))
            throw ESTCabinet(Format(LoadResString(IDS_CAB_UNSAFE_NAME).c_str(), QuoteCabName(header.Next).c_str()),
                             FDIERROR_USER_ABORT, 0);
        const bool goOn = aReach == TCabChainReach::ccrWholeSet ||
                          (aReach == TCabChainReach::ccrFirstCabinet && AnyFileGoesOn(header));
        if (!goOn)
            break;
        // Names that form a ring: every member has been read.
        bool again = false;
        for (const std::string& name : seen)
            again = again || SameText(name, header.Next);
        if (again)
            break;
        seen.push_back(header.Next);
        current = dir + header.Next;
    }
    return chain;
}
