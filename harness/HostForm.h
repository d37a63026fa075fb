#pragma once
// Hidden host forms for the tests and benchmarks that put controls on a real
// window of their own: one place that describes such a form.
#include <cstddef>

#include "ui/Forms.h"

// A host form of aClassName and aCaption, aWidth by aHeight (its client area
// when aClientSize is set, else its outer size), holding aCount controls.
TFormDescription HostFormDescription(const char* aClassName, const char* aCaption, int aWidth, int aHeight,
                                     bool aClientSize, const TControlDescription* aControls, size_t aCount);

// The same without controls.
inline TFormDescription HostFormDescription(const char* aClassName, const char* aCaption, int aWidth, int aHeight,
                                            bool aClientSize = true)
{
    return HostFormDescription(aClassName, aCaption, aWidth, aHeight, aClientSize, nullptr, 0);
}

// The same holding every row of aControls.
template <size_t N>
TFormDescription HostFormDescription(const char* aClassName, const char* aCaption, int aWidth, int aHeight,
                                     bool aClientSize, const TControlDescription (&aControls)[N])
{
    return HostFormDescription(aClassName, aCaption, aWidth, aHeight, aClientSize, aControls, N);
}

// A form built (not shown) from aDescription at a resolution; the caller owns it.
TForm* NewHostForm(const TFormDescription& aDescription, int aPixelsPerInch = 96);
