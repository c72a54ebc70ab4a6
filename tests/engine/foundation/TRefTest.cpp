// Checked references: the serial as the object's identity, resolution while
// the object lives, null once it is gone, and the type check of a serial
// that comes from outside.
#include "foundation/TNamedObj.h"
#include "foundation/TObjectRegistry.h"
#include "foundation/TRef.h"

#include <gtest/gtest.h>

namespace {

class Base : public TNamedObj {};
class Derived : public Base {};
class Other : public TNamedObj {};
// Resources are built like this: a base reached through a virtual base
// needs the object itself to find it.
class Shared : public virtual TNamedObj {};
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

} // namespace
