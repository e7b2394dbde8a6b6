// Multi-part replies: joined in index order whatever the arrival order, and
// never allowed to pile up.
#include "net/reassembly.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool Add(ReplyAssembler& a, uint8_t sequence, uint8_t count, uint8_t index, const std::string& text,
         uint32_t now, std::string* out) {
  return a.AddPart(sequence, count, index, reinterpret_cast<const uint8_t*>(text.data()), text.size(), now, out);
}

TEST(ReplyAssembler, JoinsPartsInIndexOrder) {
  ReplyAssembler a;
  std::string out;
  EXPECT_FALSE(Add(a, 5, 3, 1, "B", 0, &out));
  EXPECT_FALSE(Add(a, 5, 3, 1, "B", 0, &out));  // a repeated part is not counted twice
  EXPECT_FALSE(Add(a, 5, 3, 2, "C", 0, &out));
  EXPECT_TRUE(Add(a, 5, 3, 0, "A", 0, &out));
  EXPECT_EQ(out, "ABC");
  EXPECT_EQ(a.InProgress(), 0u);

  EXPECT_TRUE(Add(a, 6, 1, 0, "whole", 0, &out));
  EXPECT_EQ(out, "whole");
}

TEST(ReplyAssembler, APartOfAReplyAlreadyCompletedIsACopyNotANewReply) {
  ReplyAssembler a;
  std::string out;
  EXPECT_FALSE(Add(a, 7, 2, 0, "A", 0, &out));
  EXPECT_TRUE(Add(a, 7, 2, 1, "B", 10, &out));
  // The last part again, after the reply completed: no new reply starts, so
  // none is given up five seconds later.
  EXPECT_FALSE(Add(a, 7, 2, 1, "B", 20, &out));
  EXPECT_EQ(a.InProgress(), 0u);
  a.Expire(20 + ReplyAssembler::kPartTimeoutMs + 1);
  EXPECT_TRUE(a.TakeGivenUp().empty());
  // Long after, the sequence byte has come round and a reply is a new one.
  EXPECT_FALSE(Add(a, 7, 2, 0, "C", 10 + ReplyAssembler::kPartTimeoutMs + 1, &out));
  EXPECT_EQ(a.InProgress(), 1u);
}

TEST(ReplyAssembler, KeepsRepliesOfDifferentSequencesApart) {
  ReplyAssembler a;
  std::string out;
  EXPECT_FALSE(Add(a, 1, 2, 0, "one-", 0, &out));
  EXPECT_FALSE(Add(a, 2, 2, 1, "two", 0, &out));
  EXPECT_TRUE(Add(a, 2, 2, 0, "two-", 0, &out));
  EXPECT_EQ(out, "two-two");
  EXPECT_TRUE(Add(a, 1, 2, 1, "one", 0, &out));
  EXPECT_EQ(out, "one-one");
}

TEST(ReplyAssembler, RejectsImpossibleHeaders) {
  ReplyAssembler a;
  std::string out;
  EXPECT_FALSE(Add(a, 1, 0, 0, "x", 0, &out));
  EXPECT_FALSE(Add(a, 1, 2, 2, "x", 0, &out));
  EXPECT_EQ(a.InProgress(), 0u);
}

TEST(ReplyAssembler, AnotherPartCountStartsTheReplyOver) {
  ReplyAssembler a;
  std::string out;
  EXPECT_FALSE(Add(a, 9, 3, 0, "old", 0, &out));
  EXPECT_FALSE(Add(a, 9, 2, 1, "new", 0, &out));
  EXPECT_TRUE(Add(a, 9, 2, 0, "NEW-", 0, &out));
  EXPECT_EQ(out, "NEW-new");
}

TEST(ReplyAssembler, IncompleteRepliesExpireAcrossTheClockWrap) {
  ReplyAssembler a;
  std::string out;
  const uint32_t start = 0xFFFFFF00u;
  EXPECT_FALSE(Add(a, 1, 2, 0, "x", start, &out));
  a.Expire(start + ReplyAssembler::kPartTimeoutMs);  // wraps past zero: not yet
  EXPECT_EQ(a.InProgress(), 1u);
  a.Expire(start + ReplyAssembler::kPartTimeoutMs + 1);
  EXPECT_EQ(a.InProgress(), 0u);
  EXPECT_FALSE(Add(a, 1, 2, 1, "y", start, &out));  // its partner is gone
}

TEST(ReplyAssembler, OldestIsEvictedWhenAllSlotsAreBusy) {
  ReplyAssembler a;
  std::string out;
  for (uint8_t s = 0; s < ReplyAssembler::kSlots; ++s) EXPECT_FALSE(Add(a, s, 2, 0, "x", 10u + s, &out));
  EXPECT_FALSE(Add(a, 100, 2, 0, "y", 50, &out));
  EXPECT_EQ(a.InProgress(), ReplyAssembler::kSlots);
  EXPECT_TRUE(Add(a, 1, 2, 1, "x", 60, &out));   // sequence 1 survived
  EXPECT_FALSE(Add(a, 0, 2, 1, "x", 60, &out));  // sequence 0 was the oldest: it starts over
}

TEST(ReplyAssembler, ReplyOverTheByteBudgetIsDropped) {
  ReplyAssembler a;
  std::string out;
  const std::string half(ReplyAssembler::kMaxReplyBytes / 2, 'h');
  EXPECT_FALSE(Add(a, 3, 3, 0, half, 0, &out));
  EXPECT_FALSE(Add(a, 3, 3, 1, half, 0, &out));
  EXPECT_FALSE(Add(a, 3, 3, 2, "one byte too many", 0, &out));
  EXPECT_EQ(a.InProgress(), 0u);

  const std::string exact(ReplyAssembler::kMaxReplyBytes, 'e');
  EXPECT_TRUE(Add(a, 4, 1, 0, exact, 0, &out));
  EXPECT_EQ(out.size(), ReplyAssembler::kMaxReplyBytes);
}

}  // namespace
