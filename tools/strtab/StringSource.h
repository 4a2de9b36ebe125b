#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The readable source of the string tables, one text per id, UTF-8:
//
//   # a comment line
//   93 = Tolvin Setup          stored as UTF-16
//   4 u8= SOFTWARE\\Microsoft  stored as UTF-8
//   + more text                continues the text above (appended as it stands)
//   154 =                      an empty text
//
// One space separates the marker or the `+` from the text. Escapes: \n \r \t \\ \xHH and
// \u{H...} (a code point). Raw control characters, trailing blanks, U+0000 and surrogates are
// refused so that what a reader sees in the file is what the program gets.

struct SourceText {
    std::uint32_t id = 0;
    bool utf8 = false;
    std::u32string text;
    std::string file;
    int line = 0;
};

// Appends the texts of one source file; problems are appended to `errors` as
// "file:line: error: message". Answers true when the file added no error.
bool ParseStringSource(std::string_view content, const std::string& fileName,
                       std::vector<SourceText>& texts, std::vector<std::string>& errors);

// Checks texts gathered from every source of one table: unique ids, ids not above `maxId`, at
// least one text. Answers true when nothing was wrong.
bool ValidateTableTexts(const std::vector<SourceText>& texts, std::uint32_t maxId,
                        std::vector<std::string>& errors);

// The decoded table: the index sorted by id as unsigned numbers, then the counted texts, each
// starting at a multiple of 4 bytes. The texts must have passed ValidateTableTexts.
std::vector<unsigned char> BuildStringTable(std::vector<SourceText> texts);
