#pragma once

#include "IControl.h"
#include "IGraphics.h"
#include "IPopupMenu.h"
#include "TestPlug.h"

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

// An image whose pixel (x, y) holds x in red, y in green and 255 - y in blue (each modulo 256)
// and full alpha, so a drawn pixel tells where in the image it came from.
PIX_MemBitmap* MakeCoordinateImage(int width, int height);
// The source position a pixel of a coordinate image encodes, as (x, y) for y below 256.
inline std::pair<int, int> SourceOf(PIX_pixel pixel) {
    return {PIX_GETR(pixel), PIX_GETG(pixel)};
}
// A resource id no other test uses, so the process-wide bitmap cache never mixes tests up.
int UniqueImageId();

// The editor on a platform of the test suite's own: it records what it is asked to show and
// answers the user's part (menu choices, typed text, chosen files) from a script.
class TestGraphics : public IGraphics {
public:
    struct ShownMenu {
        std::vector<std::string> items;
        std::vector<int> flags;
        IRECT rect;
    };
    struct TextEntry {
        IControl* control;
        IText style;
        IRECT rect;
        std::string text;
        IParam* param;
    };
    struct MessageBox {
        std::string text, caption;
        int type;
    };

    explicit TestGraphics(IFxBase* plug, int width = 100, int height = 100, int fps = 0,
                          int* deletions = nullptr)
        : IGraphics(plug, width, height, fps), mDeletions(deletions) {}
    ~TestGraphics() override;

    // OSLoadBitmap hands out a copy of this image for id; ids never added are missing.
    void AddImage(int id, PIX_IBitmap* image);

    PIX_SysBitmap* Surface() { return mDrawSurface.get(); }
    PIX_MemBitmap* Scratch() { return mScratchBitmap.get(); }
    const IRECT& DrawClip() const { return mDrawClip; }
    // Drawing outside a draw pass clips to this.
    void SetDrawClip(const IRECT& rect) { mDrawClip = rect; }
    bool CursorHidden() const { return mCursorHidden; }

    bool DrawScreen(const IRECT& rect) override;
    void ForceEndUserEdit() override { ++mForcedEndEdits; }
    int ShowMessageBox(const char* text, const char* caption, int type) override;
    IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, const IRECT& rect) override;
    void CreateTextEntry(IControl* control, const IText* text, const IRECT& rect, const char* str,
                         IParam* param) override;
    void HostPath(UTL_String* path) override { path->Set("/test/host"); }
    void PluginPath(UTL_String* path) override { path->Set("/test/plugin/"); }
    void DesktopPath(UTL_String* path) override { path->Set("/test/desktop"); }
    void AppSupportPath(UTL_String* path, bool isSystem) override {
        path->Set(isSystem ? "/test/system-support" : "/test/user-support");
    }
    void SandboxSafeAppSupportPath(UTL_String* path) override { path->Set("/test/Music"); }
    void PromptForFile(UTL_String* fileName, EFileAction action, UTL_String* dir,
                       const char* extensions) override;
    bool PromptForColor(IColor*, const char*) override { return false; }
    bool OpenURL(const char* url, const char* msgWindowTitle, const char* confirmMsg,
                 const char* errMsg) override;
    using IGraphics::OpenWindow;
    void* OpenWindow(void* parent) override;
    void CloseWindow() override { mWindow = nullptr; }
    void* GetWindow() override { return mWindow; }
    bool GetTextFromClipboard(UTL_String* text) override;
    void HideMouseCursor() override;
    void ShowMouseCursor() override;
    void UpdateTooltips() override { ++mTooltipUpdates; }
    PIX_IBitmap* OSLoadBitmap(int id, const char* name) override;

    // What the editor asked to show.
    std::vector<IRECT> mScreenRects;
    std::vector<ShownMenu> mMenus;
    std::vector<TextEntry> mTextEntries;
    std::vector<MessageBox> mMessageBoxes;
    std::vector<std::string> mURLs;
    std::vector<std::string> mFilePrompts; // the folder each prompt started in
    std::vector<std::pair<int, std::string>> mImageLoads;
    int mCursorHides = 0, mCursorShows = 0, mForcedEndEdits = 0, mTooltipUpdates = 0;

    // The user's answers, each used once in order.
    std::deque<int> mMenuChoices;         // item of the top menu; -1 (or none left) dismisses
    std::deque<std::string> mTypedTexts;  // each ends the next text entry at once
    std::deque<std::string> mChosenFiles; // "" cancels
    std::deque<bool> mURLResults;         // none left: the address opens
    int mMessageBoxAnswer = 1;
    std::string mClipboard;

private:
    int* mDeletions;
    void* mWindow = nullptr;
    std::map<int, std::unique_ptr<PIX_IBitmap>> mImages;
};

// A control that records what reaches it, with the plug-in's lock depth for values it is given.
class ProbeControl : public IControl {
public:
    ProbeControl(IFxBase* plug, const IRECT& rect, int paramIdx = -1,
                 std::vector<std::string>* drawLog = nullptr, std::string name = "")
        : IControl(plug, rect, paramIdx), mDrawLog(drawLog), mName(std::move(name)) {}

    bool Draw(IGraphics* graphics) override;
    void SetValueFromPlug(double value) override;
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    void OnMouseUp(int x, int y, const IMouseMod& mod) override;
    void OnMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod) override;
    void OnMouseDblClick(int x, int y, const IMouseMod& mod) override;
    void OnMouseWheel(int x, int y, const IMouseMod& mod, float d) override;
    void OnMouseOver(int x, int y, const IMouseMod& mod) override;
    void OnMouseOut() override { mEvents.push_back("out"); }
    bool OnKeyDown(int x, int y, int key) override;

    // Events as text: "down 5 6", "drag 5 3 0 -3", "key 65", ...
    std::vector<std::string> mEvents;
    std::vector<double> mPlugValues;
    std::vector<int> mLockDepths;
    std::vector<IRECT> mDrawClips; // the editor's clip at each Draw
    int mDraws = 0;
    bool mTakesKeys = true;

private:
    std::vector<std::string>* mDrawLog;
    std::string mName;
};

// The editor a plug-in under test attaches: one probe per parameter, bound to it at the
// parameter's index, and a record of the host's legacy window calls.
class RecordingEditor : public TestGraphics {
public:
    struct OpenCall {
        void* mWindow;
        void* mParentControl;
        int mWidth;
        int mHeight;
    };

    explicit RecordingEditor(IFxBase* plug);
    ProbeControl* Probe(int paramIdx) { return static_cast<ProbeControl*>(GetControl(paramIdx)); }

    using TestGraphics::OpenWindow;
    void* OpenWindow(void* window, void* parentControl, int width, int height) override {
        mOpened.push_back({window, parentControl, width, height});
        return mView;
    }
    void CloseWindow() override {
        ++mCloses;
        TestGraphics::CloseWindow();
    }

    std::vector<OpenCall> mOpened;
    int mCloses = 0;
    void* mView = nullptr; // what the legacy OpenWindow answers
};
