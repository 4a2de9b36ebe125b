#pragma once

#include <cstdint>

#include "text/FormatField.h"
#include "text/FormatSpec.h"

// d i u x X o y p P: the magnitude in the letter's base with sign (d, i), prefix (`#`),
// precision as the minimum digit count and digit grouping. p and P pass a copy of the
// specification with precision 8.
void FormatInteger(FormatField& field, const FormatSpec& spec, std::uint64_t magnitude,
                   bool negative);

// A null p or P: "{null}" behind spaces up to the length an 8-digit value would take.
void FormatNullPointer(FormatField& field, const FormatSpec& spec);

// I U: a size scaled by powers of 1024 with a binary prefix.
void FormatBinarySize(FormatField& field, const FormatSpec& spec, std::uint64_t magnitude,
                      bool negative);
