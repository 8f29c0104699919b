#include "IPopupMenu.h"

#include <gtest/gtest.h>

TEST(IPopupMenu, ItemsKeepTheirTextsFlagsAndOrder) {
    IPopupMenu menu;
    menu.AddItem("b");
    menu.AddItem("a", 0); // inserted at the front
    menu.AddItem("c", -1, IPopupMenu::kDisabled | IPopupMenu::kChecked);
    menu.AddSeparator();
    ASSERT_EQ(menu.NItems(), 4);
    EXPECT_STREQ(menu.GetItemText(0), "a");
    EXPECT_STREQ(menu.GetItemText(1), "b");
    EXPECT_FALSE(menu.GetItem(2)->GetEnabled());
    EXPECT_TRUE(menu.GetItem(2)->GetChecked());
    EXPECT_EQ(menu.GetItem(2)->GetFlags(), 5); // checked is flag 4
    EXPECT_TRUE(menu.GetItem(3)->GetIsSeparator());
    EXPECT_EQ(menu.GetItem(4), nullptr);
    EXPECT_STREQ(menu.GetItemText(-1), "");

    EXPECT_TRUE(menu.EnableItem(2, true));
    EXPECT_TRUE(menu.GetItem(2)->GetEnabled());
    EXPECT_FALSE(menu.EnableItem(9, true));
}

TEST(IPopupMenu, SingleCheckUnchecksTheOthers) {
    IPopupMenu single;
    IPopupMenu multi(0, true);
    for (IPopupMenu* menu : {&single, &multi}) {
        menu->AddItem("x");
        menu->AddItem("y");
        menu->CheckItem(0, true);
        menu->CheckItem(1, true);
    }
    EXPECT_FALSE(single.IsItemChecked(0));
    EXPECT_TRUE(single.IsItemChecked(1));
    EXPECT_TRUE(multi.IsItemChecked(0));
    EXPECT_TRUE(multi.IsItemChecked(1));
    EXPECT_FALSE(single.CheckItem(2, true));
}

TEST(IPopupMenu, ChosenIndexStaysInsideTheMenu) {
    IPopupMenu menu;
    menu.AddItem("x");
    menu.AddItem("y");
    EXPECT_EQ(menu.GetChosenItemIdx(), -1);
    menu.SetChosenItemIdx(1);
    EXPECT_EQ(menu.GetChosenItemIdx(), 1);
    EXPECT_STREQ(menu.GetChosenItemText(), "y");
    menu.SetChosenItemIdx(2);
    EXPECT_EQ(menu.GetChosenItemIdx(), 1);
    menu.SetChosenItemIdx(-1);
    EXPECT_EQ(menu.GetChosenItemIdx(), -1);
}

TEST(IPopupMenu, SubmenusAreOwnedAndLabelsNumbered) {
    IPopupMenu menu(2);
    auto* sub = new IPopupMenu;
    sub->AddItem("inner");
    menu.AddItem("plain");
    menu.AddItem("more", sub);
    EXPECT_EQ(menu.GetItem(0)->GetSubmenu(), nullptr);
    EXPECT_EQ(menu.GetItem(1)->GetSubmenu(), sub);
    UTL_String label;
    menu.GetItemLabel(1, &label);
    EXPECT_STREQ(label.Get(), "02: more");
    IPopupMenu(0).GetItemLabel(0, &label);
    EXPECT_STREQ(label.Get(), "");
}
