// Deferred deletion: an object that may still have a handler on the stack (a
// control deleted from its own press, a form from its own close, a timer from
// its own firing, a room element from its end action) is queued instead of
// deleted, and freed where nothing of it can run any more: by the modal loop
// between steps, and at the application's shutdown.
//
// A drain that runs while any handler is on the stack frees nothing: each
// step of the modal loop holds the queue, and so does every delivery of an
// event (a component's routing, a handler table's dispatch, a timer's
// firings). A loop nested in a handler therefore never frees what that
// handler's caller still walks, whether or not an outer step runs: a tick
// handed straight to a timer by a harness is as safe as one from the loop.
//
// Whoever queues an object has already taken it out of use (detached, hidden,
// disabled); it stays alive, and its references keep resolving, until the
// drain. Main thread only.
#pragma once

class TObject;

// Queues `object` for deletion; an object already queued, or null, is left as
// it is.
void DeleteLater(TObject* object);
// Deletes the queued objects in the order they were queued, and those their
// destructors queue, until the queue is empty. Does nothing while a hold is
// held (TDeleteLaterHold): a nested loop's step may run inside a handler of
// an object queued meanwhile.
void DrainDeleteLater();
// Whether `object` waits in the queue.
bool IsQueuedForDeletion(const TObject* object);

// Keeps one queued object from being deleted for a scope (a modal loop
// running on it); the next drain after the scope takes it.
class TDeleteLaterPin {
public:
    explicit TDeleteLaterPin(const TObject* object);
    ~TDeleteLaterPin();
    TDeleteLaterPin(const TDeleteLaterPin&) = delete;
    TDeleteLaterPin& operator=(const TDeleteLaterPin&) = delete;

private:
    const TObject* object_;
};

// Held by each step of the modal loop and by each delivery of an event:
// the queue drains only when no handler is left on the stack.
class TDeleteLaterHold {
public:
    TDeleteLaterHold();
    ~TDeleteLaterHold();
    TDeleteLaterHold(const TDeleteLaterHold&) = delete;
    TDeleteLaterHold& operator=(const TDeleteLaterHold&) = delete;
};
