#include "tests/ui/TestForm.h"

#include <iterator>

namespace {
using enum TControlKind;

// Creation order differs from the tab order on purpose.
const TControlDescription kControls[] = {
    {.Kind = ckPanel, .Name = "Panel", .Id = tidPanel, .Left = 200, .Top = 8, .Width = 100, .Height = 60, .TabOrder = 0},
    {.Kind = ckImage, .Name = "Image", .Parent = "Panel", .Id = tidImage, .Left = 4, .Top = 6, .Width = 50, .Height = 30},
    {.Kind = ckEdit, .Name = "Edit", .Id = tidEdit, .Left = 8, .Top = 40, .Width = 100, .Height = 21, .Text = "edit",
     .TabOrder = 2},
    {.Kind = ckComboBox, .Name = "Combo", .Id = tidCombo, .Left = 8, .Top = 8, .Width = 120, .Height = 21,
     .TabOrder = 1, .ItemHeight = 13},
    {.Kind = ckCheckBox, .Name = "Check", .Id = tidCheck, .Left = 8, .Top = 70, .Width = 100, .Height = 17,
     .Text = "C&heck", .TabOrder = 3},
    {.Kind = ckListBox, .Name = "List", .Id = tidList, .Left = 8, .Top = 100, .Width = 120, .Height = 60,
     .TabOrder = 4, .Options = coOwnerDraw, .ItemHeight = 17},
    {.Kind = ckImageList, .Name = "Images", .Width = 16, .Height = 16},
    {.Kind = ckToolBar, .Name = "Bar", .Id = tidBar, .Left = 140, .Top = 40, .Width = 31, .Height = 29,
     .TabOrder = 5, .Resource = "Images"},
    {.Kind = ckToolButton, .Name = "Browse", .Parent = "Bar", .Id = tidBrowse, .Width = 23, .Height = 22,
     .ImageIndex = 0},
    {.Kind = ckLabel, .Name = "ListLabel", .Left = 8, .Top = 88, .Width = 60, .Height = 13, .Text = "&List:",
     .Resource = "List"},
    {.Kind = ckButton, .Name = "Throw", .Id = tidThrow, .Left = 140, .Top = 100, .Width = 65, .Height = 25,
     .Text = "&Throw", .TabOrder = 8},
    {.Kind = ckButton, .Name = "OK", .Id = tidOK, .Left = 140, .Top = 130, .Width = 65, .Height = 25, .Text = "&Go",
     .TabOrder = 6, .Options = coDefault},
    {.Kind = ckButton, .Name = "Cancel", .Id = tidCancel, .Left = 220, .Top = 130, .Width = 65, .Height = 25,
     .Text = "&Stop", .TabOrder = 7, .Options = coCancel, .ModalResult = mrCancel},
};

const TFormDescription kForm = {
    .ClassName = "TTestForm",
    .Caption = "Test form",
    .Width = 320,
    .Height = 200,
    .ClientSize = true,
    .Controls = kControls,
    .ControlCount = std::size(kControls),
};
} // namespace

const TFormDescription& TestFormDescription()
{
    return kForm;
}

TTestForm::TTestForm(int aPixelsPerInch, std::function<void(TTestForm&)> anOnCreate)
    : TForm(nullptr, aPixelsPerInch)
{
    Build(kForm);
    Edit = Field<TEdit>("Edit");
    Combo = Field<TComboBox>("Combo");
    Check = Field<TCheckBox>("Check");
    List = Field<TListBox>("List");
    Panel = Field<TPanel>("Panel");
    Image = Field<TImage>("Image");
    Bar = Field<TToolBar>("Bar");
    Browse = Field<TToolButton>("Browse");
    ThrowButton = Field<TButton>("Throw");
    OK = Field<TButton>("OK");
    Cancel = Field<TButton>("Cancel");
    ListLabel = Field<TLabel>("ListLabel");
    if (anOnCreate)
        OnCreate = [this, anOnCreate](TComponent*) { anOnCreate(*this); };
    DoCreate();
}
