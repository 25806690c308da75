#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/format/template_records.h"

namespace vlx {

class RecoveryJob;

// The whole trial stream for one master/blip-store pair: the common prefix, the
// template slide, its persist directory and user edit. Sets the template registers
// (container lengths, master offset, user-edit offset) as a build does.
std::vector<uint8_t> ComposeTrialStream(TemplateRecords& templates,
                                        std::span<const uint8_t> blip_store,
                                        std::span<const uint8_t> master);

class PictureSource;

// Writes the trial stream to the workspace's big0012241 and packs it with the pictures
// its master refers to into vlxppt (the blip store rewritten to match). Without a
// source the workspace's pictures file is read for this one trial. Critical Error 018
// when the stream file cannot be created.
void BuildTrial(RecoveryJob& job, std::span<const uint8_t> blip_store,
                std::span<const uint8_t> master, PictureSource* pictures = nullptr);

}  // namespace vlx
