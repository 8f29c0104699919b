#include "TestGraphics.h"

#include <atomic>

PIX_MemBitmap* MakeCoordinateImage(int width, int height) {
    auto* image = new PIX_MemBitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            PIX_PutPixel(image, x, y, PIX_RGBA(x, y, 255 - y, 255), 1.0f, PIX_COMBINE_COPY);
    return image;
}

int UniqueImageId() {
    static std::atomic<int> next{5000};
    return next++;
}

TestGraphics::~TestGraphics() {
    if (mDeletions) ++*mDeletions;
}

void TestGraphics::AddImage(int id, PIX_IBitmap* image) {
    mImages[id].reset(image);
}

bool TestGraphics::DrawScreen(const IRECT& rect) {
    mScreenRects.push_back(rect);
    return true;
}

int TestGraphics::ShowMessageBox(const char* text, const char* caption, int type) {
    mMessageBoxes.push_back({text ? text : "", caption ? caption : "", type});
    return mMessageBoxAnswer;
}

IPopupMenu* TestGraphics::CreateIPopupMenu(IPopupMenu* menu, const IRECT& rect) {
    ShownMenu shown{{}, {}, rect};
    for (int i = 0; i < menu->NItems(); ++i) {
        shown.items.push_back(menu->GetItemText(i));
        shown.flags.push_back(menu->GetItem(i)->GetFlags());
    }
    mMenus.push_back(shown);
    if (mMenuChoices.empty()) return nullptr;
    const int choice = mMenuChoices.front();
    mMenuChoices.pop_front();
    if (choice < 0 || choice >= menu->NItems()) return nullptr;
    menu->SetChosenItemIdx(choice);
    return menu;
}

void TestGraphics::CreateTextEntry(IControl* control, const IText* text, const IRECT& rect,
                                   const char* str, IParam* param) {
    mTextEntries.push_back({control, text ? *text : IText(), rect, str ? str : "", param});
    if (mTypedTexts.empty()) return;
    const std::string typed = mTypedTexts.front();
    mTypedTexts.pop_front();
    SetFromStringAfterPrompt(control, param, typed.c_str());
}

void TestGraphics::PromptForFile(UTL_String* fileName, EFileAction, UTL_String* dir, const char*) {
    mFilePrompts.push_back(dir ? dir->Get() : "");
    fileName->Clear();
    if (mChosenFiles.empty()) return;
    fileName->Set(mChosenFiles.front().c_str());
    mChosenFiles.pop_front();
}

bool TestGraphics::OpenURL(const char* url, const char*, const char*, const char*) {
    mURLs.push_back(url ? url : "");
    if (mURLResults.empty()) return true;
    const bool opened = mURLResults.front();
    mURLResults.pop_front();
    return opened;
}

void* TestGraphics::OpenWindow(void* parent) {
    // Any non-null handle stands for the view.
    mWindow = parent ? parent : this;
    return mWindow;
}

bool TestGraphics::GetTextFromClipboard(UTL_String* text) {
    text->Set(mClipboard.c_str());
    return !mClipboard.empty();
}

void TestGraphics::HideMouseCursor() {
    ++mCursorHides;
    mCursorHidden = true;
}

void TestGraphics::ShowMouseCursor() {
    ++mCursorShows;
    mCursorHidden = false;
}

PIX_IBitmap* TestGraphics::OSLoadBitmap(int id, const char* name) {
    mImageLoads.emplace_back(id, name ? name : "");
    const auto found = mImages.find(id);
    if (found == mImages.end()) return nullptr;
    auto* copy = new PIX_MemBitmap;
    PIX_Copy(copy, found->second.get());
    return copy;
}

bool ProbeControl::Draw(IGraphics* graphics) {
    ++mDraws;
    if (auto* test = dynamic_cast<TestGraphics*>(graphics)) mDrawClips.push_back(test->DrawClip());
    if (mDrawLog) mDrawLog->push_back(mName);
    return true;
}

void ProbeControl::SetValueFromPlug(double value) {
    mPlugValues.push_back(value);
    const auto* plug = dynamic_cast<const TestPlug*>(mOwnerPlug);
    mLockDepths.push_back(plug ? plug->LockDepth() : -1);
    IControl::SetValueFromPlug(value);
}

namespace {
std::string Mods(const IMouseMod& mod) {
    std::string text;
    if (mod.left) text += " L";
    if (mod.right) text += " R";
    if (mod.shift) text += " S";
    if (mod.control) text += " C";
    if (mod.alt) text += " A";
    return text;
}
} // namespace

void ProbeControl::OnMouseDown(int x, int y, const IMouseMod& mod) {
    mEvents.push_back("down " + std::to_string(x) + " " + std::to_string(y) + Mods(mod));
}

void ProbeControl::OnMouseUp(int x, int y, const IMouseMod& mod) {
    mEvents.push_back("up " + std::to_string(x) + " " + std::to_string(y) + Mods(mod));
}

void ProbeControl::OnMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod) {
    mEvents.push_back("drag " + std::to_string(x) + " " + std::to_string(y) + " " +
                      std::to_string(dX) + " " + std::to_string(dY) + Mods(mod));
}

void ProbeControl::OnMouseDblClick(int x, int y, const IMouseMod& mod) {
    mEvents.push_back("dbl " + std::to_string(x) + " " + std::to_string(y) + Mods(mod));
}

void ProbeControl::OnMouseWheel(int x, int y, const IMouseMod& mod, float d) {
    mEvents.push_back("wheel " + std::to_string(x) + " " + std::to_string(y) + " " +
                      std::to_string(static_cast<int>(d)) + Mods(mod));
}

void ProbeControl::OnMouseOver(int x, int y, const IMouseMod& mod) {
    mEvents.push_back("over " + std::to_string(x) + " " + std::to_string(y) + Mods(mod));
}

bool ProbeControl::OnKeyDown(int, int, int key) {
    mEvents.push_back("key " + std::to_string(key));
    return mTakesKeys;
}

RecordingEditor::RecordingEditor(IFxBase* plug) : TestGraphics(plug) {
    for (int i = 0; i < plug->NParams(); ++i)
        AttachControl(new ProbeControl(plug, IRECT(i, 0, i + 1, 1), i));
}
