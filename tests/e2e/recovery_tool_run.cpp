#include "tests/e2e/recovery_tool_run.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "tests/storage/compound_readers.h"

namespace vlx::e2e {
namespace {

using vlx::testing::Quote;
using vlx::testing::ReadAll;
using vlx::testing::RunCommand;

// Flattens the report to one tab-separated line per run (one per refused input).
constexpr const char* kReportLines = R"(import json, os, sys
sys.stdout.reconfigure(encoding='utf-8', errors='replace')
report = json.load(open(sys.argv[1], encoding='utf-8'))
def clean(s):
    return str(s).replace('\t', ' ').replace('\n', ' ').replace('\x1f', ' ')
for f in report['files']:
    for r in f['runs'] or [{}]:
        fields = [clean(f['input']), clean(f['exit_status']), clean(f.get('error') or ''),
                  clean(r.get('mode', '')), clean(r.get('output_folder') or ''),
                  clean(r.get('saved_presentation') or ''), clean(len(r.get('slides', []))),
                  clean(len(r.get('data_slides', []))),
                  '\x1f'.join(clean(p['file']) for p in r.get('pictures', [])),
                  '\x1f'.join(clean(c) for c in r.get('critical_errors', [])),
                  '1' if r.get('stopped') else '0',
                  clean(sum(1 for t in r.get('slides', []) + r.get('data_slides', [])
                            if not t['thumbnail'] or not os.path.isfile(t['thumbnail'])))]
        print('\t'.join(fields))
)";

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  if (!text.empty() && text.back() == separator) parts.emplace_back();
  return parts;
}

bool ParseReport(const std::string& json_path, std::vector<ReportedRun>* runs) {
  std::string lines;
  if (RunCommand(
          "/usr/bin/python3 -c " + Quote(kReportLines) + " " + Quote(json_path) + " 2>/dev/null",
          &lines) != 0)
    return false;
  for (const std::string& line : Split(lines, '\n')) {
    const std::vector<std::string> f = Split(line, '\t');
    if (f.size() != 12) continue;
    ReportedRun run;
    run.input = f[0];
    run.file_status = std::stoi(f[1]);
    run.error = f[2];
    run.mode = f[3];
    run.output_folder = f[4];
    run.saved_presentation = f[5];
    run.slides = std::stoi(f[6]);
    run.data_slides = std::stoi(f[7]);
    if (!f[8].empty()) run.picture_files = Split(f[8], '\x1f');
    if (!f[9].empty()) run.critical_errors = Split(f[9], '\x1f');
    run.stopped = f[10] == "1";
    run.missing_thumbnails = std::stoi(f[11]);
    runs->push_back(std::move(run));
  }
  return true;
}

}  // namespace

ToolRun RunRecoveryTool(const std::string& mode, const std::vector<std::string>& inputs,
                        const ToolPlace& place, int time_limit_s) {
  const std::string json = place.scratch_folder + "/report-" + mode + ".json";
  const std::string log = place.scratch_folder + "/messages-" + mode + ".txt";
  std::string command = "cd " + Quote(place.current_folder) +
                        " && TMPDIR=" + Quote(place.temp_folder) + " timeout -k 10 " +
                        std::to_string(time_limit_s) + " " + Quote(VLX_RECOVER_TOOL) +
                        " --json --mode " + mode + " --output " + Quote(place.output_folder);
  for (const std::string& input : inputs) command += " " + Quote(input);
  command += " >" + Quote(json) + " 2>" + Quote(log) + " </dev/null";
  ToolRun run;
  std::string ignored;
  run.status = RunCommand("{ " + command + "; }", &ignored);
  const auto report = ReadAll(json);
  run.report.assign(report.begin(), report.end());
  const auto messages = ReadAll(log);
  run.messages.assign(messages.begin(), messages.end());
  if (!run.report.empty()) run.report_read = ParseReport(json, &run.runs);
  std::filesystem::remove(json);
  std::filesystem::remove(log);
  return run;
}

std::vector<std::string> FilesBelow(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_directory()) files.push_back(fs::relative(it->path(), folder).string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace vlx::e2e
