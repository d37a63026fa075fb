#pragma once
// The installer's main window: the archive and destination inputs, the two
// shortcut choices, the logo and the Install and Cancel buttons.
#include <functional>
#include <string>

#include "cab/CabSTComps.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TfKLPInst : public TForm {
public:
    // aPixelsPerInch 0 lays the window out for the screen's resolution.
    explicit TfKLPInst(TComponent* anOwner, int aPixelsPerInch = 0);

    // Filled by Build from the description.
    TBevel* Bevel1 = nullptr;
    TLabel* Label1 = nullptr;
    TComboBox* cbSource = nullptr;
    TLabel* Label2 = nullptr;
    TEdit* eDestination = nullptr;
    TImageList* ImageList1 = nullptr;
    TToolBar* ToolBar1 = nullptr;
    TToolButton* ToolButton1 = nullptr;
    TCheckBox* cStart = nullptr;
    TCheckBox* cDesk = nullptr;
    TPanel* Panel1 = nullptr;
    TImage* Image2 = nullptr;
    TButton* bOK = nullptr;
    TButton* bCancel = nullptr;
    TSTCabReader* CabRead = nullptr;

    // Where the shortcuts go; tests replace them to model a failed lookup.
    std::function<std::string()> StartMenuFolder;
    std::function<std::string()> DesktopFolder;

    // Proposes the destination and lists the archives beside the program.
    void FormCreate(TComponent* Sender);
    void bOKClick(TComponent* Sender);
    void bCancelClick(TComponent* Sender);
    void Image2Click(TComponent* Sender);
    // Lets the user pick the destination in the directory chooser; the field
    // changes only when the chooser is accepted.
    void ToolButton1Click(TComponent* Sender);
};

// The description the main window is built from.
const TFormDescription& MainFormDescription();

// The main window of the program.
extern TfKLPInst* fKLPInst;
