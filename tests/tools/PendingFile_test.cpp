// Writing under a temporary name and renaming: the target changes all at once or not at all.

#include "CommandError.h"
#include "PendingFile.h"
#include "ToolTestSupport.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

TEST(PendingFile, CommitReplacesTheTargetWhole) {
    TempFolder folder;
    const std::string target = folder / "state.aupreset";
    WriteTextFile(target, "old");
    PendingFile file(target);
    file.Write("new ", 4);
    EXPECT_EQ(ReadTextFile(target), "old");
    EXPECT_EQ(folder.Entries().size(), 2u); // the target and the temporary file beside it
    file.Write("text", 4);
    file.Commit();
    EXPECT_EQ(ReadTextFile(target), "new text");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"state.aupreset"});
}

TEST(PendingFile, RelativeTargetsAreWrittenInTheCurrentFolder) {
    TempFolder folder;
    const std::string previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    {
        PendingFile file("here.txt");
        file.Write("x", 1);
        file.Commit();
    }
    std::filesystem::current_path(previous);
    EXPECT_EQ(ReadTextFile(folder / "here.txt"), "x");
}

TEST(PendingFile, AnInterruptRemovesTheTemporaryFile) {
    TempFolder folder;
    const std::string target = folder / "out.wav";
    EXPECT_EXIT(
        {
            PendingFile file(target);
            file.Write("half", 4);
            std::raise(SIGTERM);
        },
        testing::KilledBySignal(SIGTERM), "");
    EXPECT_TRUE(folder.Entries().empty());
}

} // namespace
