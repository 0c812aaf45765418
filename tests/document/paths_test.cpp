#include "document/paths.h"

#include <gtest/gtest.h>

using namespace tamberlin;

TEST(Paths, AddressesFromQuizFilesSplitAtEverySeparator) {
    EXPECT_EQ(AddressFolderPart("C:\\pictures\\back.jpg"), "C:\\pictures\\");
    EXPECT_EQ(AddressFileNamePart("/pics/10:30.jpg"), "30.jpg");
    EXPECT_EQ(AddressFolderPart("back.jpg"), "");
}

TEST(Paths, AddressesFromOtherSystemsKeepTheirFileNamePart) {
    EXPECT_EQ(AddressFileNamePart("C:\\pictures\\back.jpg"), "back.jpg");
    EXPECT_EQ(AddressFileNamePart("C:back.jpg"), "back.jpg");
    EXPECT_EQ(AddressFileNamePart("back.jpg"), "back.jpg");
}

TEST(Paths, HtmlFolderFromTheQuizFileName) {
    EXPECT_EQ(PathFolderPart("/quizzes/test.qvt"), "/quizzes/");
    // A quiz at the root: the copy goes to the root with no second separator.
    EXPECT_EQ(PathFolderPart("/test.qvt"), "/");
    EXPECT_EQ(JoinFolderAndName("/", "pic.jpg"), "/pic.jpg");
    EXPECT_EQ(JoinFolderAndName("/q", "pic.jpg"), "/q/pic.jpg");
    EXPECT_EQ(JoinFolderAndName("", "pic.jpg"), "pic.jpg");
    EXPECT_EQ(PathFolderPart("test.qvt"), "");
}

TEST(Paths, PathsOfThisSystemSplitAtSlashOnly) {
    EXPECT_EQ(PathFileNamePart("/pics/10:30.jpg"), "10:30.jpg");
    EXPECT_EQ(PathFolderPart("/pics/10:30.jpg"), "/pics/");
    EXPECT_EQ(PathFileNamePart("/pics/a\\b.gif"), "a\\b.gif");

    EXPECT_EQ(JoinFolderAndName("/q/", "back.jpg"), "/q/back.jpg");
}
