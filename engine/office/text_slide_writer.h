#pragma once

namespace vlx {

class RecoveryJob;

// Turns the recovered slide texts into "Data Slide" thumbnails: for every slide number
// with text, a fresh copy of the presentation built from the chosen master gets a new
// text slide in front, the office exports it as a picture, and the picture is listed.
// An office error while one slide is made skips that slide only.
void WriteTextSlides(RecoveryJob& job);

}  // namespace vlx
