#include "DialogManager.h"

#include "GameStatics.h"
#include "ScriptParams.h"

#include "foundation/TSectTxt.h"
#include "lua.h"

#include <cstring>

namespace {
// Smallest sizes in the block: what a count must leave room for.
constexpr size_t kEntryMin = 4 + 1;     // name length and its zero
constexpr size_t kStatementMin = 2 + 4; // flags and phrase count
constexpr size_t kPhraseSize = 2;       // flags

// Whether `count` (read from the file) can be real with `remaining` bytes
// left, each item taking at least `each`.
bool CountFits(int32_t count, size_t each, size_t remaining) {
    return count >= 0 && size_t(count) <= remaining / each;
}

// A name field: its length (with the zero), then the bytes. The name ends at
// its zero, which must lie within the length.
bool ReadName(platform::ByteReader& in, std::string& name) {
    const int32_t length = in.S32();
    if (!in.Ok() || length <= 0 || size_t(length) > in.Remaining()) return false;
    const uint8_t* bytes = in.Take(size_t(length));
    const void* zero = std::memchr(bytes, 0, size_t(length));
    if (!zero) return false;
    name.assign(reinterpret_cast<const char*>(bytes),
                size_t(static_cast<const uint8_t*>(zero) - bytes));
    return true;
}

void WriteName(platform::ByteWriter& out, const std::string& name) {
    out.S32(int32_t(name.size() + 1));
    out.Text(name);
    out.U8(0);
}
} // namespace

DialogManager::DialogManager() {
    Statics().dialogManager = this;
}

DialogManager::~DialogManager() {
    if (TEngine::Current() && Statics().dialogManager == this) Statics().dialogManager = nullptr;
}

DialogManager* DialogManager::Current() {
    return Statics().dialogManager;
}

DialogEntry* DialogManager::At(int32_t index) const {
    if (index < 0 || size_t(index) >= entries_.size()) return nullptr;
    return entries_[size_t(index)].get();
}

DialogEntry* DialogManager::Find(const char* name) const {
    if (!name) name = "";
    for (const auto& entry : entries_)
        if (entry->name == name) return entry.get();
    return nullptr;
}

DialogDef* DialogManager::FindDialog(const char* name) const {
    DialogEntry* entry = Find(name);
    return entry ? entry->dialog.get() : nullptr;
}

DialogDef* DialogManager::Add(const char* name) {
    auto entry = std::make_unique<DialogEntry>();
    entry->name = name ? name : "";
    entry->dialog = std::make_unique<DialogDef>();
    DialogDef* dialog = entry->dialog.get();
    entries_.push_back(std::move(entry));
    declaring_ = dialog;
    return dialog;
}

void DialogManager::Remove(const DialogDef* dialog) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if ((*it)->dialog.get() == dialog) {
            if (declaring_ == dialog) declaring_ = nullptr;
            entries_.erase(it);
            return;
        }
}

const char* DialogManager::Text(const char* name, int32_t id, int32_t position) const {
    DialogDef* dialog = FindDialog(name);
    DialogStatement* statement = dialog ? dialog->Statement(id) : nullptr;
    DialogPhrase* phrase = statement ? statement->Phrase(position) : nullptr;
    TSectTxt* texts = Resources().Text("txtDialoge");
    if (!phrase || !texts) return nullptr;
    texts->SetSection(phrase->textKey.c_str());
    return texts->GetSection();
}

bool DialogManager::SaveState(platform::ByteWriter& out) const {
    out.S32(int32_t(entries_.size()));
    for (const auto& entry : entries_) {
        WriteName(out, entry->name);
        if (entry->name == kRepeat) continue;
        const DialogDef& dialog = *entry->dialog;
        out.U16(dialog.state);
        out.S32(int32_t(dialog.statements.size()));
        for (const auto& statement : dialog.statements) {
            out.U16(statement->flags);
            out.S32(int32_t(statement->phrases.size()));
            for (const auto& phrase : statement->phrases)
                out.U16(phrase->flags);
        }
    }
    return true;
}

bool DialogManager::LoadState(platform::ByteReader& in, bool checkOnly) {
    const int32_t count = in.S32();
    if (!in.Ok() || !CountFits(count, kEntryMin, in.Remaining())) return false;
    for (int32_t i = 0; i < count; ++i)
        if (!LoadEntry(in, checkOnly)) return false;
    return true;
}

bool DialogManager::LoadEntry(platform::ByteReader& in, bool checkOnly) {
    std::string name;
    if (!ReadName(in, name)) return false;
    if (name == kRepeat) return true;
    DialogDef* dialog = FindDialog(name.c_str());
    if (!dialog) return false;
    const uint16_t state = in.U16();
    const int32_t statements = in.S32();
    if (!in.Ok() || !CountFits(statements, kStatementMin, in.Remaining()) ||
        size_t(statements) > dialog->statements.size())
        return false;
    if (!checkOnly) dialog->state = state;
    for (int32_t s = 0; s < statements; ++s) {
        DialogStatement& statement = *dialog->statements[size_t(s)];
        const uint16_t flags = in.U16();
        const int32_t phrases = in.S32();
        if (!in.Ok() || !CountFits(phrases, kPhraseSize, in.Remaining()) ||
            size_t(phrases) > statement.phrases.size())
            return false;
        if (!checkOnly) statement.flags = flags;
        for (int32_t p = 0; p < phrases; ++p) {
            const uint16_t phraseFlags = in.U16();
            if (!in.Ok()) return false;
            if (!checkOnly) statement.phrases[size_t(p)]->flags = phraseFlags;
        }
    }
    return true;
}

// --- The declaration script ------------------------------------------------------------

void DialogData() {
    DialogManager* manager = DialogManager::Current();
    const char* name = StringParam(1);
    if (manager) manager->Add(name);
}

void StatementData() {
    DialogManager* manager = DialogManager::Current();
    DialogDef* dialog = manager ? manager->Declaring() : nullptr;
    // A statement before the first dialog has nowhere to go.
    if (!dialog) return;
    auto statement = std::make_unique<DialogStatement>();
    statement->id = uint16_t(IntParam(1));
    statement->speaker = uint16_t(IntParam(2));
    // A group of four is read only when its last value is there.
    for (int first = 3; lua_lua2C(first + 3) != LUA_NOOBJECT; first += 4) {
        auto phrase = std::make_unique<DialogPhrase>();
        const char* key = StringParam(first);
        phrase->textKey = key ? key : "";
        phrase->speechName = phrase->textKey;
        phrase->next = uint16_t(IntParam(first + 1));
        phrase->alternative = uint16_t(IntParam(first + 2));
        IntParam(first + 3); // read, and not used
        statement->AddPhrase(std::move(phrase));
    }
    dialog->AddStatement(std::move(statement));
}
