#include "tool_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

extern char** environ;

namespace vlx::testing {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> MergedEnvironment(const std::map<std::string, std::string>& extra) {
  std::map<std::string, std::string> all;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const size_t eq = entry.find('=');
    if (eq != std::string::npos) all[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  for (const auto& [key, value] : extra) all[key] = value;
  std::vector<std::string> list;
  for (const auto& [key, value] : all) list.push_back(key + "=" + value);
  return list;
}

}  // namespace

ToolProcess::ToolProcess(const ToolCall& call) {
  static int serial = 0;
  const std::string stem =
      call.capture_folder + "/tool" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
  out_path_ = stem + ".out";
  err_path_ = stem + ".err";
  std::vector<std::string> args{VLX_RECOVER_BINARY};
  args.insert(args.end(), call.args.begin(), call.args.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env = MergedEnvironment(call.env);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_ = ::fork();
  if (pid_ == 0) {
    const int out = ::open(out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(err_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int null_in = ::open("/dev/null", O_RDONLY);
    if (out < 0 || err < 0 || null_in < 0) ::_exit(127);
    ::dup2(null_in, STDIN_FILENO);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    if (!call.working_folder.empty() && ::chdir(call.working_folder.c_str()) != 0) ::_exit(127);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
}

ToolProcess::~ToolProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  std::remove(out_path_.c_str());
  std::remove(err_path_.c_str());
}

std::string ToolProcess::ErrSoFar() const {
  return Slurp(err_path_);
}

void ToolProcess::Signal(int signal) const {
  if (pid_ > 0) ::kill(pid_, signal);
}

ToolResult ToolProcess::Wait() {
  ToolResult result;
  int status = 0;
  if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_) {
    result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  pid_ = -1;
  result.out = Slurp(out_path_);
  result.err = Slurp(err_path_);
  return result;
}

ToolResult RunTool(const ToolCall& call) {
  return ToolProcess(call).Wait();
}

std::string JsonQuery(const std::string& json_text, const std::string& expression) {
  char path[] = "/tmp/vlxjson-XXXXXX";
  const int fd = ::mkstemp(path);
  if (fd < 0) return "<no temp file>";
  const ssize_t written = ::write(fd, json_text.data(), json_text.size());
  ::close(fd);
  if (written != static_cast<ssize_t>(json_text.size())) return "<write failed>";
  const std::string command =
      "python3 -c \"import json,sys; d=json.load(open(sys.argv[1])); "
      "print((" +
      expression + "))\" " + path + " 2>&1";
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    ::pclose(pipe);
  }
  std::remove(path);
  while (!output.empty() && output.back() == '\n') output.pop_back();
  return output;
}

std::vector<std::string> FilesBelow(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    if (!it->is_directory()) files.push_back(fs::relative(it->path(), folder).string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

ToolCall IsolatedToolCall(const std::string& root, std::vector<std::string> args) {
  ToolCall call;
  call.args = std::move(args);
  call.working_folder = root + "cwd";
  call.env = {{"TMPDIR", root + "tmp"}, {"VLX_TRACE_LOG", ""}};
  call.capture_folder = root;
  return call;
}

}  // namespace vlx::testing
