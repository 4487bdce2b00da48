// A folder that cannot be opened. Root may open anything, so as root the check runs
// in a child process that has given up its privileges.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "images/image_locator.h"
#include "support/temp_tree.h"
#include "text/cp932_literal.h"

namespace fs = std::filesystem;

namespace {

constexpr int kOpenFolders = 8;
constexpr uid_t kNobody = 65534;

std::string openFolder(int i) { return "o" + std::to_string(i); }
std::string openFile(int i) { return "b" + std::to_string(i) + ".png"; }

// What a run below `root` sees, as text fields separated by zero bytes: the log,
// the answer for each image, and whether the hint test through `locked` threw.
std::string probe(const fs::path& root, const std::string& locked) {
  ImageIndex index;
  std::ostringstream log;
  std::string out;
  std::vector<std::string> names{"a.png"};
  for (int i = 0; i < kOpenFolders; ++i) names.push_back(openFile(i));
  for (const auto& name : names) {
    out += checkImageExists(name, "", root, index, log);
    out += '\0';
  }
  std::ostringstream hintLog;
  try {
    checkImageExists("a.png", locked, root, index, hintLog);
    out += "no error";
  } catch (const fs::filesystem_error&) {
    out += "error";
  }
  return log.str() + '\0' + out;
}

bool dropPrivileges() {
  return setgroups(0, nullptr) == 0 && setresgid(kNobody, kNobody, kNobody) == 0 &&
         setresuid(kNobody, kNobody, kNobody) == 0;
}

// nullopt when privileges cannot be dropped here.
std::optional<std::string> probeWithoutPrivileges(const fs::path& root,
                                                  const std::string& locked) {
  if (geteuid() != 0) return probe(root, locked);
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return std::nullopt;
  pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    if (!dropPrivileges()) _exit(77);
    std::string text = probe(root, locked);
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
      ssize_t written = write(pipeEnds[1], data, left);
      if (written <= 0) _exit(1);
      data += written;
      left -= static_cast<std::size_t>(written);
    }
    _exit(0);
  }
  close(pipeEnds[1]);
  std::string text;
  char buffer[4096];
  ssize_t got = 0;
  while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
    text.append(buffer, static_cast<std::size_t>(got));
  }
  close(pipeEnds[0]);
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return std::nullopt;
  }
  return text;
}

std::vector<std::string> splitAtZero(const std::string& text) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t zero; (zero = text.find('\0', start)) != std::string::npos;
       start = zero + 1) {
    fields.push_back(text.substr(start, zero - start));
  }
  fields.push_back(text.substr(start));
  return fields;
}

std::vector<std::string> listing(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

TEST(UnreadableFolder, IsLoggedOnceAndSkippedWhileTheWalkGoesOn) {
  TempTree tree;
  const auto readable = fs::perms::owner_all | fs::perms::group_read |
                        fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec;
  fs::permissions(tree.root, readable);
  for (int i = 0; i < kOpenFolders; ++i) {
    std::string folder = openFolder(i);
    tree.file(fs::path(folder + "/" + openFile(i)).u8string());
    fs::permissions(tree.path(fs::path(folder).u8string()), readable);
  }
  // The skipped folder must not be the last one listed, or nothing would show
  // that the walk went on after it.
  std::string locked;
  for (int attempt = 0; attempt < 20 && locked.empty(); ++attempt) {
    std::string name = "locked" + std::to_string(attempt);
    tree.file(fs::path(name + "/a.png").u8string());
    if (listing(tree.root).back() != name) {
      locked = name;
    } else {
      fs::remove_all(tree.path(fs::path(name).u8string()));
    }
  }
  ASSERT_FALSE(locked.empty());
  tree.lock(fs::path(locked).u8string());

  auto text = probeWithoutPrivileges(tree.root, locked);
  if (!text) GTEST_SKIP() << "privileges cannot be dropped here";
  auto fields = splitAtZero(*text);
  ASSERT_EQ(fields.size(), 2u + kOpenFolders + 1u);

  EXPECT_EQ(fields[1], "") << "the image in the unreadable folder";
  for (int i = 0; i < kOpenFolders; ++i) {
    EXPECT_EQ(fields[2 + i], openFolder(i)) << openFile(i);
  }
  EXPECT_EQ(fields.back(), "error") << "the hint test through the unreadable folder";

  const std::string errorLine =
      std::string("[ERROR] 実行ディレクトリ走査エラー: "_sj) + tree.root.string() +
      " (cannot open directory: " + std::generic_category().message(EACCES) + " [" +
      (tree.root / locked).string() + "]) \n";
  const std::string& log = fields[0];
  auto error = log.find(errorLine);
  ASSERT_NE(error, std::string::npos) << log;
  EXPECT_EQ(error, 0u) << "the walk's errors come before the first trace line";
  EXPECT_EQ(log.find("[ERROR]", error + 1), std::string::npos) << log;
}

}  // namespace
