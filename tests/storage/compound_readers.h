#pragma once

// Reads compound files back with two readers that share no code with ours: Python's
// olefile (strict mode) and libgsf's "gsf" tool. Each returns the streams of the root
// storage by name, with their bytes, or nullopt when the reader is missing.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace vlx::testing {

using StreamMap = std::map<std::string, std::vector<unsigned char>>;

struct ReaderResult {
  bool ok = false;        // the reader accepted the file
  std::string complaint;  // what it said when it did not
  StreamMap streams;
};

inline std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs a shell command; returns its exit status and standard output (stderr merged).
inline int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output->append(buffer, n);
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline bool OlefileAvailable() {
  std::string ignored;
  return RunCommand("/usr/bin/python3 -c 'import olefile'", &ignored) == 0;
}

inline bool GsfAvailable() {
  return ::access("/usr/bin/gsf", X_OK) == 0;
}

// olefile with DEFECT_INCORRECT: any structural fault it notices is an error.
inline ReaderResult ReadWithOlefile(const std::string& path) {
  TempDir out;
  static const char* kScript =
      "import olefile, sys\n"
      "ole = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT)\n"
      "for i, e in enumerate(ole.listdir(streams=True, storages=True)):\n"
      "    data = ole.openstream(e).read()\n"
      "    assert len(data) == ole.get_size(e)\n"
      "    open('%s/%d' % (sys.argv[2], i), 'wb').write(data)\n"
      "    print('%d\\t%s' % (i, '/'.join(e)))\n";
  std::string output;
  ReaderResult result;
  const int status = RunCommand(
      "/usr/bin/python3 -c " + Quote(kScript) + " " + Quote(path) + " " + Quote(out.path()),
      &output);
  if (status != 0) {
    result.complaint = output;
    return result;
  }
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    result.streams[line.substr(tab + 1)] = ReadAll(out.File(line.substr(0, tab)));
  }
  result.ok = true;
  return result;
}

// gsf list prints "f <size> <name>" per stream; gsf cat prints one stream.
inline ReaderResult ReadWithGsf(const std::string& path) {
  TempDir out;
  ReaderResult result;
  std::string listing;
  if (RunCommand("/usr/bin/gsf list " + Quote(path), &listing) != 0) {
    result.complaint = listing;
    return result;
  }
  std::istringstream lines(listing);
  std::string line;
  std::getline(lines, line);  // "<file>:"
  int index = 0;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string kind;
    uint64_t size = 0;
    fields >> kind >> size;
    std::string name;
    std::getline(fields, name);
    name.erase(0, name.find_first_not_of(' '));
    if (kind != "f" || name == "*root*") continue;  // gsf shows an empty root as a file
    const std::string file = out.File(std::to_string(index++));
    std::string ignored;
    if (RunCommand(
            "{ /usr/bin/gsf cat " + Quote(path) + " " + Quote(name) + " > " + Quote(file) + "; }",
            &ignored) != 0) {
      result.complaint = "gsf cat failed for " + name;
      return result;
    }
    result.streams[name] = ReadAll(file);
    if (result.streams[name].size() != size) {
      result.complaint = "gsf listed a different size for " + name;
      return result;
    }
  }
  result.ok = true;
  return result;
}

}  // namespace vlx::testing
