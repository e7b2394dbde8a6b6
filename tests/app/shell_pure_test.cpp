// The shell's pure pieces: PNG decoding of the embedded artwork, the
// information rows, the panel geometry and the players list's sort orders.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/pure/info_rows.h"
#include "app/pure/layout.h"
#include "app/pure/png_image.h"
#include "net/shell.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string ResPath(const char* name) {
  const char* root = std::getenv("QUORVEL_SOURCE_DIR");
  return std::string(root ? root : ".") + "/res/" + name;
}

TEST(PngImage, DecodesTheArtworkAtItsSizesWithTransparentCorners) {
  struct Expect {
    const char* file;
    int width, height;
  };
  for (const Expect& e : {Expect{"logo.png", 200, 108}, Expect{"quick-connect.png", 16, 16},
                          Expect{"connect.png", 16, 16}, Expect{"favourite.png", 16, 16},
                          Expect{"about.png", 16, 16}, Expect{"player.png", 16, 16}}) {
    const std::vector<uint8_t> data = ReadFile(ResPath(e.file));
    ASSERT_FALSE(data.empty()) << e.file;
    DecodedImage image;
    ASSERT_TRUE(DecodePng(data.data(), data.size(), image)) << e.file;
    EXPECT_EQ(image.width, e.width) << e.file;
    EXPECT_EQ(image.height, e.height) << e.file;
    ASSERT_EQ(image.bgra.size(), static_cast<size_t>(e.width) * e.height * 4);
    // Premultiplied: no colour channel may exceed its alpha.
    for (size_t i = 0; i < image.bgra.size(); i += 4) {
      ASSERT_LE(image.bgra[i], image.bgra[i + 3]) << e.file;
      ASSERT_LE(image.bgra[i + 1], image.bgra[i + 3]) << e.file;
      ASSERT_LE(image.bgra[i + 2], image.bgra[i + 3]) << e.file;
    }
  }
  // The player icon is drawn on a transparent background.
  const std::vector<uint8_t> data = ReadFile(ResPath("player.png"));
  DecodedImage image;
  ASSERT_TRUE(DecodePng(data.data(), data.size(), image));
  EXPECT_EQ(image.bgra[3], 0);
}

TEST(PngImage, RejectsDamagedDataWithoutCrashing) {
  const std::vector<uint8_t> good = ReadFile(ResPath("logo.png"));
  ASSERT_GT(good.size(), 100u);
  DecodedImage image;
  EXPECT_FALSE(DecodePng(nullptr, 0, image));
  EXPECT_FALSE(DecodePng(good.data(), 7, image));
  // Cut off in the middle of the pixel data.
  EXPECT_FALSE(DecodePng(good.data(), good.size() / 2, image));
  EXPECT_TRUE(image.bgra.empty());
  EXPECT_EQ(image.width, 0);
  // A corrupted header chunk fails its checksum.
  std::vector<uint8_t> bad = good;
  bad[20] ^= 0xFF;
  EXPECT_FALSE(DecodePng(bad.data(), bad.size(), image));
  // Not a PNG at all.
  const uint8_t text[] = "this is not an image, only text";
  EXPECT_FALSE(DecodePng(text, sizeof text, image));
}

TEST(InfoRows, TwentySixRowsInDisplayOrderWithHeadingsUnderTheEmptyKey) {
  const auto rows = InfoRowDefinitions();
  ASSERT_EQ(rows.size(), 26u);
  EXPECT_EQ(rows[0].label, "General");
  EXPECT_EQ(rows[14].label, "Players");
  EXPECT_EQ(rows[15].label, "Mission info");
  EXPECT_EQ(rows[21].label, "Battleye");
  int headings = 0;
  for (const auto& row : rows) {
    if (row.heading) {
      ++headings;
      EXPECT_TRUE(row.key.empty());
    } else {
      EXPECT_FALSE(row.key.empty()) << row.label;
    }
  }
  EXPECT_EQ(headings, 3);

  InfoRows.Clear();
  RegisterInfoRows();
  EXPECT_EQ(InfoRows.Find("hostname"), 1);
  EXPECT_EQ(InfoRows.Find("maxplayers"), 13);
  EXPECT_EQ(InfoRows.Find("players"), 14);
  EXPECT_EQ(InfoRows.Find("mission"), 16);
  EXPECT_EQ(InfoRows.Find("sv_battleye"), 22);
  EXPECT_EQ(InfoRows.Find("BE_PLAYERS"), 25);
  EXPECT_EQ(InfoRows.Find(""), 21);  // the last heading; never given a value
  EXPECT_EQ(InfoRows.Find("HOSTNAME"), 0);  // keys are case-sensitive
  EXPECT_EQ(InfoRows.Find("unknown"), 0);
}

TEST(PanelLayout, ChildrenFollowThePanelSize) {
  const PanelLayout l = ComputePanelLayout(700, 400);
  EXPECT_EQ(l.playersWidth, 690);
  EXPECT_EQ(l.playersHeight, 345);
  EXPECT_EQ(l.refreshX, 0);
  EXPECT_EQ(l.refreshY, 350);
  EXPECT_EQ(l.refreshWidth, 690);
  EXPECT_EQ(l.refreshHeight, 20);
  EXPECT_EQ(l.bansWidth, 700);
  EXPECT_EQ(l.bansHeight, 370);
  EXPECT_EQ(l.infoWidth, 690);
  EXPECT_EQ(l.infoHeight, 375);
}

TEST(PanelLayout, ASqueezedPanelGivesNoNegativeSizes) {
  const PanelLayout l = ComputePanelLayout(5, 20);
  EXPECT_EQ(l.playersWidth, 0);
  EXPECT_EQ(l.playersHeight, 0);
  EXPECT_EQ(l.bansHeight, 0);
  EXPECT_EQ(l.infoHeight, 0);
  EXPECT_EQ(l.refreshWidth, 0);
}

TEST(LayoutTracker, RelaysOutOnlyWhenWidthPlusHeightChanges) {
  LayoutTracker t;
  EXPECT_TRUE(t.Due(700, 400));
  EXPECT_FALSE(t.Due(700, 400));
  EXPECT_FALSE(t.Due(600, 500));  // same sum: the rule does not look further
  EXPECT_TRUE(t.Due(700, 300));
  EXPECT_EQ(t.LastSum(), 1000);
  LayoutTracker empty;
  EXPECT_FALSE(empty.Due(0, 0));  // 0 is where it starts
}

TEST(Splitter, PositionStaysInsideTheSplitter) {
  EXPECT_EQ(ClampSplitterPosition(300, 500, 5), 300);
  EXPECT_EQ(ClampSplitterPosition(-40, 500, 5), 5);
  EXPECT_EQ(ClampSplitterPosition(900, 500, 5), 500);
  EXPECT_EQ(ClampSplitterPosition(10, 3, 5), 3);  // smaller than its bar
}

TEST(CompareCells, TextIgnoresCaseIntegersCompareByValue) {
  EXPECT_LT(CompareCells("alpha", "Bravo", SortKind::Text), 0);
  EXPECT_EQ(CompareCells("Name", "nAME", SortKind::Text), 0);
  EXPECT_LT(CompareCells("ab", "abc", SortKind::Text), 0);
  // As text "10" sorts before "9"; as integers after it.
  EXPECT_LT(CompareCells("10", "9", SortKind::Text), 0);
  EXPECT_GT(CompareCells("10", "9", SortKind::Integer), 0);
  EXPECT_LT(CompareCells("-3", "2", SortKind::Integer), 0);
  EXPECT_EQ(CompareCells(" 7", "7", SortKind::Integer), 0);
  EXPECT_EQ(CompareCells("", "0", SortKind::Integer), 0);  // no digits: 0
  EXPECT_GT(CompareCells("$10", "15", SortKind::Integer), 0);
  // Times connected by their length; a player the Steam query did not name first.
  EXPECT_GT(CompareCells("10:00:00", "9:59:59", SortKind::Duration), 0);
  EXPECT_LT(CompareCells("0:59:59", "1:00:00", SortKind::Duration), 0);
  EXPECT_LT(CompareCells("", "0:00:00", SortKind::Duration), 0);
  EXPECT_EQ(CompareCells("1:05:12", "1:05:12", SortKind::Duration), 0);
  // Non-ASCII names order after ASCII ones, never by a stray sign, and their
  // capitals sort with their small letters.
  EXPECT_GT(CompareCells("\xC3\x89lise", "Zoe", SortKind::Text), 0);
  EXPECT_EQ(CompareCells("Иван", "иВАН", SortKind::Text), 0);
  EXPECT_LT(CompareCells("Иван", "иваныч", SortKind::Text), 0);
  EXPECT_GT(CompareCells("Борис", "аркадий", SortKind::Text), 0);
  EXPECT_EQ(CompareCells("ÉLISE", "élise", SortKind::Text), 0);
}

}  // namespace
