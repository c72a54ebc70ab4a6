// Checked references: the serial as the object's identity, resolution while
// the object lives, null once it is gone (from the moment its deletion
// begins), and the type check of a serial that comes from outside.
#include "foundation/THandlerTable.h"
#include "foundation/TNamedObj.h"
#include "foundation/TObjectRegistry.h"
#include "foundation/TRef.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

class Base : public TNamedObj {};
class Derived : public Base {};
class Other : public TNamedObj {};
// Resources are built like this: a base reached through a virtual base
// needs the object itself to find it.
class Shared : public virtual TNamedObj {
public:
    using TObject::operator delete; // as TResource: the plain deletion
    using TObject::operator new;
};
class Joined : public virtual Shared {};

TEST(TRef, SerialsAre64BitAndRiseByOne) {
    TNamedObj a;
    TNamedObj b;
    static_assert(sizeof(a.Serial()) == 8);
    EXPECT_EQ(b.Serial(), a.Serial() + 1);
    EXPECT_GT(a.Serial(), 0u);
}

TEST(TRef, ResolvesWhileAliveAndNullOnceGone) {
    const size_t before = TObjectRegistry::LiveCount();
    auto* object = new Derived;
    EXPECT_EQ(TObjectRegistry::LiveCount(), before + 1);
    TRef<Derived> ref(object);
    TRef<Base> base = ref; // a reference to a base class
    TRef<Derived> copy = ref;
    EXPECT_EQ(ref.Get(), object);
    EXPECT_EQ(base.Get(), object);
    EXPECT_EQ(ref.Serial(), object->Serial());
    EXPECT_TRUE(copy == ref);
    EXPECT_TRUE(ref.Is(object));
    delete object;
    EXPECT_EQ(TObjectRegistry::LiveCount(), before);
    EXPECT_EQ(ref.Get(), nullptr);
    EXPECT_EQ(base.Get(), nullptr);
    EXPECT_TRUE(ref.IsSet()); // it still names the dead object
    ref.Reset();
    EXPECT_FALSE(ref.IsSet());
    EXPECT_EQ(TRef<Base>(nullptr).Serial(), 0u);
    EXPECT_EQ(TRef<Base>().Get(), nullptr);
}

// A kept reference is often widened after its object went (a font or cursor
// resource handed on as its base class): that must not read the object.
TEST(TRef, AReferenceToAGoneObjectWidensWithoutTouchingIt) {
    auto* object = new Joined;
    const TRef<Joined> ref(object);
    const TRef<Shared> alive = ref;
    EXPECT_EQ(alive.Get(), object);
    delete object;
    const TRef<Shared> widened = ref;
    const TRef<TNamedObj> root = widened;
    EXPECT_EQ(widened.Serial(), ref.Serial());
    EXPECT_EQ(widened.Get(), nullptr);
    EXPECT_EQ(root.Get(), nullptr);
    EXPECT_TRUE(root.IsSet());
}

TEST(TRef, ASerialFromOutsideResolvesOnlyToItsOwnType) {
    Derived derived;
    Other other;
    EXPECT_EQ(TRef<Base>::FromSerial(derived.Serial()).Get(), &derived);
    EXPECT_EQ(TRef<Derived>::FromSerial(derived.Serial()).Get(), &derived);
    EXPECT_EQ(TRef<Base>::FromSerial(other.Serial()).Get(), nullptr);
    EXPECT_EQ(TRef<Base>::FromSerial(0).Get(), nullptr);
    uint64_t gone;
    {
        Derived temporary;
        gone = temporary.Serial();
    }
    EXPECT_EQ(TRef<Base>::FromSerial(gone).Get(), nullptr);
    EXPECT_EQ(TObjectRegistry::Find(gone), nullptr);
}

// A base that calls out from its destructor, as a form closing its bars
// does, and a class that adds a member of its own above it.
struct Announcer : TNamedObj {
    ~Announcer() override {
        if (onGone) onGone();
    }
    std::function<void()> onGone;
};
struct Listener : Announcer {
    int Heard(TObject*, TEvent*) {
        heard.push_back(1);
        return 1;
    }
    std::vector<int> heard = std::vector<int>(4);
};

// The derived parts of an object go first. A reference resolved while its
// base's destructor runs would hand out an object whose members are freed
// (under the address sanitizer a use after free): so it stops resolving as
// soon as the deletion begins, by whatever pointer it is deleted.
TEST(TRef, AnObjectStopsResolvingWhenItsDeletionBegins) {
    const std::function<void(Listener*)> deletions[] = {
        [](Listener* l) { delete l; }, [](Listener* l) { delete static_cast<TNamedObj*>(l); },
        [](Listener* l) { delete static_cast<TObject*>(l); }, // as the deletion queue does
    };
    for (size_t i = 0; i < std::size(deletions); ++i) {
        auto* object = new Listener;
        const TRef<Listener> ref(object);
        const TRef<TNamedObj> root = ref;
        THandlerTable table;
        table.Add<Listener, &Listener::Heard>(evCommand, object);
        int resolved = -1;
        int handled = -1;
        object->onGone = [&] {
            resolved = (ref.Get() != nullptr) + (root.Get() != nullptr);
            if (Listener* l = ref.Get()) l->heard.push_back(2);
            TEvent command;
            command.SetType(evCommand);
            handled = table.Dispatch(nullptr, &command);
        };
        const size_t before = TObjectRegistry::LiveCount();
        deletions[i](object);
        EXPECT_EQ(resolved, 0) << i;
        EXPECT_EQ(handled, 0) << i; // the handler entry of the dying target does nothing
        EXPECT_EQ(TObjectRegistry::LiveCount(), before - 1) << i;
        EXPECT_EQ(ref.Get(), nullptr) << i;
    }
}

} // namespace
