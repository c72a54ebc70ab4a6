#include "ui/TFileLst.h"

#include "foundation/TError.h"
#include "platform/FindFile.h"
#include "ui/UiPaint.h"

#include <cstring>
#include <new>

namespace {

constexpr const char* kSeparators = ";,| ";

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// stricmp of the C locale: ASCII letters fold to small ones, every other byte
// as it is, so "_" (between the two cases) sorts before the letters.
int CompareNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const unsigned char x = static_cast<unsigned char>(Lower(*a));
        const unsigned char y = static_cast<unsigned char>(Lower(*b));
        if (x != y || !x) return int(x) - int(y);
    }
}

bool IsProgram(const char* name) {
    const char* dot = std::strrchr(name, '.');
    if (!dot) return false;
    return !CompareNoCase(dot, ".EXE") || !CompareNoCase(dot, ".COM") ||
           !CompareNoCase(dot, ".BAT");
}

// Cuts a text at the position of its last backslash, when it has one.
void CutAtLastBackslash(std::string& s) {
    const size_t at = s.find_last_of('\\');
    if (at != std::string::npos) s.erase(at);
}

} // namespace

TFileLst::TFileLst() : pattern_("*.*"), drive_("c:") {
    TText::SetStyle(0);
}

TFileLst::~TFileLst() {
    if (TControl* up = up_.Get()) up->Remove(evCommand, this);
    FreeAll();
}

// --- Properties ------------------------------------------------------------------------

void TFileLst::Refill() {
    refill_ = 1;
    Invalidate(true);
}

void TFileLst::Show(TControl* parent) {
    TStrList::Show(parent);
    TControl* up = up_.Get();
    if (up && !up->Has(evCommand, this)) up->Add<TFileLst, &TFileLst::GoUpHandler>(evCommand, this);
}

void TFileLst::Hide() {
    if (TControl* up = up_.Get()) up->Remove(evCommand, this);
    // Hidden, the list stays empty; it reads the folder again when shown.
    refill_ = 0;
    TStrList::Hide();
    refill_ = 1;
}

void TFileLst::SetUpControl(TControl* control) {
    if (up_.Is(control)) return;
    if (TControl* up = up_.Get()) up->Remove(evCommand, this);
    up_ = TRef<TControl>(control);
    if (control && IsShown()) control->Add<TFileLst, &TFileLst::GoUpHandler>(evCommand, this);
    Invalidate(true);
}

void TFileLst::SetDirectory(const char* path) {
    std::string dir = path ? path : "";
    const size_t dots = dir.find("..");
    if (dots != std::string::npos) {
        dir.erase(dots);
        CutAtLastBackslash(dir);
        CutAtLastBackslash(dir);
    }
    if (dir.empty() || dir[0] != '\\') dir = "\\" + dir;
    directory_ = dir.c_str();
    Refill();
}

void TFileLst::SetDrive(const char* drive) {
    if (!drive || drive_ == drive) return;
    drive_ = drive;
    directory_ = "\\";
    Refill();
}

void TFileLst::SetAttributes(uint32_t mask) {
    if (!mask) mask = kDefaultMask;
    if (mask == mask_) return;
    mask_ = mask;
    Refill();
}

void TFileLst::SetPattern(const char* patterns) {
    std::string p = patterns && *patterns ? patterns : "*.*";
    for (char& c : p)
        c = Upper(c);
    if (pattern_ == p.c_str()) return;
    pattern_ = p.c_str();
    Refill();
}

void TFileLst::SetEdit(TEditCtl* edit) {
    edit_ = TRef<TEditCtl>(edit);
    if (edit) edit->SetText("");
}

void TFileLst::SetPictureOf(TPicture*& field, TPicture* picture) {
    if (field == picture) return;
    field = picture;
    SetRedraw(true);
}

void TFileLst::SetFilePicture(TPicture* picture) {
    SetPictureOf(filePicture_, picture);
}

void TFileLst::SetFolderPicture(TPicture* picture) {
    SetPictureOf(folderPicture_, picture);
}

void TFileLst::SetProgramPicture(TPicture* picture) {
    SetPictureOf(programPicture_, picture);
}

void TFileLst::SetShowPictures(int32_t on) {
    if (on == showPictures_) return;
    showPictures_ = on;
    Invalidate(true);
}

void TFileLst::SetFullNames(int32_t on) {
    if (on == fullNames_) return;
    fullNames_ = on;
    Invalidate(true);
}

void TFileLst::Rewind(int32_t direction) {
    Update();
    TStrList::Rewind(direction);
}

uint32_t TFileLst::Update() {
    if (!(flags_ & kDirty)) return flags_;
    TStrList::Update();
    if (refill_) {
        refill_ = 0;
        Fill();
    }
    return flags_;
}

// --- Items -----------------------------------------------------------------------------

TListItem* TFileLst::NewItem(uintptr_t name, uintptr_t record) {
    const char* text = reinterpret_cast<const char*>(name);
    const TFileRecord* source = reinterpret_cast<const TFileRecord*>(record);
    if (!text || !source) return nullptr;
    const size_t size = std::strlen(text) + 1;
    char* copy = new (std::nothrow) char[size];
    TFileRecord* data = new (std::nothrow) TFileRecord(*source);
    TListItem* item = new (std::nothrow) TListItem;
    if (!copy || !data || !item) {
        TError::Raise(9, nullptr, nullptr, "Source\\TFileLst", 883);
        delete[] copy;
        delete data;
        delete item;
        return nullptr;
    }
    std::memcpy(copy, text, size);
    item->first = reinterpret_cast<uintptr_t>(copy);
    item->second = reinterpret_cast<uintptr_t>(data);
    return item;
}

void TFileLst::FreeItem(TListItem* item) {
    if (!item) return;
    delete reinterpret_cast<TFileRecord*>(item->second);
    delete[] reinterpret_cast<char*>(item->first);
    delete item;
}

int32_t TFileLst::CompareItems(const TListItem* a, const TListItem* b) {
    const TFileRecord* x = RecordOf(a);
    const TFileRecord* y = RecordOf(b);
    if (!x || !y) return 0;
    const bool xFolder = (x->attributes & kFolder) != 0, yFolder = (y->attributes & kFolder) != 0;
    if (xFolder != yFolder) return xFolder ? -1 : 1;
    return CompareNoCase(x->name, y->name);
}

bool TFileLst::HasName(const char* name) const {
    for (TListNode* n = const_cast<TFileLst*>(this)->Items().Head(); n; n = n->next) {
        const TFileRecord* r = RecordOf(static_cast<const TListItem*>(n->item));
        if (r && !std::strcmp(r->name, name)) return true;
    }
    return false;
}

void TFileLst::AddEntry(const char* name, uint32_t attributes, bool shorten) {
    TFileRecord record;
    record.attributes = attributes;
    std::strncpy(record.name, name, sizeof record.name - 1);
    std::string text = record.name;
    if (shorten) text = text.substr(0, text.find('.'));
    TStrList::AddItem(text.c_str(), reinterpret_cast<uintptr_t>(&record));
}

std::string TFileLst::BaseFolder() const {
    std::string base = std::string(drive_.c_str()) + directory_.c_str();
    if (directory_.Length() > 0 && base.back() != '\\' && base.back() != '/') base += '\\';
    return base;
}

void TFileLst::AddFolders(const std::string& base) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((base + "*.*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) {
        // A folder that cannot be read still lets the user go up.
        AddEntry("..", kFolder, false);
        return;
    }
    do
        if ((found.dwFileAttributes & kFolder) && std::strcmp(found.cFileName, "."))
            AddEntry(found.cFileName, found.dwFileAttributes, false);
    while (FindNextFileA(h, &found));
    FindClose(h);
}

void TFileLst::AddFiles(const std::string& base, const std::string& pattern) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((base + pattern).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const uint32_t a = found.dwFileAttributes;
        if ((a & kFolder) || !((a & mask_) || a == 0) || HasName(found.cFileName)) continue;
        AddEntry(found.cFileName, a, !fullNames_);
    } while (FindNextFileA(h, &found));
    FindClose(h);
}

int TFileLst::Fill() {
    ClearItems();
    const std::string base = BaseFolder();
    if (mask_ & kFolder) AddFolders(base);
    const std::string patterns = pattern_.c_str();
    size_t at = 0;
    while (at < patterns.size()) {
        const size_t end = std::min(patterns.find_first_of(kSeparators, at), patterns.size());
        if (end > at) AddFiles(base, patterns.substr(at, end - at));
        at = end + 1;
    }
    return 1;
}

// --- Commands --------------------------------------------------------------------------

const TListItem* TFileLst::FirstSelected() const {
    for (TListNode* n = const_cast<TFileLst*>(this)->Items().Head(); n; n = n->next) {
        const TListItem* item = static_cast<const TListItem*>(n->item);
        if (item->flags & kSelected) return item;
    }
    return nullptr;
}

void TFileLst::OnCommand(TEvent*) {
    const TListItem* item = FirstSelected();
    const TFileRecord* record = RecordOf(item);
    if (!record) return;
    if (record->attributes & kFolder) {
        std::string path = directory_.c_str();
        if (path.empty() || path.back() != '\\') path += '\\';
        SetDirectory((path + record->name).c_str());
        return;
    }
    TEvent chosen;
    chosen.SetType(evFileChosen);
    chosen.target = TEvent::WordOf(this);
    Dispatch(this, &chosen);
}

void TFileLst::OnChange(TEvent*) {
    TEditCtl* edit = edit_.Get();
    if (!edit) return;
    const TListItem* item = FirstSelected();
    edit->SetText(item ? TextOf(item) : "");
}

int TFileLst::GoUpHandler(TObject*, TEvent*) {
    GoUp();
    return 0;
}

void TFileLst::GoUp() {
    std::string dir = directory_.c_str();
    if (dir.empty() || dir == "\\") return;
    if (dir.back() != '\\') dir += '\\';
    SetDirectory((dir + "..").c_str());
}

// --- Drawing ---------------------------------------------------------------------------

TPicture* TFileLst::PictureFor(const TFileRecord& record) const {
    if (record.attributes & kFolder) return folderPicture_;
    return IsProgram(record.name) ? programPicture_ : filePicture_;
}

void TFileLst::DrawPicture(TPicture* picture, const TRectArea& rect) {
    const GdlBitmap* image = ui::LockImage(picture, 0, 0);
    if (!image) return;
    TCanvas& canvas = GetCanvas();
    canvas.SetAutoAdjust(uint32_t(GetAutoColorAdjust()));
    canvas.SetMapMode(uint32_t(GetColorMapMode()));
    canvas.SetColor3(TColor::Default(49));
    canvas.PutImageTransparent(rect.left, rect.top, image);
    ui::ReleaseImage(picture);
}

void TFileLst::DrawCell(int32_t column, int32_t row, const TRectArea& rect) {
    const TListItem* item = GetItemAt(column, row);
    if (!TextOf(item)) return;
    PaintCellBack(item, rect);
    TRectArea textRect = rect;
    const TFileRecord* record = RecordOf(item);
    if (showPictures_ && record) {
        if (TPicture* picture = PictureFor(*record)) {
            textRect.left += 20;
            DrawPicture(picture, rect);
        }
    }
    DrawText(textRect, TextOf(item));
    PaintCellFocus(column, row, item, rect);
}
