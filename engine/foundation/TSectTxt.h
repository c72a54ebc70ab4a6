// A text resource read one section at a time: sections begin with "[name]"
// and run from the next line to the next '['.
#pragma once

#include "foundation/TCustTxt.h"
#include "foundation/TString.h"

class TSectTxt : public TCustTxt {
public:
    TSectTxt();
    explicit TSectTxt(const char* name);
    ~TSectTxt() override;

    void SetSection(const char* name) { section_ = name ? name : ""; }
    // The current section's text without its trailing blanks and line ends,
    // valid until the next call; null when it is missing or empty.
    const char* GetSection();

private:
    TString section_;
    TString* result_ = nullptr;
};
