// The reader side of the benchmark, in a file of its own: the product's
// binding declares the library's names, which must not meet <fdi.h>.
#include <string>

#include "cab/CabSTComps.h"

int RunReader(const std::string& cab, const std::string& dest)
{
    TSTCabReader reader(nullptr);
    reader.Extract(cab, dest, 0);
    return 0;
}
