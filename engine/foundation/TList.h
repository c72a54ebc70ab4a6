// The engine's container: a doubly linked list of item pointers kept in order
// by a compare operation, with one built-in iterator that can be saved and
// restored, and a lock count that refuses inserts and removals while an
// iteration is protected. A TList owns nothing; a TObjList deletes its items.
#pragma once

#include "foundation/TObject.h"

#include <cstdint>

class TListNode : public TObject {
public:
    TListNode(void* item) : item(item) {}
    void* item;
    TListNode* next = nullptr;
    TListNode* prev = nullptr;
};

// The saved state of an iteration (PushIter/PopIter).
struct TListIter {
    TListNode* iterator = nullptr;
    int32_t direction = 0;
};

// The owner's compare: negative when a stands before b, 0 when equal.
using TListCompare = int32_t (*)(void* owner, void* a, void* b);

class TList : public TObject {
public:
    TList() = default;
    ~TList() override;
    TList(const TList&) = delete;
    TList& operator=(const TList&) = delete;

    // When both owner and callback are set they replace the virtual Compare.
    void SetCompare(void* owner, TListCompare callback);
    virtual int32_t Compare(void* a, void* b);

    int Insert(void* item);        // before the items equal to it (1, or 0)
    int InsertFromEnd(void* item); // after the items equal to it
    void Remove(void* item);
    void Clear();
    int Reposition(void* item, int from); // 0: towards the head, 1: the tail

    int Rewind(int32_t direction); // 1: from the head; else from the tail
    void* Next();
    int Seek(int32_t steps);
    int32_t Count() const { return count_; }
    int IsEmpty() const { return head_ == nullptr; }

    void PushIter(TListIter& saved);
    void PopIter(TListIter& saved);
    int32_t LockCount() const { return lockCount_; }

    TListNode* Head() const { return head_; }
    TListNode* Tail() const { return tail_; }

private:
    int32_t CompareItems(void* a, void* b);
    TListNode* PlaceFromHead(void* item); // the node to insert before, or null
    TListNode* PlaceFromTail(void* item); // the node to insert after, or null
    void LinkBefore(TListNode* node, TListNode* before);
    void LinkAfter(TListNode* node, TListNode* after);
    void Unlink(TListNode* node);

    void* owner_ = nullptr;
    TListCompare callback_ = nullptr;
    TListNode* head_ = nullptr;
    TListNode* tail_ = nullptr;
    TListNode* iterator_ = nullptr;
    TListNode* lastReturned_ = nullptr;
    int32_t direction_ = 0;
    int32_t count_ = 0;
    int32_t lockCount_ = 0;
};

// Owns its items: they must be engine objects, inserted through these
// overloads so the stored pointer is the TObject itself.
class TObjList : public TList {
public:
    TObjList() = default;
    ~TObjList() override;

    int Insert(TObject* item) { return TList::Insert(item); }
    int InsertFromEnd(TObject* item) { return TList::InsertFromEnd(item); }
    void Remove(TObject* item) { TList::Remove(item); }
    int Reposition(TObject* item, int from) { return TList::Reposition(item, from); }
    int Rewind() { return TList::Rewind(1); }
    using TList::Rewind;
    // Deletes every item, then the nodes.
    void DeleteAll();
};
