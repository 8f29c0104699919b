#pragma once

#include "UTL_String.h"

#include <memory>
#include <vector>

// The model of a popup menu the editor hands to its platform: items with their texts and
// flags, optional submenus, and the item the user chose.
class IPopupMenu {
public:
    enum EItemFlags {
        kNoFlags = 0,
        kDisabled = 1 << 0,
        kTitle = 1 << 1, // shown, never chosen
        kChecked = 1 << 2,
        kSeparator = 1 << 3
    };

    class Item {
    public:
        Item(const char* text, int flags, IPopupMenu* submenu)
            : mText(text), mFlags(flags), mSubmenu(submenu) {}

        const char* GetText() const { return mText.Get(); }
        int GetFlags() const { return mFlags; }
        bool GetEnabled() const { return !(mFlags & kDisabled); }
        bool GetChecked() const { return mFlags & kChecked; }
        bool GetIsTitle() const { return mFlags & kTitle; }
        bool GetIsSeparator() const { return mFlags & kSeparator; }
        // Null for an ordinary item.
        IPopupMenu* GetSubmenu() const { return mSubmenu.get(); }

        void SetEnabled(bool enabled) { SetFlag(kDisabled, !enabled); }
        void SetChecked(bool checked) { SetFlag(kChecked, checked); }

    private:
        void SetFlag(int flag, bool on) { mFlags = on ? mFlags | flag : mFlags & ~flag; }

        UTL_String mText;
        int mFlags;
        std::unique_ptr<IPopupMenu> mSubmenu;
    };

    // prefix numbers the items as the platform shows them: 0 none, 1 "1: ", 2 "01: ", 3 "001: ".
    // Without multiCheck, checking an item through CheckItem unchecks the others.
    explicit IPopupMenu(int prefix = 0, bool multiCheck = false)
        : mPrefix(prefix), mMultiCheck(multiCheck) {}
    IPopupMenu(const IPopupMenu&) = delete;
    IPopupMenu& operator=(const IPopupMenu&) = delete;

    // Appends an item (at index when 0 <= index < NItems()); the menu takes ownership of
    // submenu. Returns the item.
    Item* AddItem(const char* text, int index = -1, int flags = kNoFlags);
    Item* AddItem(const char* text, IPopupMenu* submenu, int index = -1);
    Item* AddSeparator(int index = -1);

    int NItems() const { return static_cast<int>(mItems.size()); }
    // Null for an index outside the menu.
    Item* GetItem(int index) const;
    // "" for an index outside the menu.
    const char* GetItemText(int index) const;
    // The text as the platform shows it, with the numbering prefix.
    void GetItemLabel(int index, UTL_String* label) const;

    bool CheckItem(int index, bool checked);
    bool EnableItem(int index, bool enabled);
    bool IsItemChecked(int index) const;

    // -1 until the platform records a choice; an index outside the menu is refused.
    void SetChosenItemIdx(int index);
    int GetChosenItemIdx() const { return mChosenItemIdx; }
    const char* GetChosenItemText() const { return GetItemText(mChosenItemIdx); }

    int GetPrefix() const { return mPrefix; }
    bool GetMultiCheck() const { return mMultiCheck; }

private:
    Item* Insert(int index, std::unique_ptr<Item> item);

    std::vector<std::unique_ptr<Item>> mItems;
    int mPrefix;
    bool mMultiCheck;
    int mChosenItemIdx = -1;
};
