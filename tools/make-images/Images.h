#pragma once

// The editor's images, painted from scratch.

#include "Painter.h"
#include "resource.h"

// The whole image: its frames stacked top to bottom, each of the size the resource gives.
// Null for an image this tool does not know.
Bitmap PaintImage(const brindlex::ImageResource& image);

// The editor as it would look: the background with every control at the frame frameOf(i)
// chooses (1-based) for control i of the attach order, blended as the editor blends them.
// images holds the painted images in the order of brindlex::kImages.
Bitmap ComposeEditor(const std::vector<Bitmap>& images, const std::function<int(int)>& frameOf);
