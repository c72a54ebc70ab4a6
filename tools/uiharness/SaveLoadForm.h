// The harness's save-and-load style form: a file list over a folder of its
// own mapped as drive c:, with a picture scroll bar, a linked edit with the
// file-name filter and an up button, built the way the game's dialog is.
#pragma once

#include "media/resources/TMetaFnt.h"
#include "media/resources/TMetaImg.h"
#include "ui/TEditCtl.h"
#include "ui/TFileLst.h"
#include "ui/TStyle.h"
#include "ui/TStyleScrollBar.h"
#include "ui/TTextButton.h"
#include "ui/TWinForm.h"

#include <memory>
#include <string>
#include <vector>

class SaveLoadForm {
public:
    // Writes the pictures, the font and a small tree of save files under
    // `folder` and maps drive c: to the tree.
    explicit SaveLoadForm(const std::string& folder);
    ~SaveLoadForm();

    void Open(TControl* parent);
    void Close();

    TFileLst& List() { return list_; }
    TEditCtl& Edit() { return edit_; }
    TTextButton& UpButton() { return up_; }
    TStyleScrollBar& Bar() { return bar_; }
    // Screen centre of a visible row of the list (1 = first shown).
    TPoint RowCentre(int32_t row);
    // One line on what the form shows: the folder, the items, the edit.
    std::string Describe();

private:
    TMetaImg* Picture(const std::string& name);
    void MakeLooks();

    std::string folder_;
    std::vector<std::unique_ptr<TMetaImg>> pictures_;
    std::unique_ptr<TMetaFnt> font_;
    TStyle firstLook_, secondLook_, thumbLook_;
    // The bar and the button are declared before the list, so the list,
    // which listens to both, goes first.
    TStyleScrollBar bar_;
    TTextButton up_;
    TWinForm form_;
    TEditCtl edit_;
    TFileLst list_;
};
