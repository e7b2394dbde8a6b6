// The favourites file format and the list operations behind the favourites
// window, without files or windows.
#include <gtest/gtest.h>

#include "app/pure/favourites_codec.h"
#include "net/text.h"

namespace {

FavouriteList Sample() {
  return {{"Alpha", "alpha.example", 2302, "pa"},
          {"Shared", "one.example", 1, "p1"},
          {"Beta", "beta.example", 2402, "pb"},
          {"Shared", "two.example", 2, "p2"}};
}

TEST(FavouritesDecode, FourLinesMakeOneFavouriteAndPartialRecordsKeepEmptyFields) {
  const std::string eight = "A\r\nhost-a\r\n2302\r\npw-a\r\nB\r\nhost-b\r\n-7\r\npw-b\r\n";
  FavouriteList two = DecodeFavourites(eight);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0].description, "A");
  EXPECT_EQ(two[0].host, "host-a");
  EXPECT_EQ(two[0].port, 2302);
  EXPECT_EQ(two[0].password, "pw-a");
  EXPECT_EQ(two[1].port, -7);

  FavouriteList three = DecodeFavourites(eight + "C\r\n");
  ASSERT_EQ(three.size(), 3u);
  EXPECT_EQ(three[2].description, "C");
  EXPECT_EQ(three[2].host, "");
  EXPECT_EQ(three[2].port, 0);
  EXPECT_EQ(three[2].password, "");

  // Without a final line break the last password is still read whole.
  FavouriteList unterminated = DecodeFavourites("A\r\nh\r\n1\r\nsecret");
  ASSERT_EQ(unterminated.size(), 1u);
  EXPECT_EQ(unterminated[0].password, "secret");

  // An extra empty line after the last record is one more, empty favourite.
  FavouriteList extra = DecodeFavourites(eight + "\r\n");
  ASSERT_EQ(extra.size(), 3u);
  EXPECT_EQ(extra[2].description, "");

  EXPECT_TRUE(DecodeFavourites("").empty());
}

TEST(FavouritesDecode, EveryLineEndAndAByteOrderMark) {
  for (const char* eol : {"\r\n", "\n", "\r"}) {
    std::string e = eol;
    FavouriteList list = DecodeFavourites("D" + e + "H" + e + "5" + e + "P" + e + "D2" + e + "H2" + e + "6" + e + "P2" + e);
    ASSERT_EQ(list.size(), 2u) << "line end " << (e == "\r" ? "CR" : e == "\n" ? "LF" : "CRLF");
    EXPECT_EQ(list[1].description, "D2");
    EXPECT_EQ(list[1].port, 6);
  }
  // Mixed ends in one file; an empty line between CR and LF is not swallowed.
  FavouriteList mixed = DecodeFavourites("D\nH\r\n5\rP\r\r\nh\n1\np\n");
  ASSERT_EQ(mixed.size(), 2u);
  EXPECT_EQ(mixed[0].password, "P");
  EXPECT_EQ(mixed[1].description, "");
  EXPECT_EQ(mixed[1].host, "h");

  FavouriteList bom = DecodeFavourites("\xEF\xBB\xBFServer\r\nh\r\n9\r\np\r\n");
  ASSERT_EQ(bom.size(), 1u);
  EXPECT_EQ(bom[0].description, "Server");
  // Only a whole BOM at the very start is skipped.
  EXPECT_EQ(DecodeFavourites("\xEF\xBBX\r\nh\r\n9\r\np\r\n")[0].description, "\xEF\xBBX");
}

// Stands in for the ANSI code page: Latin-1 to UTF-8.
std::string Latin1ToUtf8(std::string_view line) {
  std::string out;
  for (char c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

TEST(FavouritesDecode, OnlyLinesThatAreNotUtf8GoThroughTheLegacyDecoder) {
  const FavouriteList list =
      DecodeFavourites("M\xFCller\nGr\xC3\xBC\xC3\x9F\n\xB3\n\xED\xA0\x80\n", Latin1ToUtf8);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].description, "M\xC3\xBCller");
  EXPECT_EQ(list[0].host, "Gr\xC3\xBC\xC3\x9F");
  EXPECT_EQ(list[0].port, 0);
  EXPECT_EQ(list[0].password, "\xC3\xAD\xC2\xA0\xC2\x80") << "an encoded surrogate is not UTF-8";
  EXPECT_EQ(DecodeFavourites("M\xFCller\n")[0].description, "M\xFCller") << "no decoder: bytes kept";
}

TEST(FavouritesDecode, Utf8CheckRefusesOverlongsSurrogatesAndCutSequences) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain"));
  EXPECT_TRUE(IsValidUtf8("\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"));
  EXPECT_FALSE(IsValidUtf8("\xFC"));
  EXPECT_FALSE(IsValidUtf8("\x80"));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong '/'
  EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));      // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xE2\x82"));          // cut short
  EXPECT_FALSE(IsValidUtf8("\xE2\x82x"));
}

TEST(FavouritesDecode, PortLineGoesThroughTheNumberRule) {
  auto port = [](const std::string& line) {
    return DecodeFavourites("d\r\nh\r\n" + line + "\r\np\r\n").at(0).port;
  };
  EXPECT_EQ(port("2302"), 2302);
  EXPECT_EQ(port("letters"), 0);
  EXPECT_EQ(port(""), 0);
  EXPECT_EQ(port("  2303abc"), 2303);
  EXPECT_EQ(port("$8FE"), 0x8FE);
  EXPECT_EQ(port("4294967297"), 1);  // low 32 bits
}

TEST(FavouritesEncode, CrLfLinesDecimalPortAndRoundTrip) {
  FavouriteList list = {{"Ünïcode ☺", "h", 2302, "p w"}, {"", "", -5, ""}};
  std::string bytes = EncodeFavourites(list);
  EXPECT_EQ(bytes, "Ünïcode ☺\r\nh\r\n2302\r\np w\r\n\r\n\r\n-5\r\n\r\n");
  FavouriteList back = DecodeFavourites(bytes);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].description, list[0].description);
  EXPECT_EQ(back[1].port, -5);
  EXPECT_EQ(EncodeFavourites({}), "");

  // A port of letters loads as 0 and is written back as "0".
  EXPECT_EQ(EncodeFavourites(DecodeFavourites("d\r\nh\r\nabc\r\np\r\n")), "d\r\nh\r\n0\r\np\r\n");

  // A line break inside a field must not shift the records after it.
  FavouriteList broken = {{"two\r\nlines", "h\n", 1, "p\r"}, {"next", "h2", 2, "p2"}};
  FavouriteList reread = DecodeFavourites(EncodeFavourites(broken));
  ASSERT_EQ(reread.size(), 2u);
  EXPECT_EQ(reread[0].description, "twolines");
  EXPECT_EQ(reread[1].description, "next");
}

TEST(FavouritesList, AddTrimsTheDescriptionOnly) {
  Favourite fav = MakeFavourite("  My server  ", " host ", " 2302x", " pw ");
  EXPECT_EQ(fav.description, "My server");
  EXPECT_EQ(fav.host, " host ");
  EXPECT_EQ(fav.port, 2302);
  EXPECT_EQ(fav.password, " pw ");
  EXPECT_EQ(MakeFavourite("   ", "h", "1", "p").description, "");
  EXPECT_EQ(MakeFavourite("\tTab\t", "h", "1", "p").description, "\tTab\t");
  EXPECT_EQ(MakeFavourite("d", "h", "letters", "p").port, 0);
}

TEST(FavouritesList, SaveChangesEverySharedDescriptionDeleteOnlyTheFirst) {
  FavouriteList list = Sample();
  EXPECT_EQ(SaveFavouriteIn(list, " Shared ", "new.example", "99", "np"), 2);
  EXPECT_EQ(list[1].host, "new.example");
  EXPECT_EQ(list[3].host, "new.example");
  EXPECT_EQ(list[1].port, 99);
  EXPECT_EQ(list[3].password, "np");
  EXPECT_EQ(list[0].host, "alpha.example");
  EXPECT_EQ(SaveFavouriteIn(list, "shared", "x", "1", "x"), 0);  // case-sensitive

  list = Sample();
  EXPECT_TRUE(DeleteFavouriteFrom(list, "Shared"));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[2].description, "Shared");
  EXPECT_EQ(list[2].host, "two.example");
  EXPECT_FALSE(DeleteFavouriteFrom(list, "Missing"));
  EXPECT_FALSE(DeleteFavouriteFrom(list, "alpha"));
  EXPECT_EQ(list.size(), 3u);
}

TEST(FavouritesList, FindIsExactAndTakesTheFirst) {
  FavouriteList list = Sample();
  ASSERT_NE(FindFavouriteIn(list, "Shared"), nullptr);
  EXPECT_EQ(FindFavouriteIn(list, "Shared")->host, "one.example");
  EXPECT_EQ(FindFavouriteIn(list, "Shared "), nullptr);
  EXPECT_EQ(FindFavouriteIn(list, "beta"), nullptr);
  EXPECT_EQ(FindFavouriteIn(list, "Alph"), nullptr);
  EXPECT_EQ(FindFavouriteIn({}, ""), nullptr);
}

TEST(FavouritesValidation, FirstEmptyFieldInOrderAndSpacesCountAsText) {
  using F = FavouriteField;
  EXPECT_EQ(FirstEmptyFavouriteField("", "", "", ""), F::Description);
  EXPECT_EQ(FirstEmptyFavouriteField("d", "", "", ""), F::Host);
  EXPECT_EQ(FirstEmptyFavouriteField("d", "h", "", ""), F::Port);
  EXPECT_EQ(FirstEmptyFavouriteField("d", "h", "1", ""), F::Password);
  EXPECT_EQ(FirstEmptyFavouriteField("d", "h", "1", "p"), F::None);
  EXPECT_EQ(FirstEmptyFavouriteField("", "h", "1", "p"), F::Description);
  EXPECT_EQ(FirstEmptyFavouriteField(" ", " ", " ", " "), F::None);
  EXPECT_STREQ(EmptyFavouriteFieldMessage(F::Description), "Please enter a description.");
  EXPECT_STREQ(EmptyFavouriteFieldMessage(F::Host), "Please enter a host name.");
  EXPECT_STREQ(EmptyFavouriteFieldMessage(F::Port), "Please enter a port.");
  EXPECT_STREQ(EmptyFavouriteFieldMessage(F::Password), "Please enter a password.");
  EXPECT_STREQ(EmptyFavouriteFieldMessage(F::None), "");
}

}  // namespace
