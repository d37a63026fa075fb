#pragma once
// Control identifiers of the main window. The buttons carry the dialog
// manager's IDOK and IDCANCEL so that Enter and Esc reach them; tests find the
// other controls by these numbers.
enum TMainFormId : int {
    idOK = 1,     // bOK, the default button
    idCancel = 2, // bCancel, the cancel button
    idSource = 101,
    idDestination = 102,
    idStart = 103,
    idDesk = 104,
    idToolBar = 105,
    idLogoPanel = 106,
    idLogo = 107,
    idSourceLabel = 108,
    idDestinationLabel = 109,
    idBevel = 110,
    idBrowseButton = 111, // command id of ToolButton1 inside ToolBar1
    idProgress = 112,
};
