// The engine's file: a named object around one runtime stream, opened by mode
// bits, with every misuse and runtime failure reported under the file's name.
#pragma once

#include "foundation/TNamedObj.h"
#include "foundation/TString.h"

#include <cstdint>
#include <cstdio>

class TFile : public TNamedObj {
public:
    // Mode bits; neither write nor append opens for reading (pass 1).
    static constexpr uint32_t kRead = 1;
    static constexpr uint32_t kWrite = 2;  // create or truncate
    static constexpr uint32_t kAppend = 4; // wins over kWrite
    static constexpr uint32_t kText = 16;

    TFile();
    explicit TFile(const char* name);
    ~TFile() override;

    int Open(uint32_t mode);
    int Close();
    int32_t Read(void* destination, int32_t count);
    int32_t Write(const void* source, int32_t count);
    int32_t Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    int32_t Seek(int32_t offset, int origin);
    int32_t GetSize();
    int Exists();

    TString& FileName() { return fileName_; }
    const TString& FileName() const { return fileName_; }
    void SetFileName(const char* name) { fileName_ = name; }
    uint32_t Mode() const { return mode_; }
    bool IsOpen() const { return stream_ != nullptr; }

protected:
    void Report(int32_t code, const char* message, int32_t line);
    void ReportRuntime(int32_t code, int errorNumber, int32_t line);

    TString fileName_;
    uint32_t mode_ = 0;
    FILE* stream_ = nullptr;
    uint8_t* buffer_ = nullptr; // owned (EngineAlloc); filled by derived classes only
    int32_t position_ = 0;      // two words kept for derived classes
    int32_t positionEnd_ = 0;
    int32_t bufferSize_ = 512;
};
