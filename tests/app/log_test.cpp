// The kept log: its bound and filters, the time texts, the file names and
// the appender's files on disk.
#include "app/pure/log_file.h"
#include "app/pure/log_store.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// 2026-12-08 21:45:03 as local calendar seconds.
constexpr int64_t kEvening = 1796766303;

TEST(LogStore, KeepsTheLastLinesAndSaysWhichOneWent) {
  LogStore store(3);
  LogCategory dropped = LogCategory::Other;
  EXPECT_FALSE(store.Add("a", LogCategory::Chat, &dropped));
  EXPECT_FALSE(store.Add("b", LogCategory::Players, &dropped));
  EXPECT_FALSE(store.Add("c", LogCategory::Admin, &dropped));
  EXPECT_TRUE(store.Add("d", LogCategory::Chat, &dropped));
  EXPECT_EQ(dropped, LogCategory::Chat);
  EXPECT_TRUE(store.Add("e", LogCategory::Other, &dropped));
  EXPECT_EQ(dropped, LogCategory::Players);
  ASSERT_EQ(store.size(), 3u);
  EXPECT_EQ(store.at(0).text, "c");
  EXPECT_EQ(store.at(2).text, "e");
  EXPECT_EQ(store.CountShown(LogFilter::All), 3u);
  EXPECT_EQ(store.CountShown(LogFilter::Chat), 1u);
  EXPECT_EQ(store.CountShown(LogFilter::Players), 0u);
  store.Clear();
  EXPECT_EQ(store.size(), 0u);
  EXPECT_FALSE(store.Add("f", LogCategory::Chat));
  EXPECT_EQ(store.at(0).text, "f");
  EXPECT_EQ(LogStore().CountShown(LogFilter::All), 0u);
}

TEST(LogFile, TimesAndDates) {
  const struct {
    int64_t seconds;
    std::string prefix, date;
  } cases[] = {
      {kEvening, "21:45:03 ", "2026-12-08"},
      {0, "00:00:00 ", "1970-01-01"},
      {-1, "23:59:59 ", "1969-12-31"},
      {951782400 + 86399, "23:59:59 ", "2000-02-29"},  // a leap day of a century year
      {4107542400, "00:00:00 ", "2100-03-01"},         // 2100 is no leap year
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LogTimePrefix(c.seconds), c.prefix) << c.seconds;
    EXPECT_EQ(LogDate(c.seconds), c.date) << c.seconds;
  }
  EXPECT_EQ(LogFileLine(kEvening, "Player #1 a\r\nb\tc"), "2026-12-08 21:45:03 Player #1 a  b c\n");
}

TEST(LogFile, HostsBecomeFileNames) {
  const std::pair<std::string, std::string> cases[] = {
      {"203.0.113.5", "203.0.113.5"},
      {"play.example.org", "play.example.org"},
      {"::1", "__1"},
      {"a\\b/c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"},
      {"host.", "host_"},
      {"host .. ", "host____"},
      {"", "_"},
      {"con", "_con"},
      {"COM1.example", "_COM1.example"},
      {"COM10", "COM10"},
      {"serv\x01" "er", "serv_er"},
      {"D\xC3\xA9mo", "D\xC3\xA9mo"},
      {std::string(63, 'a') + "\xC3\xA9", std::string(63, 'a')},  // not cut inside the é
  };
  for (const auto& [host, name] : cases) EXPECT_EQ(HostFileName(host), name) << host;
  EXPECT_EQ(LogFileRelativePath("a:b", 2302, kEvening, '\\'), "logs\\a_b_2302\\2026-12-08.log");
}

class LogFileAppenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    folder_ = (std::filesystem::temp_directory_path() / ("quorvel-logs-" + std::to_string(stamp))).string();
    ASSERT_TRUE(std::filesystem::create_directories(folder_));
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  // `relative` with '/' between its parts, joined as the program joins them.
  std::string Path(std::string relative) {
    for (char& c : relative) c = c == '/' ? platform::kPathSeparator : c;
    return folder_ + platform::kPathSeparator + relative;
  }
  std::string Read(const std::string& relative) {
    std::ifstream in(std::filesystem::u8path(Path(relative)), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::string folder_;
};

TEST_F(LogFileAppenderTest, LinesGoToTheDaysFileAsTheyCome) {
  LogFileAppender log(folder_, "D\xC3\xA9mo:1", 2302);
  EXPECT_EQ(log.Append(kEvening, "Connected"), "");
  // Readable at once, while the appender still holds the file open.
  EXPECT_EQ(Read("logs/D\xC3\xA9mo_1_2302/2026-12-08.log"), "2026-12-08 21:45:03 Connected\n");
  EXPECT_EQ(log.Append(kEvening + 9000, "after midnight"), "");
  EXPECT_EQ(Read("logs/D\xC3\xA9mo_1_2302/2026-12-09.log"), "2026-12-09 00:15:03 after midnight\n");
  EXPECT_EQ(log.path(), Path("logs/D\xC3\xA9mo_1_2302/2026-12-09.log"));

  LogFileAppender again(folder_, "D\xC3\xA9mo:1", 2302);
  again.Append(kEvening + 1, "next session");
  EXPECT_EQ(Read("logs/D\xC3\xA9mo_1_2302/2026-12-08.log"),
            "2026-12-08 21:45:03 Connected\n2026-12-08 21:45:04 next session\n");
}

TEST_F(LogFileAppenderTest, AFailingWriteIsReportedOnce) {
  // A file where the logs folder should be: nothing can be written.
  std::ofstream(Path("logs")) << "in the way";
  LogFileAppender log(folder_, "host", 1);
  const std::string report = log.Append(kEvening, "one");
  EXPECT_NE(report.find(Path("logs/host_1/2026-12-08.log")), std::string::npos) << report;
  EXPECT_EQ(log.Append(kEvening, "two"), "");
  EXPECT_EQ(log.Append(kEvening + 86400, "next day"), "");
  EXPECT_EQ(Read("logs"), "in the way");
}

}  // namespace
