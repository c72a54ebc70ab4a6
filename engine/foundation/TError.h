// The engine's one error handler. Engine code never throws and never shows
// a message where a fault happens: it calls TError::Raise with a code (below
// 100 an error, 100 and above a warning), an optional message and object name,
// and its source location, then carries on. The handler drops repeats, holds
// reports back while a caller tries alternatives, hands pending reports
// formatted through a message table to the application's callback, and writes
// them to the error protocol.
#pragma once

#include "foundation/TList.h"
#include "foundation/TObject.h"
#include "foundation/TString.h"
#include "platform/Kernel.h"

#include <cstdint>

// One entry of a message table: 260 bytes, the last entry has code -1.
struct TErrorMsg {
    int32_t code;
    char text[256];
};
static_assert(sizeof(TErrorMsg) == 260);

class TErrorRec : public TObject {
public:
    TErrorRec();
    TErrorRec(const TErrorRec& other);
    TErrorRec& operator=(const TErrorRec& other);

    int32_t code = 0;
    TString message;  // "-" when none was given
    TString object;   // "-" when none was given
    int32_t time = 0; // calendar seconds
    TString source;   // "-" when none was given
    int32_t line = 0;
    uint32_t written = 0;
    uint32_t notified = 0;
    int32_t level = 0;
};

// The application's callback: gets one formatted report (at most 511
// characters); a non-zero answer stops the notification run.
using TErrorCallback = int (*)(void* owner, const char* text);

class TError : public TObject {
public:
    static void Raise(int32_t code, const char* message, const char* object, const char* source,
                      int32_t line);

    static void SetTable(const TErrorMsg* table); // null keeps the current table
    static const TErrorMsg* GetTable();
    static const TErrorMsg* EnglishTable();
    static const TErrorMsg* GermanTable();
    // The table's text for `code`, or "Unknown error!".
    static const char* Lookup(int32_t code);

    static void Hold();
    static void Release();
    static int32_t Level();
    static void CommitPending();
    static void DiscardPending();

    static void SetCallback(void* owner, TErrorCallback method);
    static TErrorRec* NextPending(int withWarnings);
    static int Notify(int withWarnings);
    static void AcknowledgeAll();
    static void WriteProtocol(const char* fileName);

    // Deletes the records of the held and shown lists and forgets that any
    // are pending; the level and the callback stay.
    static void ClearLists();

    // State, for the application's loop and for tests.
    static TList& ShownList();
    static TList& HeldList();
    static bool ErrorsPending();
    static bool WarningsPending();
    static bool RaisedWhileNotifying();

    // Built and destroyed by the engine (ui/TEngine.h); the operations above
    // act on the current engine's handler.
    TError();
    ~TError() override;

private:
    static TError& Handler();
    void Store(const TErrorRec& record);
    void RemoveDuplicate(const TErrorRec& record);
    void MovePending(bool commit);
    static int Format(const TErrorRec& record, char* out, size_t size);

    const TErrorMsg* table_;
    void* callbackOwner_ = nullptr;
    TErrorCallback callback_ = nullptr;
    TList held_;
    TList shown_;
    uint32_t errorsPending_ = 0;
    uint32_t warningsPending_ = 0;
    uint32_t firstErrorHeld_ = 0;
    uint32_t notifying_ = 0;
    uint32_t raisedWhileNotifying_ = 0;
    TErrorRec fallback_;
    int32_t level_ = 0;
    CRITICAL_SECTION lock_;
};
