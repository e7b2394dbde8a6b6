// The settings file's text: reading a hand-edited file and changing one
// value in it without disturbing anything else.
#include <gtest/gtest.h>

#include "app/pure/settings_codec.h"

namespace {

const char kHandEdited[] =
    "\xEF\xBB\xBF; my servers\r\n"
    "[General]\n"
    "Auto_Refresh = 30 \r"
    "colour=blue\r\n"
    "\r\n"
    "[203.0.113.7:2302]\r\n"
    "query_port=2303\r\n"
    "query_port=9999\r\n"
    "this line is not a setting\r\n"
    "# nor this one=1\r\n"
    "\r\n"
    "[Mission.Example:2402]\r\n"
    "found_query_port = 27016";

TEST(SettingsText, ReadsAHandEditedFileByItsSectionsAndKeys) {
  const SettingsText text = SettingsText::Decode(kHandEdited);
  const std::pair<std::pair<const char*, const char*>, std::optional<std::string>> cases[] = {
      {{"general", "auto_refresh"}, "30"},         // case and blanks do not count
      {{"GENERAL", "colour"}, "blue"},             // a lone CR ends a line
      {{"203.0.113.7:2302", "query_port"}, "2303"},  // the first of a repeated key
      {{"mission.example:2402", kFoundQueryPortKey}, "27016"},  // last line without its break
      {{"203.0.113.7:2302", "this line is not a setting"}, std::nullopt},
      {{"203.0.113.7:2302", "# nor this one"}, std::nullopt},
      {{"203.0.113.7:2303", "query_port"}, std::nullopt},
      {{"general", "query_port"}, std::nullopt},  // keys belong to their section
  };
  for (const auto& [where, expected] : cases) {
    EXPECT_EQ(text.Get(where.first, where.second), expected) << where.first << " " << where.second;
  }
}

TEST(SettingsText, AChangeRewritesItsOwnLineAndKeepsEveryOther) {
  SettingsText text = SettingsText::Decode(kHandEdited);
  const std::string before = text.Encode();

  EXPECT_FALSE(text.Set("203.0.113.7:2302", "QUERY_PORT", "2303"));  // already so: nothing to write
  EXPECT_EQ(text.Encode(), before);

  ASSERT_TRUE(text.Set("203.0.113.7:2302", "query_port", "2305"));
  std::string expected = before;
  expected.replace(expected.find("query_port=2303"), 15, "query_port=2305");
  EXPECT_EQ(text.Encode(), expected);

  // A new key goes after the section's last line, before the blank one.
  ASSERT_TRUE(text.Set("general", kFoundQueryPortKey, "1"));
  EXPECT_EQ(text.lines()[4], "found_query_port=1");
  EXPECT_EQ(text.lines()[5], "");

  // A new server's section goes at the end; removing its key leaves the
  // heading, which reads as nothing.
  ASSERT_TRUE(text.Set(ServerSection(" new.example ", 2302), kQueryPortKey, "2303"));
  EXPECT_EQ(text.lines().back(), "query_port=2303");
  EXPECT_EQ(text.lines()[text.lines().size() - 2], "[new.example:2302]");
  EXPECT_TRUE(text.Remove("new.example:2302", kQueryPortKey));
  EXPECT_FALSE(text.Remove("new.example:2302", kQueryPortKey));
  EXPECT_EQ(text.Get("new.example:2302", kQueryPortKey), std::nullopt);

  // What a change writes reads back the same.
  EXPECT_EQ(SettingsText::Decode(text.Encode()).lines(), text.lines());
}

TEST(SettingsText, ANewFileSaysWhatItIsAndNoValueMakesMoreLines) {
  SettingsText text;
  ASSERT_TRUE(text.Set("evil]\r\n[general", "a\r\nb=c", "1\r\nauto_refresh=5"));
  const SettingsText read = SettingsText::Decode(text.Encode());
  EXPECT_EQ(read.lines().front().rfind("; Quorvel's settings.", 0), 0u);
  EXPECT_EQ(read.lines().back(), "abc=1auto_refresh=5");
  EXPECT_EQ(read.Get("general", kAutoRefreshKey), std::nullopt);
  EXPECT_EQ(read.Get("evil[general", "abc"), "1auto_refresh=5");
}

TEST(SettingsText, PortValuesAreOneTo65535ByTheNumberRule) {
  const std::pair<const char*, uint16_t> cases[] = {
      {"2303", 2303}, {" +2303", 2303}, {"$8FF", 2303}, {"1", 1}, {"65535", 65535}, {"", 0},
      {"0", 0},       {"65536", 0},     {"-1", 0},      {"auto", 0}, {"18446744073709554919", 0},
  };
  for (const auto& [text, port] : cases) EXPECT_EQ(PortValue(text), port) << text;
}

}  // namespace
