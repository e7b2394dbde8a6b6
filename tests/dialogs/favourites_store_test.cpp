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
  EXPECT_TRUE(Favourites.empty());
  EXPECT_FALSE(AddFavourite("New", "h", "2", "p"));
  EXPECT_TRUE(Favourites.empty());
  DeleteFavourite("Mine");
  CloseHandle(lock);
  EXPECT_EQ(ReadFileBytes(FavouritesPath()), saved);

  // Once it can be read, a change starts from what it holds.
  EXPECT_TRUE(AddFavourite("New", "h", "2", "p"));
  EXPECT_EQ(ReadFileBytes(FavouritesPath()), saved + "New\r\nh\r\n2\r\np\r\n");
  ASSERT_EQ(Favourites.size(), 2u);
  EXPECT_EQ(Favourites[0].description, "Mine");
}

// Two instances of the program share the file: each change reads it again,
// so neither loses what the other added or deleted since it started.
TEST(FavouritesStore, EveryChangeStartsFromTheFileAsAnotherInstanceLeftIt) {
  UseFreshAppData(L"two-instances");
  LoadFavourites();
  Favourites.clear();
  ASSERT_TRUE(AddFavourite("A", "ha", "1", "pa"));
  const std::string a = "A\r\nha\r\n1\r\npa\r\n";
  const std::string b = "B\r\nhb\r\n2\r\npb\r\n";
  const std::string c = "C\r\nhc\r\n3\r\npc\r\n";

  // The other instance adds B.
  ASSERT_TRUE(WriteFileBytes(FavouritesPath(), a + b));
  EXPECT_TRUE(AddFavourite("C", "hc", "3", "pc"));
  EXPECT_EQ(ReadFileBytes(FavouritesPath()), a + b + c);
  ASSERT_EQ(Favourites.size(), 3u) << "the list shows what the file holds";
  EXPECT_EQ(Favourites[1].description, "B");

  // The other instance deletes A and adds D; we delete C.
  const std::string d = "D\r\nhd\r\n4\r\npd\r\n";
  ASSERT_TRUE(WriteFileBytes(FavouritesPath(), b + c + d));
  DeleteFavourite("C");
  EXPECT_EQ(ReadFileBytes(FavouritesPath()), b + d);

  // The other instance adds E; we change B.
  const std::string e = "E\r\nhe\r\n5\r\npe\r\n";
  ASSERT_TRUE(WriteFileBytes(FavouritesPath(), b + d + e));
  SaveFavourite("B", "hb2", "22", "pb2");
  EXPECT_EQ(ReadFileBytes(FavouritesPath()), "B\r\nhb2\r\n22\r\npb2\r\n" + d + e);
  EXPECT_EQ(Favourites.size(), 3u);

  // The other instance deleted D already, in its own way of writing: our
  // delete finds nothing and leaves the file alone.
  const std::string theirs = "B\nhb2\n22\npb2\nE\nhe\n5\npe\n";
  ASSERT_TRUE(WriteFileBytes(FavouritesPath(), theirs));
  DeleteFavourite("D");
  EXPECT_EQ(ReadFileBytes(FavouritesPath()), theirs);
  EXPECT_EQ(Favourites.size(), 2u);
}

TEST(FavouritesStore, AFileDeletedWhileRunningIsWrittenFromTheList) {
  UseFreshAppData(L"deleted");
  LoadFavourites();
  Favourites.clear();
  ASSERT_TRUE(AddFavourite("A", "ha", "1", "pa"));
  ASSERT_TRUE(DeleteFileW(FavouritesPath().c_str()));
  EXPECT_TRUE(AddFavourite("B", "hb", "2", "pb"));
  EXPECT_EQ(ReadFileBytes(FavouritesPath()), "A\r\nha\r\n1\r\npa\r\nB\r\nhb\r\n2\r\npb\r\n");
}

// A file saved by hand in the ANSI code page (Windows-1252 here).
TEST(FavouritesStore, ALineInTheAnsiCodePageIsReadAsTextAndWrittenBackAsUtf8) {
  if (GetACP() != 1252) GTEST_SKIP() << "the ANSI code page is " << GetACP();
  UseFreshAppData(L"ansi");
  LoadFavourites();
  ASSERT_TRUE(WriteFileBytes(FavouritesPath(),
                             "M\xFCller server\r\nhost\r\n2302\r\npa\xDF\r\n"
                             "Gr\xC3\xBC\xC3\x9F\r\nh\r\n1\r\np\r\n"));
  Favourites.clear();
  LoadFavourites();
  ASSERT_EQ(Favourites.size(), 2u);
  EXPECT_EQ(Favourites[0].description, "M\xC3\xBCller server");
  EXPECT_EQ(Favourites[0].password, "pa\xC3\x9F");
  EXPECT_EQ(Favourites[1].description, "Gr\xC3\xBC\xC3\x9F") << "UTF-8 lines stay as they are";
  ASSERT_NE(FindFavourite("M\xC3\xBCller server"), nullptr);

  DeleteFavourite("M\xC3\xBCller server");
  EXPECT_EQ(ReadFileBytes(FavouritesPath()), "Gr\xC3\xBC\xC3\x9F\r\nh\r\n1\r\np\r\n");

  ASSERT_TRUE(WriteFileBytes(FavouritesPath(), "M\xFCller server\r\nhost\r\n2302\r\npa\xDF\r\n"));
  SaveFavourite("M\xC3\xBCller server", "other", "1", "pa\xC3\x9F");
  EXPECT_EQ(ReadFileBytes(FavouritesPath()), "M\xC3\xBCller server\r\nother\r\n1\r\npa\xC3\x9F\r\n");
}

}  // namespace
