// One text of the talks' catalogue. The texts are written in UTF-8 in
// game/story/text/*.txt; the build turns each file into a header of ids
// (namespace talktext::<file name>) and the catalogue below, in CP932.
#pragma once

#include <cstdint>
#include <span>

struct TalkText {
    const char* text;  // CP932, rows separated by "\n"
    const char* file;  // the text file's name, without folder and ".txt"
    const char* id;
    int32_t line;      // where the entry stands in its file
};

// Every text of every file, in file order.
std::span<const TalkText* const> TalkTextCatalogue();
