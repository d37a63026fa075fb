#include "core/Resources.h"

#include <vector>

std::string LoadResString(unsigned anId, HMODULE aModule)
{
    HMODULE module = aModule ? aModule : GetModuleHandleA(nullptr);
    // LoadStringA reports only how much it copied: a result that fills the
    // buffer may have been cut, so try again with a larger one. A string
    // table entry holds at most 65535 characters.
    for (int size = 256;; size *= 2) {
        std::vector<char> buffer(static_cast<size_t>(size));
        int n = LoadStringA(module, anId, buffer.data(), size);
        if (n <= 0)
            return {};
        if (n < size - 1 || size > 65536)
            return std::string(buffer.data(), static_cast<size_t>(n));
    }
}
