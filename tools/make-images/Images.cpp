#include "Images.h"

#include "Parts.h"

namespace {

// The value a frame shows: frames are spread evenly from 0 (first) to 1 (last).
float FrameValue(int frame, int frames) {
    return frames > 1 ? float(frame) / float(frames - 1) : 0.0f;
}

Bitmap Strip(const brindlex::ImageResource& image, const std::function<Bitmap(float)>& paint) {
    return MakeStrip(image.width, image.height, image.frames,
                     [&](int i) { return paint(FrameValue(i, image.frames)); });
}

} // namespace

Bitmap PaintImage(const brindlex::ImageResource& image) {
    namespace b = brindlex;
    const int w = image.width, h = image.height;
    switch (image.id) {
    case b::kBackgroundImage.id:
        return PaintBackground(w, h);
    case b::kAttKnobImage.id:
        return PaintKnob(look::kAttKnob, w, image.frames);
    case b::kGainKnobImage.id:
        return PaintKnob(look::kGainKnob, w, image.frames);
    case b::kSmallKnobImage.id:
        return PaintKnob(look::kSmallKnob, w, image.frames);
    case b::kMAMeterImage.id:
        return PaintMeter(MeterScale::Gain, w, h, image.frames);
    case b::kRefMeterImage.id:
        return PaintMeter(MeterScale::Level, w, h, image.frames);
    case b::kPowerLightImage.id:
        return Strip(image, [&](float v) { return PaintLamp(LampColour::Red, w, v > 0.5f); });
    case b::kLightImage.id:
        return Strip(image, [&](float v) { return PaintLamp(LampColour::Amber, w, v > 0.5f); });
    case b::kPowerSwitchImage.id:
        return Strip(image, [&](float v) { return PaintToggle(w, h, false, v > 0.5f); });
    case b::kSwitch2Image.id:
        return Strip(image, [&](float v) { return PaintToggle(w, h, true, v > 0.5f); });
    default:
        return nullptr;
    }
}

Bitmap ComposeEditor(const std::vector<Bitmap>& images, const std::function<int(int)>& frameOf) {
    const auto imageOf = [&](const brindlex::ImageResource* image) -> PIX_IBitmap* {
        for (int i = 0; i < brindlex::kNumImages; ++i)
            if (brindlex::kImages[i] == image) return images[size_t(i)].get();
        return nullptr;
    };
    PIX_IBitmap* background = imageOf(&brindlex::kBackgroundImage);
    Bitmap editor = MakeBitmap(background->getWidth(), background->getHeight(), 0);
    PIX_Blit(editor.get(), background, 0, 0, nullptr, 1.0f, PIX_COMBINE_COPY);
    for (int i = 0; i < brindlex::kNumControls; ++i) {
        const brindlex::ControlPlacement& control = *brindlex::kControls[i];
        const brindlex::ImageResource& image = *control.image;
        const int frame = std::clamp(frameOf(i), 1, image.frames);
        PIX_Blit(editor.get(), imageOf(&image), control.x, control.y, 0, (frame - 1) * image.height,
                 image.width, image.height, 1.0f, PIX_COMBINE_COPY | PIX_COMBINE_USE_SOURCE_ALPHA);
    }
    return editor;
}
