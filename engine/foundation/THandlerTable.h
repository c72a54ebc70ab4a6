// Registered handlers of engine event types: member functions of any object,
// called newest first until one reports the event handled.
//
// A table often outlives the objects registered on it (a form's handler on
// its caption bar, the room's on each element). An entry whose target is a
// named object keeps a checked reference to it: once the target is gone the
// entry does nothing, as an entry without a target, and is dropped at the
// next dispatch. Targets that are not named objects are kept as given; who
// registers one removes it before the target dies.
#pragma once

#include "foundation/TEvent.h"
#include "foundation/TList.h"
#include "foundation/TNamedObj.h"
#include "foundation/TRef.h"

#include <cstdint>
#include <type_traits>

class THandlerTable : public TNamedObj {
public:
    // A handler as the table calls it: on `target`, with the sender and the
    // event; non-zero when the event was handled.
    using Handler = int (*)(void* target, TObject* sender, TEvent* event);

    // `owner` stands in for a null target or sender; null: the table itself.
    explicit THandlerTable(TObject* owner = nullptr);
    ~THandlerTable() override;

    // A null target means the owner. The newest handler of a type runs first.
    // The target is unchecked (see above).
    int Add(int32_t type, void* target, Handler handler, uintptr_t userWord);
    // A member function `int T::M(TObject* sender, TEvent* event)`; a null
    // target means the owner, which must then be a T. A named target is
    // checked.
    template <class T, int (T::*M)(TObject*, TEvent*)>
    int Add(int32_t type, T* target, uintptr_t userWord = 0) {
        if (!target) target = dynamic_cast<T*>(owner_);
        TRef<TNamedObj> checked;
        if constexpr (std::is_base_of_v<TNamedObj, T>) checked = TRef<TNamedObj>(target);
        return AddEntry(type, target, checked, &Call<T, M>, userWord);
    }

    int Dispatch(TObject* sender, TEvent* event);
    int Has(int32_t type);
    // An entry of `type` for `target` exists (a null target means the owner).
    int Has(int32_t type, void* target);
    // Removes and frees every entry of `type` for `target`, so an object that
    // registered itself on a table it does not own can leave before it dies;
    // returns how many went.
    int Remove(int32_t type, void* target);
    int Clear();
    TObject* Owner() const { return owner_; }

private:
    struct Entry {
        int32_t type;
        Handler handler;
        void* target;
        TRef<TNamedObj> checked; // empty for an unchecked target
        uintptr_t userWord;
        // Whether the entry can still be called.
        bool Live() const { return handler && target && (!checked.IsSet() || checked.Get()); }
    };
    int AddEntry(int32_t type, void* target, TRef<TNamedObj> checked, Handler handler,
                 uintptr_t userWord);
    void DropDeadEntries();
    template <class T, int (T::*M)(TObject*, TEvent*)>
    static int Call(void* target, TObject* sender, TEvent* event) {
        return (static_cast<T*>(target)->*M)(sender, event);
    }

    TObject* owner_;
    TList entries_;
};
