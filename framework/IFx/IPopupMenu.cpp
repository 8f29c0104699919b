#include "IPopupMenu.h"

IPopupMenu::Item* IPopupMenu::Insert(int index, std::unique_ptr<Item> item) {
    Item* added = item.get();
    if (index >= 0 && index < NItems())
        mItems.insert(mItems.begin() + index, std::move(item));
    else
        mItems.push_back(std::move(item));
    return added;
}

IPopupMenu::Item* IPopupMenu::AddItem(const char* text, int index, int flags) {
    return Insert(index, std::make_unique<Item>(text, flags, nullptr));
}

IPopupMenu::Item* IPopupMenu::AddItem(const char* text, IPopupMenu* submenu, int index) {
    return Insert(index, std::make_unique<Item>(text, kNoFlags, submenu));
}

IPopupMenu::Item* IPopupMenu::AddSeparator(int index) {
    return Insert(index, std::make_unique<Item>("", kSeparator, nullptr));
}

IPopupMenu::Item* IPopupMenu::GetItem(int index) const {
    return index >= 0 && index < NItems() ? mItems[static_cast<size_t>(index)].get() : nullptr;
}

const char* IPopupMenu::GetItemText(int index) const {
    const Item* item = GetItem(index);
    return item ? item->GetText() : "";
}

void IPopupMenu::GetItemLabel(int index, UTL_String* label) const {
    label->Clear();
    const Item* item = GetItem(index);
    if (!item) return;
    if (mPrefix >= 1 && mPrefix <= 3 && !item->GetIsSeparator())
        label->SetFormatted("%0*d: ", mPrefix, index + 1);
    label->Append(item->GetText());
}

bool IPopupMenu::CheckItem(int index, bool checked) {
    Item* item = GetItem(index);
    if (!item) return false;
    if (checked && !mMultiCheck)
        for (auto& other : mItems)
            other->SetChecked(false);
    item->SetChecked(checked);
    return true;
}

bool IPopupMenu::EnableItem(int index, bool enabled) {
    Item* item = GetItem(index);
    if (!item) return false;
    item->SetEnabled(enabled);
    return true;
}

bool IPopupMenu::IsItemChecked(int index) const {
    const Item* item = GetItem(index);
    return item && item->GetChecked();
}

void IPopupMenu::SetChosenItemIdx(int index) {
    if (index >= -1 && index < NItems()) mChosenItemIdx = index;
}
