#pragma once
// A small form with one control of each kind, and a recorder that takes the
// place of the error box.
#include <functional>
#include <string>
#include <vector>

#include "ui/Application.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "tests/UiTestSupport.h"

enum TTestFormId : int {
    tidOK = IDOK,
    tidCancel = IDCANCEL,
    tidEdit = 201,
    tidCombo,
    tidCheck,
    tidList,
    tidPanel,
    tidImage,
    tidBar,
    tidBrowse,
    tidThrow,
};

class TTestForm : public TForm {
public:
    // onCreate runs as the form's creation handler.
    explicit TTestForm(int aPixelsPerInch = 96, std::function<void(TTestForm&)> anOnCreate = {});
    TEdit* Edit = nullptr;
    TComboBox* Combo = nullptr;
    TCheckBox* Check = nullptr;
    TListBox* List = nullptr;
    TPanel* Panel = nullptr;
    TImage* Image = nullptr;
    TToolBar* Bar = nullptr;
    TToolButton* Browse = nullptr;
    TButton* ThrowButton = nullptr;
    TButton* OK = nullptr;
    TButton* Cancel = nullptr;
    TLabel* ListLabel = nullptr;
};

const TFormDescription& TestFormDescription();
