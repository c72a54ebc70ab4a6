#include "foundation/TList.h"

TList::~TList() {
    Clear();
}

void TList::SetCompare(void* owner, TListCompare callback) {
    owner_ = owner;
    callback_ = callback;
}

int32_t TList::Compare(void*, void*) {
    return 0;
}

int32_t TList::CompareItems(void* a, void* b) {
    if (owner_ && callback_) return callback_(owner_, a, b);
    return Compare(a, b);
}

TListNode* TList::PlaceFromHead(void* item) {
    for (TListNode* n = head_; n; n = n->next)
        if (CompareItems(n->item, item) >= 0) return n;
    return nullptr;
}

TListNode* TList::PlaceFromTail(void* item) {
    for (TListNode* n = tail_; n; n = n->prev)
        if (CompareItems(n->item, item) <= 0) return n;
    return nullptr;
}

void TList::LinkBefore(TListNode* node, TListNode* before) {
    if (!before) { // at the tail
        node->prev = tail_;
        node->next = nullptr;
        if (tail_)
            tail_->next = node;
        else
            head_ = node;
        tail_ = node;
        return;
    }
    node->next = before;
    node->prev = before->prev;
    if (before->prev)
        before->prev->next = node;
    else
        head_ = node;
    before->prev = node;
}

void TList::LinkAfter(TListNode* node, TListNode* after) {
    if (!after) { // at the head
        node->prev = nullptr;
        node->next = head_;
        if (head_)
            head_->prev = node;
        else
            tail_ = node;
        head_ = node;
        return;
    }
    node->prev = after;
    node->next = after->next;
    if (after->next)
        after->next->prev = node;
    else
        tail_ = node;
    after->next = node;
}

void TList::Unlink(TListNode* node) {
    if (node->prev)
        node->prev->next = node->next;
    else
        head_ = node->next;
    if (node->next)
        node->next->prev = node->prev;
    else
        tail_ = node->prev;
    node->next = node->prev = nullptr;
}

int TList::Insert(void* item) {
    if (lockCount_ != 0 || !item) return 0;
    TListNode* node = new TListNode(item);
    if (!node) return 0;
    LinkBefore(node, PlaceFromHead(item));
    ++count_;
    return 1;
}

int TList::InsertFromEnd(void* item) {
    if (lockCount_ != 0 || !item) return 0;
    TListNode* node = new TListNode(item);
    if (!node) return 0;
    LinkAfter(node, PlaceFromTail(item));
    ++count_;
    return 1;
}

void TList::Remove(void* item) {
    if (lockCount_ != 0 || !item) return;
    TListNode* node = (lastReturned_ && lastReturned_->item == item) ? lastReturned_ : nullptr;
    for (TListNode* n = head_; !node && n; n = n->next)
        if (n->item == item) node = n;
    if (!node) return;
    // The iterator moves off a node that goes away, along its direction.
    if (iterator_ == node) {
        if (direction_ == 1)
            iterator_ = node->next ? node->next : node->prev;
        else
            iterator_ = node->prev ? node->prev : node->next;
    }
    if (lastReturned_ == node) lastReturned_ = nullptr;
    Unlink(node);
    delete node;
    --count_;
}

void TList::Clear() {
    TListNode* n = head_;
    while (n) {
        TListNode* next = n->next;
        delete n;
        n = next;
    }
    head_ = tail_ = iterator_ = lastReturned_ = nullptr;
    count_ = 0;
}

int TList::Reposition(void* item, int from) {
    if (from != 0 && from != 1) return 0;
    TListNode* node = nullptr;
    for (TListNode* n = head_; !node && n; n = n->next)
        if (n->item == item) node = n;
    if (!node) return 0;
    // The walk meets the item itself too and stops there on a tie, so an item
    // can only move towards the head (from 0) or towards the tail (from 1).
    if (from == 0) {
        TListNode* before = PlaceFromHead(item);
        if (before == node || before == node->next) return 0;
        Unlink(node);
        LinkBefore(node, before);
    } else {
        TListNode* after = PlaceFromTail(item);
        if (after == node || after == node->prev) return 0;
        Unlink(node);
        LinkAfter(node, after);
    }
    return 1;
}

int TList::Rewind(int32_t direction) {
    direction_ = direction;
    iterator_ = direction == 1 ? head_ : tail_;
    return head_ != nullptr;
}

void* TList::Next() {
    if (!iterator_) return nullptr;
    lastReturned_ = iterator_;
    iterator_ = direction_ == 1 ? iterator_->next : iterator_->prev;
    return lastReturned_->item;
}

int TList::Seek(int32_t steps) {
    if (steps < 0) {
        iterator_ = nullptr;
        return 0;
    }
    TListNode* n = head_;
    for (int32_t i = 0; i < steps && n; ++i)
        n = n->next;
    iterator_ = n;
    return steps <= count_;
}

void TList::PushIter(TListIter& saved) {
    saved.iterator = iterator_;
    saved.direction = direction_;
    ++lockCount_;
}

void TList::PopIter(TListIter& saved) {
    iterator_ = saved.iterator;
    direction_ = saved.direction;
    --lockCount_;
}

TObjList::~TObjList() {
    DeleteAll();
}

void TObjList::DeleteAll() {
    TList::Rewind(1);
    while (void* item = Next())
        delete static_cast<TObject*>(item);
    Clear();
}
