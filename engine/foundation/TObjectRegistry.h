// Every named engine object by its serial: the constructor of TNamedObj enters
// it and the destructor takes it out, so a serial answers "is this object still
// alive" without touching the object. Serials come from one 64-bit counter and
// are never reused. One lock guards the table: the cursor and timer threads
// may ask while the main thread builds and deletes objects.
#pragma once

#include <cstddef>
#include <cstdint>

class TNamedObj;

class TObjectRegistry {
public:
    // A fresh serial, with the object entered under it. An object that finds
    // no room in the table (error 9) keeps its serial but never resolves.
    static uint64_t Register(TNamedObj* object);
    static void Unregister(uint64_t serial);
    static bool IsLive(uint64_t serial);
    // The object, or null once it is gone. The caller must know the object
    // cannot die meanwhile (its own thread deletes it).
    static TNamedObj* Find(uint64_t serial);
    static size_t LiveCount();
};
