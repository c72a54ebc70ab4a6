#include "Builder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace demo {

namespace {

struct Entry {
    const char* name;
    Generator generator;
};

constexpr Entry kGenerators[] = {
    {"copy", GenerateCopy},     {"text", GenerateText},   {"picture", GeneratePicture},
    {"album", GenerateAlbum},   {"room", GenerateRoom},   {"props", GenerateProps},
    {"sky", GenerateSky},       {"actor", GenerateActor}, {"cursor", GenerateCursor},
    {"font", GenerateFont},     {"wave", GenerateWave},   {"film", GenerateFilm},
    {"folder", GenerateFolder},
};

} // namespace

Generator FindGenerator(const std::string& name) {
    for (const Entry& e : kGenerators)
        if (name == e.name) return e.generator;
    return nullptr;
}

bool Builder::Run(const std::vector<Asset>& assets) {
    for (const Asset& a : assets) {
        const Generator g = FindGenerator(a.generator);
        if (!g) return Fail(a, "unknown generator \"" + a.generator + "\"");
        if (!g(*this, a)) {
            if (error_.empty()) Fail(a, "failed");
            return false;
        }
    }
    return CheckTree(*this);
}

bool Builder::ReadSource(const Asset& asset, const std::string& relative, std::string* out) {
    if (ReadText(SourcePath(relative), out)) return true;
    return Fail(asset, "cannot read " + SourcePath(relative));
}

bool Builder::Emit(const Asset& asset, const std::vector<uint8_t>& bytes) {
    const std::filesystem::path path = OutPath(asset.path);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size())))
        return Fail(asset, "cannot write " + path.string());
    written_.push_back(asset.path);
    return true;
}

bool Builder::Emit(const Asset& asset, const std::string& text) {
    return Emit(asset, std::vector<uint8_t>(text.begin(), text.end()));
}

bool Builder::MakeFolder(const Asset& asset) {
    std::error_code ec;
    std::filesystem::create_directories(OutPath(asset.path), ec);
    if (ec) return Fail(asset, "cannot make the folder " + OutPath(asset.path));
    return true;
}

bool Builder::Fail(const Asset& asset, const std::string& reason) {
    if (error_.empty())
        error_ =
            "assets.ini line " + std::to_string(asset.line) + " (" + asset.path + "): " + reason;
    return false;
}

bool GenerateFolder(Builder& b, const Asset& a) {
    return b.MakeFolder(a);
}

} // namespace demo
