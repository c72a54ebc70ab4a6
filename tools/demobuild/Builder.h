// The demo builder's state: where sources are read and the tree is written,
// what has been written so far, and the first failure.
#pragma once

#include "AssetList.h"

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

class Builder {
public:
    Builder(std::string source, std::string out)
        : source_(std::move(source)), out_(std::move(out)) {}

    // Runs every asset's generator, then the checks across files.
    bool Run(const std::vector<Asset>& assets);

    const std::string& Source() const { return source_; }
    std::string SourcePath(const std::string& relative) const { return source_ + "/" + relative; }
    std::string OutPath(const std::string& relative) const { return out_ + "/" + relative; }
    // Reads a source file; a missing one is a failure of `asset`.
    bool ReadSource(const Asset& asset, const std::string& relative, std::string* out);

    // Writes a file of the tree (making its folders).
    bool Emit(const Asset& asset, const std::vector<uint8_t>& bytes);
    bool Emit(const Asset& asset, const std::string& text);
    bool MakeFolder(const Asset& asset);

    // Records the first failure (the builder then stops) and returns false.
    bool Fail(const Asset& asset, const std::string& reason);
    const std::string& Error() const { return error_; }

    // The files written, as paths below the tree.
    const std::vector<std::string>& Written() const { return written_; }

private:
    std::string source_;
    std::string out_;
    std::vector<std::string> written_;
    std::string error_;
};

// One generator per kind of asset.
using Generator = bool (*)(Builder&, const Asset&);
Generator FindGenerator(const std::string& name);

// Generators (one file per concern).
bool GenerateCopy(Builder& b, const Asset& a);
bool GenerateText(Builder& b, const Asset& a);
bool GeneratePicture(Builder& b, const Asset& a);
bool GenerateAlbum(Builder& b, const Asset& a);
bool GenerateRoom(Builder& b, const Asset& a);
bool GenerateProps(Builder& b, const Asset& a);
bool GenerateSky(Builder& b, const Asset& a);
bool GenerateActor(Builder& b, const Asset& a);
bool GenerateCursor(Builder& b, const Asset& a);
bool GenerateFont(Builder& b, const Asset& a);
bool GenerateWave(Builder& b, const Asset& a);
bool GenerateFilm(Builder& b, const Asset& a);
bool GenerateFolder(Builder& b, const Asset& a);

// Checks across files, run after every asset was written.
bool CheckTree(Builder& b);

} // namespace demo
