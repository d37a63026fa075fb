#pragma once
// Control identifiers of the directory chooser. OK and Cancel carry the dialog
// manager's IDOK and IDCANCEL so that Enter and Esc reach them; tests find the
// other controls by these numbers.
enum TSelectDirId : int {
    sdOK = 1,     // OKButton, the default button
    sdCancel = 2, // CancelButton, the cancel button
    sdDirEdit = 301,
    sdDirEditLabel,
    sdDriveList,
    sdDriveLabel,
    sdDirLabel,
    sdDirList,
    sdDirListLabel,
    sdFileList,
    sdFileListLabel,
    sdNetButton,
    sdHelpButton,
};
