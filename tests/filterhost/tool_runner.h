// Runs the built filterhost as a user would and collects what it says, and
// reads and writes the pictures it works on.
#pragma once

#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "image.h"

extern char** environ;

namespace orv_test {

struct ToolResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

inline std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A fresh directory for one test, named after it and the build it tests, so
// that builds tested at the same time (optimised, sanitized, other checkouts)
// do not clear each other's files.
inline std::string scratchDir() {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  const std::string dir = testing::TempDir() + "filterhost-" + info->test_suite_name() + "-" + info->name() + "-" +
                          std::to_string(std::hash<std::string>{}(FILTERHOST_PATH) % 100000);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// Writes or reads a picture file; a failure counts against the test.
inline void writePicture(const std::string& path, const filterhost::Image& image) {
  std::string error;
  EXPECT_TRUE(filterhost::writeImageFile(path, image, error)) << error;
}

inline filterhost::Image readPicture(const std::string& path) {
  filterhost::Image image;
  std::string error;
  EXPECT_TRUE(filterhost::readImageFile(path, image, error)) << error;
  return image;
}

inline ToolResult runTool(const std::vector<std::string>& args, const std::string& dir) {
  const std::string outPath = dir + "/stdout.txt", errPath = dir + "/stderr.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> argv;
#ifdef ORV_TOOL_EMULATOR
  // The emulator's words, separated by '|', come first.
  std::istringstream emulator(ORV_TOOL_EMULATOR);
  for (std::string word; std::getline(emulator, word, '|');) argv.push_back(word);
#endif
  argv.push_back(FILTERHOST_PATH);
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargs;
  for (std::string& a : argv) cargs.push_back(a.data());
  cargs.push_back(nullptr);
  ToolResult result;
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv.front().c_str(), &actions, nullptr, cargs.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << FILTERHOST_PATH;
    return result;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  // A crash shows as 128 + signal, as a shell reports it.
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = fileText(outPath);
  result.err = fileText(errPath);
  return result;
}

}  // namespace orv_test
