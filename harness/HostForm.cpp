#include "harness/HostForm.h"

TFormDescription HostFormDescription(const char* aClassName, const char* aCaption, int aWidth, int aHeight,
                                     bool aClientSize, const TControlDescription* aControls, size_t aCount)
{
    TFormDescription description{.ClassName = aClassName, .Caption = aCaption, .Width = aWidth, .Height = aHeight};
    description.ClientSize = aClientSize;
    description.Controls = aControls;
    description.ControlCount = aCount;
    return description;
}

TForm* NewHostForm(const TFormDescription& aDescription, int aPixelsPerInch)
{
    auto* form = new TForm(nullptr, aPixelsPerInch);
    form->Build(aDescription);
    return form;
}
