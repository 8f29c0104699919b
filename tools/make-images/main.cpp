// Paints the editor's images and writes them as PNG files.
//   make-images OUTDIR [--preview FILE.png]
// OUTDIR receives every image under its own file name; --preview also writes the whole editor
// with a few controls turned, lamps lit and meters moving, for judging the look.

#include "Images.h"
#include "PngWriter.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: make-images OUTDIR [--preview FILE.png]\n");
    return 2;
}

// A lively editor in attach order: knobs at assorted settings, all three stages on with the
// equaliser narrow, meters in motion.
int PreviewFrame(int control) {
    static const int frames[brindlex::kNumControls] = {46, 50, 38, 2,  2, 24, 36, 2, 1,
                                                       2,  1,  2,  41, 2, 12, 30, 60};
    return frames[control];
}

bool Write(PIX_IBitmap* bm, const std::string& path) {
    std::string error;
    if (WritePng(bm, path, &error)) return true;
    std::fprintf(stderr, "make-images: cannot write %s: %s\n", path.c_str(), error.c_str());
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--preview") == 0)) return Usage();
    const std::filesystem::path outDir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    if (ec) {
        std::fprintf(stderr, "make-images: cannot create %s: %s\n", outDir.c_str(),
                     ec.message().c_str());
        return 1;
    }

    std::vector<Bitmap> images;
    for (const brindlex::ImageResource* image : brindlex::kImages) {
        images.push_back(PaintImage(*image));
        const std::string name = std::filesystem::path(image->file).filename();
        if (!Write(images.back().get(), (outDir / name).string())) return 1;
    }
    if (argc == 4) {
        Bitmap editor = ComposeEditor(images, PreviewFrame);
        if (!Write(editor.get(), argv[3])) return 1;
    }
    return 0;
}
