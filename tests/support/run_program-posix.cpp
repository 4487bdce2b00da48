#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "support/closed_output_run.h"
#include "support/run_program.h"
#include "support/run_program_raw.h"
#include "support/unprivileged_run.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

std::string slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool dropPrivileges() {
  return setgroups(0, nullptr) == 0 && setresgid(kNobody, kNobody, kNobody) == 0 &&
         setresuid(kNobody, kNobody, kNobody) == 0;
}

// How the child's standard output is connected.
enum class Output { file, closedPipe };

// Runs the program in `dir`; nullopt when the child could not be set up, which a
// pipe closed on exec tells apart from any exit code of the program.
std::optional<ProgramResult> run(const fs::path& dir,
                                 const std::vector<std::string>& args, bool asNobody,
                                 Output output = Output::file) {
  auto outFile =
      fs::temp_directory_path() / ("kic-out-" + std::to_string(getpid()) + ".txt");
  auto errFile =
      fs::temp_directory_path() / ("kic-err-" + std::to_string(getpid()) + ".txt");
  std::string program = KIC_PROGRAM_PATH;
  std::vector<char*> argv{program.data()};
  std::vector<std::string> argsCopy = args;
  for (auto& arg : argsCopy) argv.push_back(arg.data());
  argv.push_back(nullptr);

  // A pipe whose reading end is closed before the child exists: no reader ever
  // comes, so every write to it fails at once, as after `| head` has ended.
  int closedPipe[2] = {-1, -1};
  if (output == Output::closedPipe) {
    if (pipe(closedPipe) != 0) return std::nullopt;
    close(closedPipe[0]);
  }
  int setupPipe[2];
  if (pipe(setupPipe) != 0) return std::nullopt;
  fcntl(setupPipe[1], F_SETFD, FD_CLOEXEC);
  pid_t child = fork();
  if (child == 0) {
    close(setupPipe[0]);
    int out = output == Output::closedPipe
                  ? closedPipe[1]
                  : open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int in = open("/dev/null", O_RDONLY);
    bool ready = out >= 0 && err >= 0 && in >= 0 && (!asNobody || dropPrivileges()) &&
                 chdir(dir.c_str()) == 0;
    if (ready) {
      dup2(in, 0);
      dup2(out, 1);
      dup2(err, 2);
      execv(program.c_str(), argv.data());
    }
    const char failed = 1;
    [[maybe_unused]] ssize_t ignored = write(setupPipe[1], &failed, 1);
    _exit(127);
  }
  close(setupPipe[1]);
  if (output == Output::closedPipe) close(closedPipe[1]);
  char failed = 0;
  const bool setUp = child > 0 && read(setupPipe[0], &failed, 1) == 0;
  close(setupPipe[0]);
  ProgramResult result;
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child) {
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  result.out = slurp(outFile);
  result.err = slurp(errFile);
  fs::remove(outFile);
  fs::remove(errFile);
  if (!setUp) return std::nullopt;
  return result;
}

}  // namespace

ProgramResult runProgramIn(const fs::path& dir, const std::vector<std::string>& args) {
  auto result = run(dir, args, false);
  return result ? *result : ProgramResult{127, "", ""};
}

ProgramResult runProgramRawIn(const fs::path& dir, const std::vector<std::string>& args) {
  return runProgramIn(dir, args);
}

std::optional<ProgramResult> runProgramUnprivilegedIn(
    const fs::path& dir, const std::vector<std::string>& args) {
  return run(dir, args, geteuid() == 0);
}

ProgramResult runProgramWithClosedOutputIn(const fs::path& dir,
                                           const std::vector<std::string>& args) {
  auto result = run(dir, args, false, Output::closedPipe);
  return result ? *result : ProgramResult{127, "", ""};
}

void openToEveryone(const fs::path& root) {
  chmod(root.c_str(), 0777);
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_symlink()) continue;
    chmod(entry.path().c_str(), entry.is_directory() ? 0777 : 0666);
  }
}
