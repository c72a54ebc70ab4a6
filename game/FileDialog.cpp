#include "FileDialog.h"

#include "GameStatics.h"
#include "MenuPage.h"

#include "foundation/SplitPath.h"
#include "foundation/TFileCtl.h"
#include "foundation/TKeys.h"
#include "media/resources/TMetaFnt.h"

#include <cstring>

namespace {

const TColor kWhite(255, 255, 255);
// The album entries of the list's scroll bar: the button that steps up the
// list, the one that steps down, the thumb, the track.
constexpr MenuScrollParts kListParts{0, 2, 5, 7};
// Attributes of the files listed: read-only, archive, normal, compressed;
// no folders.
constexpr uint32_t kListedFiles = 0x8A1;

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

// `path`, a "\" where one is missing, and `part`: a drive and a folder from
// its root ("c:" and "\saves\") join as "c:\saves\", not with two.
void Append(std::string& path, const char* part) {
    const bool partLeads = *part == '\\' || *part == '/';
    if (!path.empty() && !EndsWithSeparator(path) && !partLeads) path += '\\';
    path += part;
}

} // namespace

FileDialog::FileDialog() = default;

FileDialog::~FileDialog() = default;

void FileDialog::PointListAtSaveFolder() {
    TString folder;
    // A missing key is no error here: the root of drive c: stands in.
    if (TFileCtl::HasKey("Main", "Scores")) TFileCtl::GetPath("Main", "Scores", folder);
    if (folder == "") {
        list_.SetDrive("c:");
        list_.SetDirectory("\\");
        return;
    }
    // What follows the last separator counts as a file name: a folder
    // given without a trailing "\" lists its parent.
    const TPathParts parts = SplitPath(folder.c_str());
    list_.SetDrive(parts.drive.c_str());
    list_.SetDirectory(parts.dir.c_str());
}

void FileDialog::Build(TControl* parent, int32_t mode) {
    PointListAtSaveFolder();
    OpenMenuPage(*this, parent, background_, "picMenu2");
    TFontRes* font = Resources().Font("fntFileDialog");

    name_.SetFont(font);
    name_.SetFrameStyle(TEditCtl::frNone);
    name_.SetBorderWidth(4);
    name_.SetTransparent(1);
    name_.SetColor(kWhite);
    name_.SetRect(176, 102, 424, 30);
    name_.SetFilter(1);
    name_.Show(this);
    name_.Add<FileDialog, &FileDialog::OnEditChange>(TEditCtl::evChanged, this);
    name_.Add<FileDialog, &FileDialog::OnEditKey>(evKeyDown, this);

    ShowMenuScrollBar(bar_, barStyles_, &scrollAlbum_, this, 576, 150, kListParts);

    list_.SetFont(font);
    list_.SetFrameStyle(0);
    list_.SetBorderWidth(4);
    list_.SetTransparent(1);
    list_.SetColor(kWhite);
    list_.SetRect(176, 150, 400, 300);
    list_.SetEdit(&name_);
    list_.SetLayoutFlags(0);
    list_.SetVertScrollBar(&bar_);
    list_.SetFilePicture(MenuPicture("picFile"));
    list_.SetFolderPicture(MenuPicture("picFolder"));
    list_.SetProgramPicture(MenuPicture("picExec"));
    list_.SetPattern("*.*");
    list_.SetAttributes(kListedFiles);
    list_.Show(this);
    list_.Add<FileDialog, &FileDialog::OnListChange>(TListBox::evChanged, this);
    list_.Add<FileDialog, &FileDialog::OnListChoose>(TFileLst::evFileChosen, this);

    if (mode == kSave)
        ShowMenuButton(ok_, this, 177, 467, "picMenuBtnSave2a", "picMenuBtnSave2b",
                       "picMenuBtnSave2c");
    else
        ShowMenuButton(ok_, this, 177, 467, "picMenuBtnLoad2a", "picMenuBtnLoad2b",
                       "picMenuBtnLoad2c");
    ok_.SetEnabled(false);
    ok_.Add<FileDialog, &FileDialog::OnOkClick>(evCommand, this);
    ShowMenuButton(cancel_, this, 410, 467, "picMenuBtnCancel1a", "picMenuBtnCancel1b");
    cancel_.Add<FileDialog, &FileDialog::OnCancelClick>(evCommand, this);
}

void FileDialog::Close() {
    cancel_.Hide();
    ok_.Hide();
    list_.Hide();
    bar_.Hide();
    name_.Hide();
    background_.Detach();
    TWinForm::Close();
    // Off the form, the controls give their drawing surfaces back now; the
    // list lets go of the bar before either goes.
    list_.SetVertScrollBar(nullptr);
    list_.SetEdit(nullptr);
    for (TControl* control :
         std::initializer_list<TControl*>{&cancel_, &ok_, &list_, &bar_, &name_})
        control->Detach();
    Detach();
    chosenName_.reset();
    chosenEntry_.reset();
}

std::string FileDialog::ListFolder() const {
    std::string folder = list_.GetDrive().c_str();
    Append(folder, list_.GetDirectory().c_str());
    return folder;
}

void FileDialog::EnterFolder(const char* name) {
    std::string dir = list_.GetDirectory().c_str();
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    list_.SetDirectory((dir + name).c_str());
}

int FileDialog::OnListChange(TObject*, TEvent*) {
    const char* text = nullptr;
    uintptr_t data = 0;
    list_.Rewind(1);
    const bool found = list_.GetNextSelected(&text, &data) != 0;
    chosenName_.reset();
    chosenEntry_.reset();
    if (found && text && data) {
        chosenName_ = text;
        chosenEntry_ = *reinterpret_cast<const TFileRecord*>(data);
    }
    ok_.SetEnabled(chosenEntry_.has_value());
    return 0;
}

int FileDialog::OnEditChange(TObject*, TEvent*) {
    ok_.SetEnabled(true);
    chosenName_ = name_.GetText().c_str();
    chosenEntry_.reset();
    return 0;
}

int FileDialog::OnListChoose(TObject*, TEvent*) {
    ok_.SetEnabled(true);
    return OnOkClick(nullptr, nullptr);
}

int FileDialog::OnEditKey(TObject*, TEvent* event) {
    if (event && event->KeyCode() == kKeyEnter && IsFocused() && chosenName_ &&
        !chosenName_->empty())
        OnOkClick(nullptr, nullptr);
    return 0;
}

int FileDialog::OnOkClick(TObject*, TEvent*) {
    if (chosenEntry_) {
        if (chosenEntry_->attributes & TFileLst::kFolder)
            EnterFolder(chosenEntry_->name);
        else
            EndModal(kConfirmed);
        return 0;
    }
    if (!chosenName_) return 0;
    // Only a plain name is taken: a drive or a folder in it, or a name or
    // extension of ".", empties the field and the dialog stays.
    const TPathParts parts = SplitPath(chosenName_->c_str());
    const bool plain =
        parts.drive.empty() && parts.dir.empty() && parts.name != "." && parts.ext != ".";
    name_.SetText(plain ? (parts.name + parts.ext).c_str() : "");
    chosenName_ = name_.GetText().c_str();
    chosenEntry_.reset();
    if (!chosenName_->empty()) EndModal(kConfirmed);
    return 0;
}

int FileDialog::OnCancelClick(TObject*, TEvent*) {
    chosenName_.reset();
    EndModal(kCancelled);
    return 0;
}

const char* FileDialog::GetFileName() {
    if (!chosenName_ || GetModalResult() != kConfirmed) return nullptr;
    // A listed file lies in the list's folder whatever its name holds (the
    // host allows a ':'); only a name with a drive stands by itself.
    if (!chosenEntry_ && chosenName_->find(':') != std::string::npos) return chosenName_->c_str();
    std::string path = ListFolder();
    Append(path, chosenEntry_ ? chosenEntry_->name : chosenName_->c_str());
    resultPath_ = path.c_str();
    return resultPath_.c_str();
}
