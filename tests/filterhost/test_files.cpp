// Files in and out: a failed write keeps the previous file, reads are
// bounded, and the byte counts of the limits.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "fileio.h"
#include "inputlimits.h"
#include "tool_runner.h"

using namespace filterhost;
namespace fs = std::filesystem;

namespace {

std::size_t entriesIn(const std::string& dir) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

// Lowers the file size limit (as `ulimit -f` does) for one write, with the
// signal that would end the process ignored, as the tool ignores it.
struct FileSizeLimit {
  rlimit before{};
  void (*handler)(int);
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &before);
    handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = before;
    lowered.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, handler);
  }
};

TEST(FileOutput, AFailedWriteLeavesThePreviousFileAndNoTemporary) {
  const std::string dir = orv_test::scratchDir();
  const std::string target = dir + "/settings.json", input = dir + "/input.png";
  const std::string data(4096, 'x');
  std::ofstream(input) << "an input";
  protectInputFile(input);
  struct Case {
    const char* what;
    std::string path;
    rlim_t sizeLimit;
    const char* reason;
  };
  const Case cases[] = {
      {"file size limit", target, 100, "File too large"},
      {"an input of the run", input, RLIM_INFINITY, "one of the files this run reads"},
  };
  for (const Case& c : cases) {
    std::ofstream(target) << "previous";
    std::string why;
    bool written = true;
    {
      FileSizeLimit limit(c.sizeLimit);
      written = writeWholeFile(c.path, data.data(), data.size(), why);
    }
    EXPECT_FALSE(written) << c.what;
    EXPECT_NE(why.find(c.reason), std::string::npos) << c.what << ": " << why;
    EXPECT_EQ(orv_test::fileText(target), "previous") << c.what;
    EXPECT_EQ(orv_test::fileText(input), "an input") << c.what;
    EXPECT_EQ(entriesIn(dir), 2u) << c.what;  // no temporary file left behind
  }
  std::string why;
  EXPECT_FALSE(writeWholeFile("/dev/full", data.data(), data.size(), why));  // written in place
  EXPECT_NE(why.find("No space left on device"), std::string::npos) << why;
}

TEST(FileOutput, ReplacesTheFileKeepingItsPermissions) {
  const std::string dir = orv_test::scratchDir();
  const std::string target = dir + "/p.json";
  std::ofstream(target) << "previous, longer than what replaces it";
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  std::string why;
  ASSERT_TRUE(writeWholeFile(target, "new", 3, why)) << why;
  EXPECT_EQ(orv_test::fileText(target), "new");
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(entriesIn(dir), 1u);
}

TEST(FileInput, ReadsAtMostTheLimit) {
  const std::string dir = orv_test::scratchDir();
  std::ofstream(dir + "/four") << "1234";
  std::vector<std::uint8_t> bytes;
  std::string why;
  EXPECT_TRUE(readWholeFile(dir + "/four", 4, bytes, why)) << why;
  EXPECT_EQ(bytes.size(), 4u);
  const struct {
    std::string path;
    std::uint64_t limit;
    const char* reason;
  } refused[] = {
      {"/dev/zero", 1 << 20, "longer than the file size limit of 1 MiB (--max-file-size raises it)"},
      {dir + "/four", 3, "longer than the file size limit of 3 bytes"},
  };
  for (const auto& c : refused) {
    EXPECT_FALSE(readWholeFile(c.path, c.limit, bytes, why)) << c.path;
    EXPECT_NE(why.find(c.reason), std::string::npos) << why;
  }
}

TEST(ByteCounts, ReadAndShown) {
  const struct {
    const char* text;
    std::uint64_t bytes;
  } good[] = {{"1000", 1000}, {"64K", 65536}, {"256m", 256u << 20}, {"2GiB", 2ull << 30}, {"1GB", 1u << 30}};
  for (const auto& c : good) {
    std::uint64_t bytes = 0;
    EXPECT_TRUE(parseByteCount(c.text, bytes)) << c.text;
    EXPECT_EQ(bytes, c.bytes) << c.text;
  }
  for (const char* bad : {"", "K", "12X", "-1", "1.5G", "99999999999T"}) {
    std::uint64_t bytes = 0;
    EXPECT_FALSE(parseByteCount(bad, bytes)) << bad;
  }
  EXPECT_EQ(byteCountText(1), "1 byte");
  EXPECT_EQ(byteCountText(1000), "1000 bytes");
  EXPECT_EQ(byteCountText(256u << 20), "256 MiB");
  EXPECT_EQ(byteCountText(3ull << 29), "1.5 GiB");
}

}  // namespace
