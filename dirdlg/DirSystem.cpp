#include "dirdlg/DirSystem.h"

TDirSystem& DirSystem() noexcept
{
    static TDirSystem table;
    return table;
}
