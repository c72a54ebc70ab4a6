// demobuild SRC OUT [--manifest FILE]: makes the demo game's tree in OUT from
// the sources in SRC (demo/): every file listed in SRC/assets.ini, made by
// its generator, then checked across files. Any failure names the asset and
// ends with exit code 1; the data folder is then incomplete.
#include "AssetList.h"
#include "Builder.h"
#include "Manifest.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 5 && std::strcmp(argv[3], "--manifest") == 0)) {
        std::fprintf(stderr, "usage: demobuild SRC OUT [--manifest FILE]\n");
        return 2;
    }
    const std::string source = argv[1], out = argv[2];
    std::string list, error;
    if (!demo::ReadText(source + "/assets.ini", &list)) {
        std::fprintf(stderr, "demobuild: cannot read %s/assets.ini\n", source.c_str());
        return 1;
    }
    std::vector<demo::Asset> assets;
    if (!demo::ParseAssets(list, &assets, &error)) {
        std::fprintf(stderr, "demobuild: assets.ini %s\n", error.c_str());
        return 1;
    }
    // The data folder is the builder's alone; saves and the program stay.
    std::error_code ec;
    std::filesystem::remove_all(out + "/data", ec);
    demo::Builder builder(source, out);
    if (!builder.Run(assets)) {
        std::fprintf(stderr, "demobuild: %s\n", builder.Error().c_str());
        return 1;
    }
    if (argc == 5 && !demo::WriteManifest(out, builder.Written(), argv[4], &error)) {
        std::fprintf(stderr, "demobuild: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
