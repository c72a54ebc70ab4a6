#include "foundation/TError.h"

#include "foundation/TErrorTables.h"
#include "foundation/TFile.h"
#include "foundation/TServices.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <string>

namespace {

// Set while Raise stores a report, so a report raised on the way (a failing
// allocation inside the handler) is dropped instead of recursing. Tested and
// changed only under the handler's lock.
uint32_t raising = 0;

const char* OrDash(const char* text) {
    return text ? text : "-";
}

bool SameText(const TString& a, const TString& b) {
    return a == b;
}

bool SameReport(const TErrorRec& a, const TErrorRec& b) {
    return a.code == b.code && a.line == b.line && SameText(a.message, b.message) &&
           SameText(a.object, b.object) && SameText(a.source, b.source);
}

// The runtime's calendar text, "Www Mmm dd hh:mm:ss yyyy\n".
std::string CalendarText(int32_t seconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    char text[64];
    std::tm* local = std::localtime(&t);
    if (!local || std::strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y\n", local) == 0)
        return "??? ??? ?? ??:??:?? ????\n";
    return text;
}

int32_t Now() {
    return static_cast<int32_t>(std::time(nullptr));
}

class Guard {
public:
    explicit Guard(CRITICAL_SECTION& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
    ~Guard() { LeaveCriticalSection(&cs_); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    CRITICAL_SECTION& cs_;
};

} // namespace

TErrorRec::TErrorRec() : message(0), object(0), source(0) {}

TErrorRec::TErrorRec(const TErrorRec& other) : TObject(), message(0), object(0), source(0) {
    *this = other;
}

TErrorRec& TErrorRec::operator=(const TErrorRec& other) {
    if (this == &other) return *this;
    code = other.code;
    message = other.message;
    object = other.object;
    time = other.time;
    source = other.source;
    line = other.line;
    written = other.written;
    notified = other.notified;
    level = other.level;
    return *this;
}

TError::TError() : table_(TErrorEnglishTable()) {
    InitializeCriticalSection(&lock_);
}

TError::~TError() {
    for (TList* list : {&held_, &shown_}) {
        for (TListNode* n = list->Head(); n; n = n->next)
            delete static_cast<TErrorRec*>(n->item);
        list->Clear();
    }
    DeleteCriticalSection(&lock_);
}

TError& TError::Handler() {
    return RequireService(Services().error, "error handler");
}

void TError::Raise(int32_t code, const char* message, const char* object, const char* source,
                   int32_t line) {
    TError& h = Handler();
    Guard guard(h.lock_);
    if (raising) return;
    raising = 1;
    {
        TErrorRec record;
        record.code = code;
        record.message = OrDash(message);
        record.object = OrDash(object);
        record.source = OrDash(source);
        record.line = line;
        record.time = Now();
        h.RemoveDuplicate(record);
        h.Store(record);
    }
    raising = 0;
}

void TError::RemoveDuplicate(const TErrorRec& record) {
    // Already-shown repeats go too, so a repeated fault is shown again, once.
    TListNode* node = shown_.Head();
    while (node) {
        TListNode* next = node->next;
        auto* old = static_cast<TErrorRec*>(node->item);
        if (SameReport(*old, record)) {
            shown_.Remove(old);
            delete old;
        }
        node = next;
    }
}

void TError::Store(const TErrorRec& record) {
    if (notifying_) {
        raisedWhileNotifying_ = 1;
        return;
    }
    if (level_ < 0) {
        TErrorRec* copy = new TErrorRec(record);
        if (!copy) return;
        copy->level = level_;
        if (!held_.Insert(copy)) delete copy;
        return;
    }
    TErrorRec* copy = new TErrorRec(record);
    if (copy && shown_.Insert(copy)) {
        if (record.code < 100)
            errorsPending_ = 1;
        else
            warningsPending_ = 1;
        return;
    }
    delete copy;
    if (record.code < 100 && !firstErrorHeld_) {
        fallback_ = record;
        firstErrorHeld_ = 1;
    }
}

void TError::SetTable(const TErrorMsg* table) {
    if (!table) return;
    TError& h = Handler();
    Guard guard(h.lock_);
    h.table_ = table;
}

const TErrorMsg* TError::GetTable() {
    return Handler().table_;
}

const TErrorMsg* TError::EnglishTable() {
    return TErrorEnglishTable();
}

const TErrorMsg* TError::GermanTable() {
    return TErrorGermanTable();
}

const char* TError::Lookup(int32_t code) {
    const TErrorMsg* table = Handler().table_;
    if (table)
        for (const TErrorMsg* entry = table; entry->code != -1; ++entry)
            if (entry->code == code) return entry->text;
    return "Unknown error!";
}

void TError::Hold() {
    TError& h = Handler();
    Guard guard(h.lock_);
    --h.level_;
}

void TError::Release() {
    TError& h = Handler();
    Guard guard(h.lock_);
    ++h.level_;
}

int32_t TError::Level() {
    return Handler().level_;
}

void TError::MovePending(bool commit) {
    // Oldest first; only records made at or below the current level, so that
    // nested holds each settle their own reports.
    TListNode* node = held_.Tail();
    while (node) {
        TListNode* prev = node->prev;
        auto* record = static_cast<TErrorRec*>(node->item);
        if (record->level <= level_) {
            held_.Remove(record);
            if (!commit) {
                delete record;
            } else if (shown_.Insert(record)) {
                if (record->code < 100)
                    errorsPending_ = 1;
                else
                    warningsPending_ = 1;
            } else {
                delete record;
            }
        }
        node = prev;
    }
}

void TError::CommitPending() {
    TError& h = Handler();
    Guard guard(h.lock_);
    h.MovePending(true);
}

void TError::DiscardPending() {
    TError& h = Handler();
    Guard guard(h.lock_);
    h.MovePending(false);
}

void TError::SetCallback(void* owner, TErrorCallback method) {
    TError& h = Handler();
    Guard guard(h.lock_);
    h.callbackOwner_ = owner;
    h.callback_ = method;
}

TErrorRec* TError::NextPending(int withWarnings) {
    TError& h = Handler();
    Guard guard(h.lock_);
    if (h.errorsPending_ || (h.warningsPending_ && withWarnings)) {
        TErrorRec* found = nullptr;
        for (TListNode* n = h.shown_.Head(); n; n = n->next) {
            auto* record = static_cast<TErrorRec*>(n->item);
            if (!record->notified && (record->code < 100 || withWarnings)) found = record;
        }
        if (found) {
            found->notified = 1;
            return found;
        }
    }
    h.errorsPending_ = 0;
    if (withWarnings) h.warningsPending_ = 0;
    if (h.firstErrorHeld_ && (h.fallback_.code < 100 || withWarnings)) {
        h.firstErrorHeld_ = 0;
        h.fallback_.time = Now();
        h.fallback_.notified = 1;
        return &h.fallback_;
    }
    return nullptr;
}

int TError::Format(const TErrorRec& record, char* out, size_t size) {
    const char* text = Lookup(record.code);
    bool error = record.code < 100;
    bool withObject = record.object.c_str() && record.object != "-";
    if (withObject)
        return std::snprintf(out, size, error ? "ERROR: %s (%s)" : "WARNING: %s (%s)", text,
                             record.object.c_str());
    return std::snprintf(out, size, error ? "ERROR: %s" : "WARNING: %s", text);
}

int TError::Notify(int withWarnings) {
    TError& h = Handler();
    {
        Guard guard(h.lock_);
        if (h.notifying_) return static_cast<int>(h.raisedWhileNotifying_);
        // What was raised during an earlier notification was for its nested
        // loops; left set, it would end every loop of this one at once.
        h.notifying_ = 1;
        h.raisedWhileNotifying_ = 0;
    }
    int result = 0;
    for (;;) {
        // Formatted under the lock: the record may be replaced by a repeat from
        // another thread once the lock is gone. Longer texts are cut at 511.
        char text[512];
        void* owner;
        TErrorCallback callback;
        {
            Guard guard(h.lock_);
            TErrorRec* record = NextPending(withWarnings);
            if (!record) break;
            Format(*record, text, sizeof text);
            owner = h.callbackOwner_;
            callback = h.callback_;
        }
        if (!owner || !callback || callback(owner, text) != 0) {
            result = 1;
            break;
        }
    }
    Guard guard(h.lock_);
    h.notifying_ = 0;
    return result;
}

void TError::AcknowledgeAll() {
    TError& h = Handler();
    Guard guard(h.lock_);
    if (h.firstErrorHeld_) {
        h.firstErrorHeld_ = 0;
        h.fallback_.notified = 1;
    }
    if (!h.errorsPending_ && !h.warningsPending_) return;
    h.errorsPending_ = h.warningsPending_ = 0;
    for (TListNode* n = h.shown_.Head(); n; n = n->next)
        static_cast<TErrorRec*>(n->item)->notified = 1;
}

namespace {

void WriteRecord(TFile& file, TErrorRec& record) {
    file.Printf("Date=%s", CalendarText(record.time).c_str());
    file.Printf(record.code < 100 ? "Error=%s\n" : "Warning=%s\n", TError::Lookup(record.code));
    file.Printf("Code=%i\n", record.code);
    file.Printf("Object=%s\n", OrDash(record.object.c_str()));
    file.Printf("Source=%s,%i\n", OrDash(record.source.c_str()), record.line);
    file.Printf("Comment=%s\n\n", OrDash(record.message.c_str()));
    record.written = 1;
}

} // namespace

void TError::WriteProtocol(const char* fileName) {
    TError& h = Handler();
    Guard guard(h.lock_);
    bool fallbackDue = h.fallback_.code != 0 && !h.fallback_.written;
    if (h.shown_.IsEmpty() && !fallbackDue) return;

    int32_t now = Now();
    // Reports made by the file operations themselves are held back and
    // discarded below; the records stay unwritten, so a later call retries.
    // Written from the error callback, a log that cannot be written must not
    // count as a new report either: it would end the box's loop at once.
    const uint32_t raisedBefore = h.raisedWhileNotifying_;
    --h.level_;
    {
        TFile file(fileName);
        if (!file.Exists()) {
            if (file.Open(TFile::kWrite | TFile::kText)) {
                file.Printf("Error Protocol V1.2 \n");
                file.Printf("%s", CalendarText(now).c_str());
                file.Printf("%s\n", std::string(75, '-').c_str());
            }
        } else {
            file.Open(TFile::kAppend | TFile::kText);
        }
        if (file.IsOpen()) {
            for (TListNode* n = h.shown_.Tail(); n; n = n->prev) {
                auto* record = static_cast<TErrorRec*>(n->item);
                if (!record->written) WriteRecord(file, *record);
            }
            if (h.fallback_.code != 0 && !h.fallback_.written) WriteRecord(file, h.fallback_);
            file.Close();
        }
        h.MovePending(false);
    }
    ++h.level_;
    h.raisedWhileNotifying_ = raisedBefore;
}

void TError::ClearLists() {
    TError& h = Handler();
    Guard guard(h.lock_);
    for (TList* list : {&h.held_, &h.shown_}) {
        for (TListNode* n = list->Head(); n; n = n->next)
            delete static_cast<TErrorRec*>(n->item);
        list->Clear();
    }
    h.errorsPending_ = h.warningsPending_ = h.firstErrorHeld_ = 0;
}

TList& TError::ShownList() {
    return Handler().shown_;
}

TList& TError::HeldList() {
    return Handler().held_;
}

bool TError::ErrorsPending() {
    return Handler().errorsPending_ != 0;
}

bool TError::WarningsPending() {
    return Handler().warningsPending_ != 0;
}

bool TError::RaisedWhileNotifying() {
    return Handler().raisedWhileNotifying_ != 0;
}
