#include "document/paths.h"

#include <gtest/gtest.h>

using namespace tamberlin;

TEST(Paths, AddressesFromQuizFilesSplitAtEverySeparator) {
    EXPECT_EQ(AddressFileNamePart("C:\\pictures\\back.jpg"), "back.jpg");
    EXPECT_EQ(AddressFolderPart("C:\\pictures\\back.jpg"), "C:\\pictures\\");
    EXPECT_EQ(AddressFileNamePart("C:back.jpg"), "back.jpg");
    EXPECT_EQ(AddressFileNamePart("/pics/10:30.jpg"), "30.jpg");
    EXPECT_EQ(AddressFileNamePart("back.jpg"), "back.jpg");
    EXPECT_EQ(AddressFolderPart("back.jpg"), "");
}

TEST(Paths, PathsOfThisSystemSplitAtSlashOnly) {
    EXPECT_EQ(PathFileNamePart("/pics/10:30.jpg"), "10:30.jpg");
    EXPECT_EQ(PathFolderPart("/pics/10:30.jpg"), "/pics/");
    EXPECT_EQ(PathFileNamePart("/pics/a\\b.gif"), "a\\b.gif");
    EXPECT_EQ(PathFolderPart("/quiz.qvt"), "/");
    EXPECT_EQ(PathFolderPart("quiz.qvt"), "");

    EXPECT_EQ(ReplacePathExtension("/q/quiz.qvt", ".htm"), "/q/quiz.htm");
    EXPECT_EQ(ReplacePathExtension("/q.d/quiz", ".htm"), "/q.d/quiz.htm");
    EXPECT_EQ(ReplacePathExtension("/q/a.b:c", ".qdt"), "/q/a.qdt");

    EXPECT_EQ(JoinFolderAndName("/q/", "back.jpg"), "/q/back.jpg");
    EXPECT_EQ(JoinFolderAndName("/q", "back.jpg"), "/q/back.jpg");
    EXPECT_EQ(JoinFolderAndName("", "back.jpg"), "back.jpg");
}
