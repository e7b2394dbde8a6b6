// The favourites store against real files, with APPDATA pointed at a
// private folder.
#include <gtest/gtest.h>

#include "app/favourites.h"
#include "tests/dialogs/dialog_test_support.h"

namespace {

TEST(FavouritesStore, FirstStartCreatesTheFolderAndAnEmptyFile) {
  const std::wstring appData = UseFreshAppData(L"first");
  Favourites.clear();
  LoadFavourites();
  EXPECT_TRUE(FolderExists(appData + L"\\Quorvel"));
  EXPECT_EQ(FavouritesPath(), appData + L"\\Quorvel\\favs.dat");
  EXPECT_TRUE(FileExists(FavouritesPath()));
  EXPECT_EQ(ReadFileBytes(FavouritesPath()), "");
  EXPECT_TRUE(Favourites.empty());
}

TEST(FavouritesStore, AnExistingFolderWithoutAFileGetsNoFileUntilTheFirstAdd) {
  const std::wstring appData = UseFreshAppData(L"folder-only");
  CreateDirectoryW((appData + L"\\Quorvel").c_str(), nullptr);
  Favourites.clear();
  LoadFavourites();
  EXPECT_FALSE(FileExists(FavouritesPath()));
  EXPECT_TRUE(AddFavourite("  Home  ", "127.0.0.1", "2302", "pw"));
  EXPECT_EQ(ReadFileBytes(FavouritesPath()), "Home\r\n127.0.0.1\r\n2302\r\npw\r\n");
}

TEST(FavouritesStore, LoadsAHandEditedFileAndEveryChangeRewritesIt) {
  UseFreshAppData(L"changes");
  LoadFavourites();  // makes the folder
  ASSERT_TRUE(WriteFileBytes(FavouritesPath(),
                             "\xEF\xBB\xBF" "A\nha\nletters\npa\nS\nh1\n1\np1\nS\nh2\n2\np2"));
  Favourites.clear();
  LoadFavourites();
  ASSERT_EQ(Favourites.size(), 3u);
  EXPECT_EQ(Favourites[0].description, "A");
  EXPECT_EQ(Favourites[0].port, 0);
  ASSERT_NE(FindFavourite("S"), nullptr);
  EXPECT_EQ(FindFavourite("S")->host, "h1");

  SaveFavourite(" S ", "new", "9", "np");
  EXPECT_EQ(ReadFileBytes(FavouritesPath()),
            "A\r\nha\r\n0\r\npa\r\nS\r\nnew\r\n9\r\nnp\r\nS\r\nnew\r\n9\r\nnp\r\n");
  DeleteFavourite("S");
  EXPECT_EQ(ReadFileBytes(FavouritesPath()), "A\r\nha\r\n0\r\npa\r\nS\r\nnew\r\n9\r\nnp\r\n");
  EXPECT_TRUE(AddFavourite("B", "hb", "$10", "pb"));
  EXPECT_EQ(Favourites.back().port, 16);
  EXPECT_EQ(ReadFileBytes(FavouritesPath()),
            "A\r\nha\r\n0\r\npa\r\nS\r\nnew\r\n9\r\nnp\r\nB\r\nhb\r\n16\r\npb\r\n");
  EXPECT_FALSE(FileExists(FavouritesPath() + L".new"));
}

TEST(FavouritesStore, AFailedWriteKeepsTheOldFileWhole) {
  UseFreshAppData(L"failing");
  LoadFavourites();
  Favourites.clear();
  ASSERT_TRUE(AddFavourite("Keep", "h", "1", "p"));
  const std::string before = ReadFileBytes(FavouritesPath());

  // A folder where the new file would go makes every write fail.
  const std::wstring blocker = FavouritesPath() + L".new";
  ASSERT_TRUE(CreateDirectoryW(blocker.c_str(), nullptr));

  EXPECT_FALSE(AddFavourite("Lost", "h", "2", "p"));
  EXPECT_EQ(Favourites.size(), 1u) << "an add that could not be written changes nothing";
  EXPECT_EQ(ReadFileBytes(FavouritesPath()), before);

  // Save and delete keep their change in memory for the session.
  SaveFavourite("Keep", "other", "3", "q");
  EXPECT_EQ(Favourites[0].host, "other");
  EXPECT_EQ(ReadFileBytes(FavouritesPath()), before);
  DeleteFavourite("Keep");
  EXPECT_TRUE(Favourites.empty());
  EXPECT_EQ(ReadFileBytes(FavouritesPath()), before);
  EXPECT_FALSE(WriteAllFavourites());

  RemoveDirectoryW(blocker.c_str());
  EXPECT_TRUE(WriteAllFavourites());
  EXPECT_EQ(ReadFileBytes(FavouritesPath()), "");
}

TEST(FavouritesStore, AFileThatCouldNotBeReadIsNeverWrittenOver) {
  UseFreshAppData(L"locked");
  LoadFavourites();
  const std::string saved = "Mine\r\nh\r\n1\r\np\r\n";
  ASSERT_TRUE(WriteFileBytes(FavouritesPath(), saved));

  // Another program holds the file without sharing it while we start.
  HANDLE lock = CreateFileW(FavouritesPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  Favourites.clear();
  LoadFavourites();
  CloseHandle(lock);

  EXPECT_TRUE(Favourites.empty());
  EXPECT_FALSE(AddFavourite("New", "h", "2", "p"));
  EXPECT_TRUE(Favourites.empty());
  EXPECT_EQ(ReadFileBytes(FavouritesPath()), saved);

  // The next start reads it again and may write it.
  LoadFavourites();
  ASSERT_EQ(Favourites.size(), 1u);
  EXPECT_TRUE(AddFavourite("New", "h", "2", "p"));
  EXPECT_EQ(ReadFileBytes(FavouritesPath()), saved + "New\r\nh\r\n2\r\np\r\n");
}

}  // namespace
