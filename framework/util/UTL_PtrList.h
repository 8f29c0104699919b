#pragma once

#include <algorithm>
#include <vector>

// Ordered list of pointers. The list never deletes its elements on its own; an owner that
// holds its elements here deletes them with Empty(true) or Delete(index, true).
template <class T> class UTL_PtrList {
public:
    UTL_PtrList() = default;
    UTL_PtrList(const UTL_PtrList&) = delete;
    UTL_PtrList& operator=(const UTL_PtrList&) = delete;

    int GetSize() const { return static_cast<int>(mItems.size()); }
    // Null for an index outside the list.
    T* Get(int index) const {
        return index >= 0 && index < GetSize() ? mItems[static_cast<size_t>(index)] : nullptr;
    }
    T* const* GetList() const { return mItems.data(); }

    T* Add(T* item) {
        mItems.push_back(item);
        return item;
    }
    // An index past the end appends; a negative index inserts at the front.
    T* Insert(int index, T* item) {
        index = std::clamp(index, 0, GetSize());
        mItems.insert(mItems.begin() + index, item);
        return item;
    }
    int Find(const T* item) const {
        const auto it = std::find(mItems.begin(), mItems.end(), item);
        return it == mItems.end() ? -1 : static_cast<int>(it - mItems.begin());
    }
    void Delete(int index, bool deleteElement = false) {
        if (index < 0 || index >= GetSize()) return;
        T* item = mItems[static_cast<size_t>(index)];
        mItems.erase(mItems.begin() + index);
        if (deleteElement) delete item;
    }
    void Empty(bool deleteElements = false) {
        if (deleteElements)
            for (T* item : mItems)
                delete item;
        mItems.clear();
    }

private:
    std::vector<T*> mItems;
};
