// The full-width forms of a font kestra-font wrote, and its digits, drawn
// again so that each fills the full or half step the game lays them at (names,
// dates and scores in the ranking): from the step's letters' face, in `style`
// (the font's size, weight and outline), each widened towards its step and on
// the line of the font's own half-width forms, on a sheet of their own that
// the font's file then names.
#pragma once

#include <string>

#include "tools/demodata/TextPainter.h"

namespace demodata {

// False with a message when the font cannot be read or written again.
bool FillStepForms(const std::string& lfdPath, const TextStyle& style, TextPainter& text, std::string* error);

}  // namespace demodata
