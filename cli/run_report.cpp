#include "cli/run_report.h"

#include "cli/json_writer.h"
#include "cli/tool_version.h"

namespace vlx::cli {
namespace {

void WriteThumbnails(JsonWriter& json, const std::vector<ThumbnailEntry>& items) {
  json.BeginArray();
  for (const ThumbnailEntry& item : items) {
    json.BeginObject().Key("label").String(item.label).Key("thumbnail");
    if (item.thumbnail.empty()) {
      json.Null();
    } else {
      json.String(item.thumbnail);
    }
    json.EndObject();
  }
  json.EndArray();
}

void WritePictures(JsonWriter& json, const std::vector<PictureEntry>& pictures) {
  json.BeginArray();
  for (const PictureEntry& picture : pictures) {
    json.BeginObject()
        .Key("file")
        .String(picture.file)
        .Key("extension")
        .String(picture.extension)
        .Key("offset");
    if (picture.offset < 0) {
      json.Null();
    } else {
      json.Number(picture.offset);
    }
    json.Key("thumbnail");
    if (picture.thumbnail.empty()) {
      json.Null();
    } else {
      json.String(picture.thumbnail);
    }
    json.EndObject();
  }
  json.EndArray();
}

int64_t Count(size_t n) {
  return static_cast<int64_t>(n);
}

void WriteCensus(JsonWriter& json, const CensusSummary& census) {
  json.BeginObject()
      .Key("drawings")
      .Number(Count(census.drawings))
      .Key("prog_tags")
      .Number(Count(census.prog_tags))
      .Key("main_masters")
      .Number(Count(census.main_masters))
      .Key("blip_stores")
      .Number(Count(census.blip_stores))
      .Key("slide_lists")
      .Number(Count(census.slide_lists))
      .Key("picture_blocks")
      .Number(Count(census.picture_blocks));
  json.Key("picture_stream_start");
  if (census.picture_stream_start) {
    json.Number(static_cast<int64_t>(*census.picture_stream_start));
  } else {
    json.Null();
  }
  json.Key("slide_texts").BeginArray();
  for (const CensusText& text : census.texts) {
    json.BeginObject().Key("slide").Number(text.slide).Key("text").String(text.text).EndObject();
  }
  json.EndArray().EndObject();
}

void WriteMasters(JsonWriter& json, const std::vector<MasterEntry>& masters) {
  json.BeginArray();
  for (const MasterEntry& master : masters) {
    json.BeginObject().Key("number").Number(master.number).Key("kind").String(master.kind);
    json.Key("thumbnail");
    if (master.thumbnail.empty()) {
      json.Null();
    } else {
      json.String(master.thumbnail);
    }
    json.EndObject();
  }
  json.EndArray();
}

void WriteRecovery(JsonWriter& json, const RecoveryOutcome& outcome) {
  json.BeginObject().Key("method");
  if (outcome.method.empty()) {
    json.Null();
  } else {
    json.String(outcome.method);
  }
  json.Key("verified").Bool(outcome.verified).Key("verdict").String(outcome.verdict);
  json.Key("checked_slides").Number(outcome.checked_slides).Key("opened").Bool(outcome.opened);
  json.Key("repairs").BeginArray();
  for (const std::string& repair : outcome.repairs) json.String(repair);
  json.EndArray().EndObject();
}

void WriteRun(JsonWriter& json, const RunRecord& run) {
  json.BeginObject().Key("mode").String(run.mode).Key("output_folder");
  if (run.output_folder.empty()) {
    json.Null();  // removed: the run put nothing in it
  } else {
    json.String(run.output_folder);
  }
  json.Key("saved_presentation");
  if (run.saved_presentation.empty()) {
    json.Null();
  } else {
    json.String(run.saved_presentation);
  }
  json.Key("slides");
  WriteThumbnails(json, run.slides);
  json.Key("data_slides");
  WriteThumbnails(json, run.data_slides);
  json.Key("pictures");
  WritePictures(json, run.pictures);
  json.Key("texts").BeginArray();
  for (const TextEntry& text : run.texts)
    json.BeginObject().Key("label").String(text.label).Key("file").String(text.file).EndObject();
  json.EndArray();
  json.Key("critical_errors").BeginArray();
  for (int code : run.critical_errors) json.Number(code);
  json.EndArray();
  json.Key("stopped").Bool(run.stopped);
  json.Key("failure");
  if (run.failure.empty()) {
    json.Null();
  } else {
    json.String(run.failure);
  }
  if (run.census) {
    json.Key("census");
    WriteCensus(json, *run.census);
  }
  if (run.recovery) {
    json.Key("recovery");
    WriteRecovery(json, *run.recovery);
  }
  if (!run.masters.empty()) {
    json.Key("master_candidates");
    WriteMasters(json, run.masters);
  }
  json.EndObject();
}

}  // namespace

std::string ReportJson(const std::vector<FileReport>& files, int exit_status) {
  JsonWriter json;
  json.BeginObject().Key("tool").String(kToolName).Key("version").String(ToolVersion());
  json.Key("files").BeginArray();
  for (const FileReport& file : files) {
    json.BeginObject().Key("input").String(file.input).Key("exit_status").Number(file.exit_status);
    json.Key("error");
    if (file.error.empty()) {
      json.Null();
    } else {
      json.String(file.error);
    }
    json.Key("runs").BeginArray();
    for (const RunRecord& run : file.runs) WriteRun(json, run);
    json.EndArray().EndObject();
  }
  json.EndArray().Key("exit_status").Number(exit_status).EndObject();
  return json.text();
}

}  // namespace vlx::cli
