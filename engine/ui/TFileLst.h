// The file list: a string list showing one folder through the platform's
// folder search, subfolders (with "..") first, then every file that matches
// a list of patterns and an attribute mask, each with a small picture.
// Opening a folder changes into it, choosing a file posts event 31, the
// current item's name is mirrored into a linked edit control, and an
// optional up control takes the list to the parent folder.
//
// The linked edit, the up control and the pictures are not owned; the up
// control must outlive the list or be taken back first.
#pragma once

#include "foundation/TString.h"
#include "ui/TEditCtl.h"
#include "ui/TStrList.h"

#include <cstdint>
#include <string>

class TPicture;

// The data of an item: the attributes as the folder search reports them and
// the entry's full name.
struct TFileRecord {
    uint32_t attributes = 0;
    char name[256] = {};
};
static_assert(sizeof(TFileRecord) == 260, "a file record is 260 bytes");

class TFileLst : public TStrList {
public:
    static constexpr uint32_t kDefaultMask = 0xB1; // read-only, folder, archive, normal
    static constexpr uint32_t kFolder = 0x10;
    static constexpr int32_t evFileChosen = 31;

    TFileLst();
    ~TFileLst() override;

    uint32_t Update() override;
    void DrawCell(int32_t column, int32_t row, const TRectArea& rect) override;
    void OnCommand(TEvent* event) override;
    TListItem* NewItem(uintptr_t name, uintptr_t record) override;
    void FreeItem(TListItem* item) override;
    void OnChange(TEvent* event) override;

    void Show(TControl* parent);
    void Hide();
    void SetDirectory(const char* path);
    const TString& GetDirectory() const { return directory_; }
    const TString& GetPattern() const { return pattern_; }
    uint32_t GetAttributes() const { return mask_; }
    const TString& GetDrive() const { return drive_; }
    void SetDrive(const char* drive);
    void SetAttributes(uint32_t mask);
    void SetPattern(const char* patterns);
    void SetEdit(TEditCtl* edit);
    void SetUpControl(TControl* control);
    void SetFilePicture(TPicture* picture);
    void SetFolderPicture(TPicture* picture);
    void SetProgramPicture(TPicture* picture);
    void SetShowPictures(int32_t on);
    void SetFullNames(int32_t on);
    void Rewind(int32_t direction);
    int Fill();
    void GoUp();

protected:
    int32_t CompareItems(const TListItem* a, const TListItem* b) override;

private:
    static const TFileRecord* RecordOf(const TListItem* item) {
        return item ? reinterpret_cast<const TFileRecord*>(item->second) : nullptr;
    }
    int GoUpHandler(TObject* sender, TEvent* event);
    void Refill();
    void SetPictureOf(TPicture*& field, TPicture* picture);
    std::string BaseFolder() const;
    void AddFolders(const std::string& base);
    void AddFiles(const std::string& base, const std::string& pattern);
    bool HasName(const char* name) const;
    void AddEntry(const char* name, uint32_t attributes, bool shorten);
    const TListItem* FirstSelected() const;
    TPicture* PictureFor(const TFileRecord& record) const;
    void DrawPicture(TPicture* picture, const TRectArea& rect);

    TString directory_;
    TString pattern_;
    uint32_t mask_ = kDefaultMask;
    TString drive_;
    int32_t showPictures_ = 1;
    // The edit and the up control are the caller's and may go first.
    TRef<TEditCtl> edit_;
    TRef<TControl> up_;
    TPicture* filePicture_ = nullptr;
    TPicture* folderPicture_ = nullptr;
    TPicture* programPicture_ = nullptr;
    int32_t fullNames_ = 1;
    int32_t refill_ = 0;
};
