// Reads texts from a source file of the string tables (content/strings/*.txt):
//   <id> = <text>  |  <id> u8= <text>  |  + <continuation>  |  # comment
// with the escapes \n \r \t \\ \xHH \u{H...}. Texts come back as UTF-8.
#pragma once

#include <map>
#include <string>

namespace kbdcheck {

bool ReadStringSource(const std::string& path, std::map<unsigned, std::string>& texts,
                      std::string& error);

}  // namespace kbdcheck
