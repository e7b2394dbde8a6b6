// The settings store against real files, with APPDATA pointed at a private
// folder: one change at a time over what the file holds now, and a file that
// could not be read never written over.
#include <gtest/gtest.h>

#include "app/files/settings.h"
#include "app/favourites.h"
#include "tests/dialogs/dialog_test_support.h"

namespace {

TEST(SettingsStore, AChangeIsWrittenBesideTheFavouritesOverWhatAnotherInstanceWrote) {
  UseFreshAppData(L"settings-two");
  LoadSettings();
  EXPECT_EQ(SettingsPath(), FavouritesFolder() + L"settings.ini");
  EXPECT_EQ(TypedQueryPort("h", 2302), 0);
  ASSERT_TRUE(SetTypedQueryPort("h", 2302, 2303));
  EXPECT_EQ(TypedQueryPort("h", 2302), 2303);
  EXPECT_FALSE(SetTypedQueryPort("h", 2302, 2303)) << "nothing changed, nothing written";
  EXPECT_FALSE(FileExists(SettingsPath() + L".new"));

  // Another instance adds a server and a general setting; our change keeps both.
  std::string theirs = ReadFileBytes(SettingsPath()) + "[other:1]\r\nquery_port=7\r\n[general]\r\nauto_refresh=30\r\n";
  ASSERT_TRUE(WriteFileBytes(SettingsPath(), theirs));
  ASSERT_TRUE(SetFoundQueryPort("h", 2302, 27016));
  const std::string now = ReadFileBytes(SettingsPath());
  EXPECT_NE(now.find("[other:1]\r\nquery_port=7\r\n"), std::string::npos);
  EXPECT_NE(now.find("query_port=2303\r\nfound_query_port=27016\r\n"), std::string::npos);
  EXPECT_EQ(TypedQueryPort("OTHER", 1), 7);
  EXPECT_EQ(GeneralSetting("auto_refresh"), "30");

  // Back to automatic: the typed port goes, the found one stays.
  ASSERT_TRUE(SetTypedQueryPort("h", 2302, 0));
  EXPECT_EQ(TypedQueryPort("h", 2302), 0);
  EXPECT_EQ(FoundQueryPort("h", 2302), 27016);

  // A restart reads it all again.
  LoadSettings();
  EXPECT_EQ(FoundQueryPort("h", 2302), 27016);
  EXPECT_EQ(TakeSettingsProblem(), "");
}

TEST(SettingsStore, AFileThatCouldNotBeReadIsReportedAndNeverWrittenOver) {
  UseFreshAppData(L"settings-locked");
  LoadFavourites();  // makes the folder
  const std::string saved = "[h:2302]\r\nquery_port=2303\r\n";
  ASSERT_TRUE(WriteFileBytes(SettingsPath(), saved));

  HANDLE lock = CreateFileW(SettingsPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  LoadSettings();
  EXPECT_NE(TakeSettingsProblem().find("could not be read"), std::string::npos);
  EXPECT_FALSE(SetFoundQueryPort("h", 2302, 2304));
  EXPECT_EQ(FoundQueryPort("h", 2302), 2304) << "the change holds for this run";
  CloseHandle(lock);
  EXPECT_EQ(ReadFileBytes(SettingsPath()), saved);

  // Once it reads again, a change starts from what it holds.
  ASSERT_TRUE(SetGeneralSetting("auto_refresh", "15"));
  const std::string now = ReadFileBytes(SettingsPath());
  EXPECT_EQ(now.rfind(saved, 0), 0u);
  EXPECT_EQ(FoundQueryPort("h", 2302), 0);
  EXPECT_EQ(TypedQueryPort("h", 2302), 2303);
}

}  // namespace
