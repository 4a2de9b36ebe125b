#pragma once

// The simple uppercase mapping of one UTF-16 unit as GString::MakeUpper applies it: Unicode 5.2,
// Basic Multilingual Plane, one unit to one unit; unmapped units, surrogates, the micro sign and
// the Greek symbol letters come back unchanged.
char16_t UpperCaseUnit(char16_t unit);
