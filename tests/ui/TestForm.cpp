#include "tests/ui/TestForm.h"

#include "harness/HostForm.h"

namespace {
using F = TTestForm;

// Creation order differs from the tab order on purpose. The image list has no
// member and is found by its name.
// clang-format off
const TControlDescription kControls[] = {
    {.Name = FieldOf<&F::Panel>, .Id = tidPanel, .Left = 200, .Top = 8, .Width = 100, .Height = 60,
     .TabOrder = 0},
    {.Name = FieldOf<&F::Image>, .Parent = FieldOf<&F::Panel>, .Id = tidImage, .Left = 4, .Top = 6,
     .Width = 50, .Height = 30},
    {.Name = FieldOf<&F::Edit>, .Id = tidEdit, .Left = 8, .Top = 40, .Width = 100, .Height = 21,
     .Text = "edit", .TabOrder = 2},
    {.Name = FieldOf<&F::Combo>, .Id = tidCombo, .Left = 8, .Top = 8, .Width = 120, .Height = 21,
     .TabOrder = 1, .ItemHeight = 13},
    {.Name = FieldOf<&F::Check>, .Id = tidCheck, .Left = 8, .Top = 70, .Width = 100, .Height = 17,
     .Text = "C&heck", .TabOrder = 3},
    {.Name = FieldOf<&F::List>, .Id = tidList, .Left = 8, .Top = 100, .Width = 120, .Height = 60,
     .TabOrder = 4, .Options = coOwnerDraw, .ItemHeight = 17},
    {.Kind = KindOf<TImageList>, .Name = "Images", .Width = 16, .Height = 16},
    {.Name = FieldOf<&F::Bar>, .Id = tidBar, .Left = 140, .Top = 40, .Width = 31, .Height = 29,
     .TabOrder = 5, .Link = "Images"},
    {.Name = FieldOf<&F::Browse>, .Parent = FieldOf<&F::Bar>, .Id = tidBrowse, .Width = 23,
     .Height = 22, .ImageIndex = 0},
    {.Name = FieldOf<&F::ListLabel>, .Left = 8, .Top = 88, .Width = 60, .Height = 13,
     .Text = "&List:", .Link = FieldOf<&F::List>},
    {.Name = FieldOf<&F::ThrowButton>, .Id = tidThrow, .Left = 140, .Top = 100, .Width = 65,
     .Height = 25, .Text = "&Throw", .TabOrder = 8},
    {.Name = FieldOf<&F::OK>, .Id = tidOK, .Left = 140, .Top = 130, .Width = 65, .Height = 25,
     .Text = "&Go", .TabOrder = 6, .Options = coDefault},
    {.Name = FieldOf<&F::Cancel>, .Id = tidCancel, .Left = 220, .Top = 130, .Width = 65,
     .Height = 25, .Text = "&Stop", .TabOrder = 7, .Options = coCancel, .ModalResult = mrCancel},
};

const TFormDescription kForm = HostFormDescription("TTestForm", "Test form", 320, 200, true, kControls);
// clang-format on
} // namespace

const TFormDescription& TestFormDescription()
{
    return kForm;
}

TTestForm::TTestForm(int aPixelsPerInch, std::function<void(TTestForm&)> anOnCreate) : TForm(nullptr, aPixelsPerInch)
{
    Build(kForm);
    if (anOnCreate)
        OnCreate = [this, anOnCreate](TComponent*) { anOnCreate(*this); };
    DoCreate();
}
