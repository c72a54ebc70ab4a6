// The full-screen file dialog of the game menu's Load and Save buttons: the
// save-game folder's files in a list with a picture scroll bar, a name field
// that takes a plain file name, OK and Cancel. Confirmed, it gives the full
// path of the chosen file, built at any length.
#pragma once

#include "MenuAlbum.h"

#include "foundation/TString.h"
#include "ui/TEditCtl.h"
#include "ui/TFileLst.h"
#include "ui/TImage.h"
#include "ui/TListForm.h"
#include "ui/TStyle.h"
#include "ui/TStyleScrollBar.h"
#include "ui/TWinForm.h"

#include <cstdint>
#include <optional>
#include <string>

class FileDialog : public TWinForm {
public:
    enum Mode : int32_t { kLoad = 0, kSave = 1 };
    static constexpr int32_t kConfirmed = 1;
    static constexpr int32_t kCancelled = 2;

    FileDialog();
    ~FileDialog() override;

    void Build(TControl* parent, int32_t mode);
    // The chosen file's full path after a confirmed run, or null; valid
    // until Close or the next call.
    const char* GetFileName();
    void Close();

    int OnListChange(TObject* sender, TEvent* event);
    int OnListChoose(TObject* sender, TEvent* event);
    int OnEditChange(TObject* sender, TEvent* event);
    int OnEditKey(TObject* sender, TEvent* event);
    int OnOkClick(TObject* sender, TEvent* event);
    int OnCancelClick(TObject* sender, TEvent* event);

    TListForm& OkButton() { return ok_; }
    TListForm& CancelButton() { return cancel_; }
    TFileLst& FileList() { return list_; }
    TEditCtl& NameField() { return name_; }
    TStyleScrollBar& ScrollBar() { return bar_; }

private:
    // The save folder of the index (Scores of [Main]) into the list's drive
    // and directory; drive c: and its root without one.
    void PointListAtSaveFolder();
    // The list moves into its subfolder `name`.
    void EnterFolder(const char* name);
    // The list's drive and directory, "\" where one is missing.
    std::string ListFolder() const;

    TString resultPath_;
    // The chosen name (the field's text or a list entry's) and the chosen
    // entry's record, both copied: the list refills and the field changes.
    std::optional<std::string> chosenName_;
    std::optional<TFileRecord> chosenEntry_;
    TListForm ok_;
    TListForm cancel_;
    TFileLst list_;
    TEditCtl name_;
    MenuAlbum scrollAlbum_{"picMenuScrollBar"};
    TStyle barStyles_[3];
    TStyleScrollBar bar_;
    TImage background_;
};
