#pragma once

#include <atomic>

// A value that one thread writes and another reads where only whole values matter, not their
// order with other memory: each access is a relaxed atomic load or store. Compound assignment
// is a load and a store, so two writers at once may lose one update; callers that allow that
// (a control value the next change or timer tick repairs) use it.
template <class T> class UTL_Relaxed {
public:
    UTL_Relaxed(T value = T()) : mValue(value) {}
    UTL_Relaxed(const UTL_Relaxed& other) : mValue(other.Load()) {}
    UTL_Relaxed& operator=(const UTL_Relaxed& other) {
        Store(other.Load());
        return *this;
    }
    UTL_Relaxed& operator=(T value) {
        Store(value);
        return *this;
    }
    operator T() const { return Load(); }

    T Load() const { return mValue.load(std::memory_order_relaxed); }
    void Store(T value) { mValue.store(value, std::memory_order_relaxed); }

    UTL_Relaxed& operator+=(T delta) {
        Store(Load() + delta);
        return *this;
    }
    UTL_Relaxed& operator-=(T delta) {
        Store(Load() - delta);
        return *this;
    }

private:
    std::atomic<T> mValue;
};
