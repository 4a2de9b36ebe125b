#pragma once

#include "text/FormatField.h"
#include "text/FormatSpec.h"

// f e E g G a A F: a double in fixed, exponential, general, hexadecimal or engineering style;
// non-finite values become "{ nan}", "{+inf}" or "{-inf}".
void FormatFloat(FormatField& field, const FormatSpec& spec, double value);
