// Writes the whole data tree: pictures, effects, music and the two fonts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demodata {

struct GenerateOptions {
    std::string output;      // the data folder (what "data/" or data.bin serves)
    bool images = true, sounds = true, music = true, fonts = true;
    unsigned jobs = 2;
    std::string fontTool;    // path of kestra-font
    std::string contactSheet;  // PNG path, or empty
    std::string stageData;     // folder of the map grids (Stage0N.dat) whose walls are painted, or empty
};

struct GenerateReport {
    unsigned files = 0;
    uint64_t bytes = 0;
    double seconds = 0;
};

// False with a message on the first failure.
bool Generate(const GenerateOptions& options, GenerateReport* report, std::string* error);

// The full path of a file of the set, refused (false, with a message) when the
// relative path would leave the output folder.
bool ResolveTarget(const std::string& root, const std::string& relative, std::string* full, std::string* error);

// The characters the text font needs beyond its standard lists and the second
// kanji level (UTF-8): every character of the talks' text catalogue.
std::string TalkFontExtraCharacters();

// The bosses' attack names (UTF-8), which the skill font draws from x 270.
std::vector<std::string> AttackNames();

// The characters the skill font needs beyond its standard lists (UTF-8): the
// attack names.
std::string SkillFontExtraCharacters();

}  // namespace demodata
