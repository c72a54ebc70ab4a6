#include "foundation/THandlerTable.h"

#include "foundation/TDeleteQueue.h"
#include "foundation/TError.h"

#include <new>
#include <vector>

THandlerTable::THandlerTable(TObject* owner) : owner_(owner ? owner : this) {}

THandlerTable::~THandlerTable() {
    Clear();
}

int THandlerTable::Add(int32_t type, void* target, Handler handler, uintptr_t userWord) {
    return AddEntry(type, target, TRef<TNamedObj>(), handler, userWord);
}

int THandlerTable::AddEntry(int32_t type, void* target, TRef<TNamedObj> checked, Handler handler,
                            uintptr_t userWord) {
    if (!target) target = owner_;
    Entry* entry = new (std::nothrow) Entry{type, handler, target, checked, userWord};
    // With no compare every entry counts as equal, so Insert puts it first.
    if (!entry || !entries_.Insert(entry)) {
        delete entry;
        TError::Raise(9, nullptr, nullptr, "Source\\TEvent", 1759);
        return 0;
    }
    return 1;
}

int THandlerTable::Dispatch(TObject* sender, TEvent* event) {
    if (!event) return 0;
    // A handler may run a loop of its own: what it queues for deletion (the
    // table, a later handler's target) outlives this dispatch.
    TDeleteLaterHold hold;
    if (!sender) sender = owner_;
    DropDeadEntries();
    // A handler may add or clear handlers: call from a copy of the entries.
    std::vector<Entry> due;
    try {
        for (TListNode* n = entries_.Head(); n; n = n->next) {
            const Entry* e = static_cast<const Entry*>(n->item);
            if (e->type == event->type && e->Live()) due.push_back(*e);
        }
    } catch (const std::bad_alloc&) {
        TError::Raise(9, nullptr, nullptr, "Source\\TEvent", 1759);
        return 0;
    }
    // An earlier handler may have deleted a later one's target (or this table).
    for (const Entry& e : due) {
        if (!e.Live()) continue;
        event->userWord = e.userWord;
        if (e.handler(e.target, sender, event)) return 1;
    }
    return 0;
}

void THandlerTable::DropDeadEntries() {
    for (TListNode* n = entries_.Head(); n;) {
        Entry* e = static_cast<Entry*>(n->item);
        n = n->next;
        if (!e->checked.IsSet() || e->checked.Get()) continue;
        entries_.Remove(e);
        delete e;
    }
}

int THandlerTable::Has(int32_t type) {
    for (TListNode* n = entries_.Head(); n; n = n->next) {
        const Entry* e = static_cast<const Entry*>(n->item);
        if (e->type == type && e->Live()) return 1;
    }
    return 0;
}

// Entries of dead targets go first: a new object may have taken their address.
int THandlerTable::Has(int32_t type, void* target) {
    if (!target) target = owner_;
    DropDeadEntries();
    for (TListNode* n = entries_.Head(); n; n = n->next) {
        const Entry* e = static_cast<const Entry*>(n->item);
        if (e->type == type && e->target == target) return 1;
    }
    return 0;
}

int THandlerTable::Remove(int32_t type, void* target) {
    if (!target) target = owner_;
    DropDeadEntries();
    int removed = 0;
    TListNode* n = entries_.Head();
    while (n) {
        Entry* e = static_cast<Entry*>(n->item);
        n = n->next;
        if (e->type != type || e->target != target) continue;
        entries_.Remove(e);
        delete e;
        ++removed;
    }
    return removed;
}

int THandlerTable::Clear() {
    int any = entries_.Head() != nullptr;
    while (TListNode* n = entries_.Head()) {
        Entry* e = static_cast<Entry*>(n->item);
        entries_.Remove(e);
        delete e;
    }
    return any;
}
