#include "UTL_HeapBuf.h"
#include "UTL_PtrList.h"
#include "UTL_String.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

TEST(UTL_String, SetAppendAndBoundedCopies) {
    UTL_String s;
    EXPECT_STREQ(s.Get(), "");
    s.Set(nullptr);
    EXPECT_STREQ(s.Get(), "");
    s.Set("abcdef", 3);
    EXPECT_STREQ(s.Get(), "abc");
    s.Append("xyz", 10); // a bound past the terminator stops at the terminator
    EXPECT_STREQ(s.Get(), "abcxyz");
    EXPECT_EQ(s.GetLength(), 6);
    s.Set(s.Get() + 2); // copying from itself
    EXPECT_STREQ(s.Get(), "cxyz");
    s.SetFormatted("%s %d", "user preset", 3);
    EXPECT_TRUE(s == "user preset 3");
    s.AppendFormatted("/%05.1f", 2.25);
    EXPECT_STREQ(s.Get(), "user preset 3/002.2");
}

TEST(UTL_CopyText, CutsToTheFieldAndAlwaysTerminates) {
    char field[8];
    std::memset(field, 'x', sizeof field);
    UTL_CopyText(field, sizeof field, "abcdefghijkl");
    EXPECT_STREQ(field, "abcdefg");
    UTL_CopyText(field, sizeof field, "ab");
    EXPECT_STREQ(field, "ab");
    UTL_CopyText(field, sizeof field, nullptr);
    EXPECT_STREQ(field, "");
    UTL_CopyText(field, 1, "abc");
    EXPECT_STREQ(field, "");
    std::strcpy(field, "abcdef");
    UTL_CopyText(field, sizeof field, field + 2); // overlapping copy
    EXPECT_STREQ(field, "cdef");
}

TEST(UTL_HeapBuf, ResizeKeepsContentsAndZeroFillsGrowth) {
    UTL_HeapBuf buf(16);
    EXPECT_EQ(buf.Get(), nullptr);
    auto* bytes = static_cast<unsigned char*>(buf.Resize(3));
    ASSERT_NE(bytes, nullptr);
    bytes[0] = 7;
    bytes[2] = 9;
    bytes = static_cast<unsigned char*>(buf.Resize(40));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[0], 7);
    EXPECT_EQ(bytes[2], 9);
    for (int i = 3; i < 40; ++i)
        EXPECT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(buf.Resize(-1), nullptr);
    EXPECT_EQ(buf.GetSize(), 40);
}

TEST(UTL_TypedBuf, AddAndRefusedSizes) {
    UTL_TypedBuf<double> buf;
    for (int i = 0; i < 1000; ++i)
        ASSERT_NE(buf.Add(i * 0.5), nullptr);
    EXPECT_EQ(buf.GetSize(), 1000);
    EXPECT_DOUBLE_EQ(buf.Get()[999], 499.5);
    // A count whose byte size does not fit an int is refused, not wrapped around.
    EXPECT_EQ(buf.Resize(INT_MAX / 4), nullptr);
    EXPECT_EQ(buf.Resize(-5), nullptr);
    EXPECT_EQ(buf.GetSize(), 1000);
}

namespace {
struct Counted {
    explicit Counted(int* deletions) : mDeletions(deletions) {}
    ~Counted() { ++*mDeletions; }
    int* mDeletions;
};
} // namespace

TEST(UTL_PtrList, InsertFindDeleteAndOwningEmpty) {
    int deletions = 0;
    UTL_PtrList<Counted> list;
    Counted* a = list.Add(new Counted(&deletions));
    Counted* b = list.Add(new Counted(&deletions));
    Counted* front = list.Insert(0, new Counted(&deletions));
    Counted* back = list.Insert(99, new Counted(&deletions));
    ASSERT_EQ(list.GetSize(), 4);
    EXPECT_EQ(list.Get(0), front);
    EXPECT_EQ(list.Get(1), a);
    EXPECT_EQ(list.Get(2), b);
    EXPECT_EQ(list.Get(3), back);
    EXPECT_EQ(list.Get(-1), nullptr);
    EXPECT_EQ(list.Get(4), nullptr);
    EXPECT_EQ(list.Find(b), 2);

    list.Delete(1); // not owning: the element survives
    EXPECT_EQ(deletions, 0);
    EXPECT_EQ(list.Find(a), -1);
    list.Delete(0, true);
    EXPECT_EQ(deletions, 1);
    list.Delete(7, true); // out of range: nothing
    EXPECT_EQ(list.GetSize(), 2);

    list.Empty(true);
    EXPECT_EQ(deletions, 3);
    EXPECT_EQ(list.GetSize(), 0);
    delete a;
}
