#include "ui/Description.h"

#include "core/Exceptions.h"

void RaiseRowError(const TControlDescription& aRow, const std::string& aProblem)
{
    throw EInvalidOperation(std::string("Component '") + aRow.ComponentName() + "' " + aProblem);
}
